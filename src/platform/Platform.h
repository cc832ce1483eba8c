#pragma once

#include <QList>
#include <QString>
#include <functional>

class QFile;
class QObject;
class QWidget;

// The only operating-system specific services of the program. One
// implementation per system is compiled in (PlatformLinux.cpp, or
// PlatformDummy.cpp where no better one exists).
namespace platform {

struct ProcessInfo
{
    qint64 pid = 0;
    QString executableName; // file name of the executable, no folder
};

// True when a window system can be reached (or QT_QPA_PLATFORM names one).
bool HasDisplay();
// Before the application object exists: prefer X11 where an X display exists,
// so that notes can place themselves, and draw over the X connection rather
// than shared memory. What the user set stays as it is.
void SelectWindowSystem();
// Once the application object exists: the programs this one starts (a web
// browser) get the environment without those choices.
void WindowSystemStarted();
// Login name of the current user.
QString CurrentUserName();
// Folder whose sub-folders are the users' home folders.
QString ProfilesFolder();
// Lets the other users of this computer drop files into folder, our own,
// while only we may list, read or remove them. False when it was not done.
bool ShareDropFolder(const QString &folder);
// Runs write with the files it makes readable by their owner and their
// folder's group only, whatever the user's settings, so that the owner of a
// shared drop folder can read what was dropped there and nobody else can.
bool WriteForDropFolderOwner(const std::function<bool()> &write);
// Opens file for reading; false when it cannot be opened. Where the system
// allows it, the open does not wait for a writer, as opening a FIFO would.
bool OpenForReading(QFile &file);
// Per-user folder for the running-copy socket; "" when no private one exists.
QString RuntimeFolder();
// IPv4 address of the interface carrying the default route; "" when none.
QString DefaultRouteAddress();
// The running processes of the current user.
QList<ProcessInfo> RunningProcesses();
// Asks the window manager to leave a shown window off the taskbar and pager
// (a tool window flag alone does not, on some window managers).
void KeepOffTaskbar(QWidget *window);
// Asks the window manager to show a shown window on every workspace.
void ShowOnEveryWorkspace(QWidget *window);
// Lets a window give back its copy of what it drew once it is still, where the
// window system keeps that on screen and asks again for what it loses (X11);
// the window is then drawn again when asked. Elsewhere it does nothing.
void ReleasePixelsWhenStill(QWidget *window);
// True when a tray host is there for the program's icon: an XEmbed system
// tray or a panel hosting StatusNotifierItems. Where it cannot tell (off
// X11) it answers true.
bool TrayHostPresent();
// Runs changed, while context lives, whenever a tray host may have come or
// gone: an XEmbed system tray taking or leaving its selection, a
// StatusNotifierWatcher appearing on or leaving the session bus, a panel
// registering with that watcher as host or leaving it.
void OnTrayHostChange(QObject *context, std::function<void()> changed);
bool TerminateProcess(qint64 pid);
// Runs handler on the user-interface thread when the system asks the program
// to end (SIGTERM, SIGINT, SIGHUP), instead of ending it on the spot.
void OnTerminationRequest(std::function<void()> handler);
// Runs handler once when the connection to the display breaks, at the last
// moment the program can act: the window system ends it right after.
void OnDisplayLost(std::function<void()> handler);
// A write beyond the file-size limit fails (EFBIG) like a full disk instead of
// ending the program (SIGXFSZ).
void FailWritesBeyondFileSizeLimit();
// Makes a rename or a new file in the folder survive a power cut; a failure
// only loses that guarantee.
void SyncFolder(const QString &folder);

} // namespace platform
