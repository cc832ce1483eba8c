#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>

class QComboBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The note editor. What its action button does depends only on the button's
// caption: "Create" makes a note, "Update" changes the note named by the tag,
// "Send" sends the composed note to one recipient.
class winEditor final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(winEditor)

public:
    // The one editor used for Create and Send, made (and opened) when missing.
    static winEditor *SharedEditor();
    // A separate editor, for updating one note.
    static winEditor *NewEditor();
    ~winEditor() override;

    // Every entry of the combo as a font list file.
    static void ComboSave(const QComboBox *TheCombo, const QString &FileName);

    // Send mode: the recipient's IPv4 address or "Local User", and its name.
    QString sendToIP;
    QString sendToName;
    // Send mode: the handle of the note being answered (0 when none).
    quint64 noteToDeleteHwnd = 0;
    // Shift, Ctrl or Alt was held at the last mouse press on Command1.
    bool modifierHeldOnClick = false;
    // Update mode: note file name + "|" + the note window's handle.
    QString tag;

    QFrame *Shape2 = nullptr;
    QComboBox *FontCombo = nullptr;
    QComboBox *FontSizeCombo = nullptr;
    QLabel *Label2 = nullptr;        // background colour swatch
    QLabel *Label3 = nullptr;        // text colour swatch
    QPushButton *Command3 = nullptr; // bold
    QPushButton *Command4 = nullptr; // italic
    QPlainTextEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr; // the action button
    QPushButton *Command2 = nullptr; // cancel

    // The working copy of the note's look, held by Text1.
    QColor TextBackColor() const;
    QColor TextForeColor() const;
    void SetTextBackColor(const QColor &color);
    void SetTextForeColor(const QColor &color);
    void SetTextFontSize(double points);
    void SetTextBold(bool bold);
    void SetTextItalic(bool italic);

    // Writes the look of Text1 as the defaults of the next note.
    void SaveDefaults();
    // Runs the action of Command1, as a click does.
    void Command1_Click();
    // Closes and releases the editor.
    void CloseEditor();
    // Shows the editor restored from minimized, raised, with the focus.
    void BringToFront();
    // Update mode: the handle that ends the tag (a file name may hold "|" too).
    quint64 TaggedNoteHandle() const;
    // The open editor updating the note with that handle, or nullptr.
    static winEditor *UpdateEditorFor(quint64 noteHandle);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    winEditor();
    void CreateControls();
    void Form_Load();
    void FillFontList();
    void ApplySavedDefaults();
    void FontCombo_Click();
    void FontSizeCombo_Click();
    void ChooseSwatchColor(QLabel *swatch);
};
