#pragma once

#include <QIcon>
#include <QWidget>

class QAction;
class QMenu;
class QPoint;
class QTimer;
class Winsock;

// The hidden control window: it owns the tray picture, the tray menu, the note
// menu and the click timer. It is never shown; there is one per program.
class winMenu final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(winMenu)

public:
    // What the tray icon (or the control window standing in for it) reports.
    // Hosts speaking StatusNotifierItem never send a double click; their
    // middle click stands for it.
    enum class TrayNotification { LeftButtonDown, LeftButtonDoubleClick, RightButtonDown, MiddleClick };

    static winMenu *Create();
    // The control window, or nullptr before Create and after it is deleted.
    static winMenu *Instance();
    ~winMenu() override;

    // The program's own picture, also every window's icon.
    static QIcon ProgramIcon();
    // The program's picture at the sizes of title bars and window lists: the
    // icon of notes and dialogs. Windows that a task bar shows set ProgramIcon.
    static QIcon SmallWindowIcon();
    // The tray picture a file holds; the program's own picture where the file
    // is missing or holds no picture that loads.
    static QIcon TrayPicture(const QString &file);

    // Every notification of the tray icon arrives here. A left click runs the
    // single-click action 200 ms later unless a double click comes first.
    void TrayIcon_Notify(TrayNotification code, const QPoint &position);
    // Opens TrayMenu at a screen position with "Options" as the default item.
    void ShowTrayMenu(const QPoint &position);
    // A distributor's "About.ini" (Name and URL scrambled) renames VisitVT to
    // "Visit " + name and hides DonateToVT.
    void ApplyBranding(const QString &aboutFile);

    // The tray icon's picture.
    QIcon ImageIcon;
    // Tells a single click on the tray icon from a double click (200 ms).
    QTimer *Timer1 = nullptr;
    // Handle (serial number) of the note whose menu is open, as decimal text.
    QString tag;
    // The distributor's home page when branding applies; VisitVT opens it.
    QString brandingUrl;

    QMenu *TrayMenu = nullptr;
    QAction *Options = nullptr;
    QAction *CreateNote = nullptr;
    QAction *Contacts = nullptr;
    QAction *HideAllNotes = nullptr;
    QAction *NoteArchive = nullptr;
    QAction *AboutWindow = nullptr;
    QMenu *Help = nullptr;
    QAction *ZettlorSupportForums = nullptr;
    QAction *SendBugReport = nullptr;
    QAction *CheckForNewVersion = nullptr;
    QAction *VisitVT = nullptr;
    QAction *DonateToVT = nullptr;
    QAction *Exit = nullptr;

    // The UDP endpoint; made and bound at start-up by modEndpoint.
    class Winsock *Winsock = nullptr;

    QMenu *NoteMenu = nullptr;
    QAction *EditNote = nullptr;
    QAction *QuickEditMode = nullptr;
    QAction *ReplyToSender = nullptr;
    QAction *SetNoteToTop = nullptr;
    QAction *CopyToClipboard = nullptr;
    QAction *PrintNote = nullptr;
    QAction *RemoveNote = nullptr;

private:
    winMenu();
    void BuildTrayMenu();
    void BuildNoteMenu();
    void ConnectTrayCommands();
    void Timer1_Timer();
};
