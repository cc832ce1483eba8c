#pragma once

#include <QDialog>
#include <QIcon>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

// "Zettlor Options": five tabs of settings. The controls show the store as it
// was at opening; only the tabs the user changed are written back, to the
// store and the globals, on "Apply" or "OK". Closing discards the window, so
// the next opening reads everything afresh.
class winOptions final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(winOptions)

public:
    winOptions();
    // Shows the dialog on the tab used last, then loads every tab.
    void Form_Load();

    // Shows the tab of that name (blanks ignored; "General" for an unknown
    // name) and remembers it as the one used last.
    void ShowFrame(const QString &name);
    // Writes the tabs that were changed; nothing when none was.
    void ApplyOptions();

    QTabWidget *Tabs = nullptr;
    QWidget *GeneralFrame = nullptr;
    QWidget *TrayIconFrame = nullptr;
    QWidget *TrayAlertsFrame = nullptr;
    QWidget *SoundsFrame = nullptr;
    QWidget *InternetFrame = nullptr;

    // General
    QCheckBox *Check3 = nullptr; // start at logon
    QCheckBox *Check8 = nullptr; // release check
    QCheckBox *Check4 = nullptr; // add sender to contacts
    QCheckBox *Check5 = nullptr; // delete note after replying
    QCheckBox *Check6 = nullptr; // notes on top
    QComboBox *Combo1 = nullptr; // when deleting notes
    // Tray Icon
    QLabel *Image4 = nullptr;
    QPushButton *Command3 = nullptr; // select icon
    QPushButton *Command4 = nullptr; // reset icon
    QComboBox *SingleClickCombo = nullptr;
    QComboBox *DoubleClickCombo = nullptr;
    // Tray Alerts
    QCheckBox *Check1 = nullptr; // incoming note alert
    QCheckBox *Check2 = nullptr; // sent note alert
    // Sounds
    QComboBox *Combo10 = nullptr;     // event
    QComboBox *Combo11 = nullptr;     // sound of that event
    QPushButton *Command10 = nullptr; // browse
    QPushButton *Command9 = nullptr;  // play
    // Internet
    QCheckBox *Check17 = nullptr; // only download when connected
    QLineEdit *Text1 = nullptr;   // proxy user name
    QLineEdit *Text2 = nullptr;   // proxy password

    QPushButton *Command1 = nullptr; // OK
    QPushButton *Command2 = nullptr; // Cancel
    QPushButton *ApplyButton = nullptr;
    QPushButton *Command8 = nullptr; // Help

    // OK, Cancel, Escape and the close box all end here.
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QWidget *CreateGeneralFrame();
    QWidget *CreateTrayIconFrame();
    QWidget *CreateTrayAlertsFrame();
    QWidget *CreateSoundsFrame();
    QWidget *CreateInternetFrame();
    QLayout *CreateButtonRow();
    void ConnectChangeTracking();

    void LoadFrame(int index);
    void LoadRemainingFrames(int activeIndex);
    void LoadGeneralFrame();
    void LoadTrayIconFrame();
    void LoadTrayAlertsFrame();
    void LoadSoundsFrame();
    void LoadInternetFrame();

    void ApplyGeneral();
    void ApplyInternet();
    void ApplyTrayIcon();
    void ApplyTrayAlerts();
    void ApplySounds();

    void MarkChanged(bool &tabChanged);
    void Command1_Click();
    void Command3_Click();
    void Command4_Click();
    void Command10_Click();
    void Combo10_Click();
    void Combo11_Click();
    void ShowIconPicture(const QIcon &picture);
    // Shows the chosen event's sound in Combo11 and enables play to match.
    void ShowEventSound();

    bool LoadingDone = false;
    bool AnyChanged = false;
    bool GeneralChanged = false;
    bool TrayIconChanged = false;
    bool TrayAlertsChanged = false;
    bool SoundsChanged = false;
    bool InternetChanged = false;
    bool OnTopChanged = false;
    bool IconChanged = false;
    // The chosen picture file, or "default" for the program's own picture.
    QString IconPath;
    QIcon iconPicture;
    // Note sent, note received, note copied to the clipboard.
    std::array<QString, 3> SoundFiles;
};
