#pragma once

#include "notes/modNoteText.h"

#include <QLabel>
#include <QList>
#include <QPoint>
#include <QWidget>
#include <optional>

class QTextEdit;
class QTimer;

// One note on the desktop: its text on a coloured ground, a thin border, a
// dog-eared top-left corner and a resize grip. Sizes are handled in twips
// (15 per pixel) so the note file's numbers stay those of older copies.
class winNote final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(winNote)

public:
    static constexpr int TwipsPerPixel = 15;
    static constexpr int MinimumWidth = 2550;
    static constexpr int MaximumSize = 9000;
    // Outside quick edit mode the text is this much narrower than the window.
    static constexpr int LabelMarginTwips = 240;

    winNote();
    ~winNote() override;

    // Every note window of the program.
    static QList<winNote *> AllNotes();
    // Tests shorten the autosave and retry delays; the product waits 2000 ms
    // after a change and 30 s after a failed save.
    static void SetSaveDelayForTests(int milliseconds);

    QString GetNoteContents(bool sendingNote) const;
    // Writes the note file. When that fails the note stays unsaved: it is
    // retried every 30 s, at the next save and at exit, and the first failure
    // since a save succeeded tells the user.
    bool ResaveNote();
    void RepositionNoteParts();
    // Fits the label to the note's width and its text's height.
    void LayOutLabel();
    void CheckNotePosition();
    // Fills the window from a parsed record; bad fields keep initial values.
    void ApplyRecord(const modNoteText::NoteRecord &record);
    // Saves now when a save is still pending or the text is being edited in
    // place; true when nothing is left.
    bool SavePendingChanges();
    bool HasPendingSave() const;

    // Geometry in twips.
    float LeftTwips() const;
    float TopTwips() const;
    float WidthTwips() const;
    float HeightTwips() const;
    void SetLeftTwips(float left);
    void SetTopTwips(float top);
    void SetWidthTwips(float width);
    void SetHeightTwips(float height);

    // Colours as 0x00BBGGRR values, kept exactly as read.
    qint32 BackColour() const { return backColour; }
    qint32 TextColour() const { return textColour; }
    void SetBackColour(qint32 colour);
    void SetTextColour(qint32 colour);

    // Replaces the window's stacking hint (on top / on bottom / none),
    // keeping it shown when it was.
    void SetStackingHints(Qt::WindowFlags hint);

    // Names this window for the whole run; never given to another window, so a
    // note closed meanwhile cannot be mistaken for a new one.
    const quint64 serialNumber;
    QString noteFileName;
    QString noteFromIP;
    QString noteFromName;
    bool noteIsPinned = false;

    QTimer *SaveTimer = nullptr;
    // Made with the edit box, on the first quick edit.
    QTimer *QuickEditTimer = nullptr;
    QTimer *ResizeTimer = nullptr;
    QTextEdit *Text1 = nullptr; // made on the first quick edit
    QWidget *Shape1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *CornerImage = nullptr;

    // Prepares the note menu of the control window for this note and pops it up.
    void ShowNoteMenu(const QPoint &globalPosition);

    // Edits the text in place. Entered this way (from the menu) the mode is not
    // armed: it lasts until the user has touched the edit box.
    void EnterQuickEditMode();
    // Puts the edited text back into the label and restarts the save timer.
    void LeaveQuickEditMode();
    bool IsInQuickEditMode() const { return inQuickEditMode; }
    // Tests decide whether another program is in front; nullopt asks Qt.
    static void SetApplicationActiveForTests(std::optional<bool> active);

signals:
    // The note's file now holds everything the note shows.
    void Saved();

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void BuildParts();
    void BuildEditBox();
    void ApplyCutCorner();
    void FitLabelHeight();
    void RestartSaveTimer();
    void KeepUnsaved(const QString &why);
    void ApplyColours();
    void BeginDrag(const QPoint &globalPosition);
    void DragStep(const QMouseEvent *mouse);
    void EndDrag();
    void BeginResize();
    void EndResize();
    void ResizeStep(QPoint gripPosition);
    bool HandleGripEvent(const QMouseEvent *mouse);
    bool HandleLabelEvent(const QMouseEvent *mouse);
    bool HandleEditBoxEvent(const QMouseEvent *mouse);
    void UnpinForEdit();
    void RepinAfterEdit();
    void StartQuickEdit();
    void CheckQuickEditPointer(QPoint position);
    void QuickEditTimer_Timer();
    void ResizeTimer_Timer();

    // The pointer is tracked rather than handing the move to the window
    // system: the release then always arrives here, under any window manager.
    bool isDragging = false;
    QPoint dragOffset;
    bool isResizing = false;
    bool inQuickEditMode = false;
    // The pointer leaving the edit box may end quick edit mode.
    bool quickEditArmed = false;
    // The foreground check is running.
    bool quickEditLeaving = false;
    // Unpinned for a resize or an edit; pinned again when it ends.
    bool repinAfterEdit = false;
    // The last save failed; the note waits for its retry.
    bool saveFailed = false;

    qint32 backColour = 0x00C0FFFF;
    qint32 textColour = 0;
};
