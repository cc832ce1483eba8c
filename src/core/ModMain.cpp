#include "core/ModMain.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "core/SettingKeys.h"
#include "core/modAlerts.h"
#include "core/modDialogs.h"
#include "core/modExplorerMonitor.h"
#include "core/modFiles.h"
#include "core/modProcessKiller.h"
#include "core/modSettings.h"
#include "core/modStartWithWindows.h"
#include "editor/modFontList.h"
#include "messaging/modEndpoint.h"
#include "messaging/modReceive.h"
#include "messaging/modSend.h"
#include "notes/modMisc.h"
#include "notes/winNote.h"
#include "platform/Platform.h"
#include "tray/modTrayIcon.h"
#include "tray/winMenu.h"
#include "web/modUpdateCheck.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QSessionManager>
#include <QStandardPaths>

using namespace modSettings;

namespace ModMain {
namespace {

// Files older releases left in the program folder. "Settings.ini" is not
// among them: in portable mode it is the live settings store.
const char *const kLegacyFiles[] = {"NewNote.wav",        "Note1.gif",   "Note2.gif",
                                    "Note3.gif",          "Note4.gif",   "Note5.gif",
                                    "Note6.gif",          "Note7.gif",   "Note8.gif",
                                    "ZLserver.exe",       "Zettlor.exe", "Zettlor Control Center.exe",
                                    "ZettlorLauncher.exe"};

QString ProgramFile(const QString &name)
{
    return ProgramFolder + QLatin1Char('/') + name;
}

void LoadTrayPicture(winMenu *menu)
{
    const QString iconFile = ReadSetting(SettingKeys::Icon);
    if (iconFile.isEmpty())
        return;
    menu->ImageIcon = winMenu::TrayPicture(iconFile);
}

void ReadSettingsIntoGlobals()
{
    SingleClickAction = ReadSettingOrDefault(SettingKeys::SingleClickAction);
    DoubleClickAction = ReadSettingOrDefault(SettingKeys::DoubleClickAction);
    ShowIncomingNoteAlert = IsOn(ReadSetting(SettingKeys::DisplayIncomingNoteAlert));
    ShowSentNoteAlert = IsOn(ReadSetting(SettingKeys::DisplaySentNoteAlert));
    NotesAlwaysOnTop = IsExactlyTrue(ReadSetting(SettingKeys::AlwaysDisplayNotesOnTop));
    EventSounds[0] = ReadSettingOrDefault(SettingKeys::SoundNoteSent);
    EventSounds[1] = ReadSettingOrDefault(SettingKeys::SoundNoteReceived);
    EventSounds[2] = ReadSettingOrDefault(SettingKeys::SoundNoteCopiedToClipboard);
}

// False when the program must end because the port is taken.
bool BindUdpEndpoint()
{
    if (modEndpoint::BindEndpoint() != modEndpoint::BindResult::PortInUse)
        return true;
    modDialogs::ShowMessage(QStringLiteral("Port %1 is currently in use by another program.  That\r\n"
                                           "program must be closed before Zettlor can be launched.")
                                .arg(UdpPort),
                            QMessageBox::Ok, QMessageBox::Information);
    return false;
}

void RunDailyReleaseCheck()
{
    if (!IsExactlyTrue(ReadSetting(SettingKeys::CheckForNewUpdates)))
        return;
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    if (ReadSetting(SettingKeys::CheckForNewUpdatesDate) == today)
        return;
    WriteSetting(SettingKeys::CheckForNewUpdatesDate, today);
    if (!IsExactlyTrue(ReadSetting(SettingKeys::OnlyDownloadWhenConnected)) ||
        modUpdateCheck::IsInternetConnected())
        modUpdateCheck::CheckForUpdate(false);
}

// False when a note could not be written: its latest change is only on screen.
bool SaveAllNotes()
{
    bool allSaved = true;
    for (winNote *note : winNote::AllNotes())
        allSaved = note->SavePendingChanges() && allSaved;
    return allSaved;
}

// Set by ExitProgram; start-up asked to end returns instead of entering the
// event loop, with the status the end would have had.
bool exitRequested = false;
int exitStatus = 0;

// The session manager's "die" arrives as a Quit event: it ends the program
// the way the tray's Exit does, not by closing the windows one by one.
class QuitAsExit final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != qApp || event->type() != QEvent::Quit)
            return false;
        ExitProgram();
        return true;
    }
};

} // namespace

// Every save request of the session manager saves: Qt asks for commitData on
// "Global" and "Both", for saveState on "Local" and "Both".
void ListenForTermination()
{
    platform::OnTerminationRequest(&ExitProgram);
    platform::OnDisplayLost(&SaveAllNotes);
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp,
                     [](QSessionManager &) { SaveAllNotes(); });
    QObject::connect(qApp, &QGuiApplication::saveStateRequest, qApp,
                     [](QSessionManager &) { SaveAllNotes(); });
    qApp->installEventFilter(new QuitAsExit(qApp));
}

void SettleDataFolder()
{
    PortableMode = QFile::exists(PortableSettingsFile());
    if (PortableMode) {
        DataFolder = ProgramFolder;
        return;
    }
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    DataFolder = dataHome + QStringLiteral("/Zettlor");
}

void ApplyCommandLineFolder(QString folder)
{
    folder = folder.trimmed();
    if (folder.isEmpty())
        return;
    if (folder.size() > 1 && (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))))
        folder.chop(1);
    DataFolder = folder;
    if (QDir(folder).entryList(QDir::Files).isEmpty())
        modFiles::MakeFolder(folder);
}

void HandleVersionChange()
{
    if (ReadSetting(SettingKeys::Version) == ProgramVersion)
        return;
    modStartWithWindows::MigrateLegacyNotes();
    // The migration removes the older release's entry, which has the current
    // name: whoever chose to start at logon keeps it, now for this executable.
    if (!PortableMode && IsExactlyTrue(ReadSetting(SettingKeys::StartWithWindows)))
        modStartWithWindows::RegisterStartAtLogon();
    WriteSetting(SettingKeys::Version, ProgramVersion);
    modProcessKiller::KillLegacyProcesses();
    for (const char *name : kLegacyFiles)
        modFiles::DeleteFile(ProgramFile(QLatin1String(name)));
    QCoreApplication::processEvents();
}

void AskForReleaseCheckConsent()
{
    const QString checking = ReadSetting(SettingKeys::CheckForNewUpdates);
    if (checking.isEmpty()) {
        WriteSetting(SettingKeys::CheckForNewUpdates, QStringLiteral("True"));
        WriteSetting(SettingKeys::CheckForNewUpdatesPrompted, QStringLiteral("True"));
        return;
    }
    if (checking != QLatin1String("False") || !ReadSetting(SettingKeys::CheckForNewUpdatesPrompted).isEmpty())
        return;
    const auto answer = modDialogs::ShowMessage(
        QStringLiteral("Zettlor is not currently set to automatically alert you when\r\n"
                       "new releases are available.\r\n\r\n"
                       "Would you like to enable this feature now?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Information);
    if (answer == QMessageBox::Yes)
        WriteSetting(SettingKeys::CheckForNewUpdates, QStringLiteral("True"));
    WriteSetting(SettingKeys::CheckForNewUpdatesPrompted, QStringLiteral("True"));
}

void RegisterOnFirstRun()
{
    if (PortableMode || !ReadSetting(SettingKeys::StartWithWindows).isEmpty())
        return;
    WriteSetting(SettingKeys::StartWithWindows, QStringLiteral("True"));
    modStartWithWindows::RegisterStartAtLogon();
}

std::optional<int> Main(const CommandLine &commandLine)
{
    if (modExplorerMonitor::NotifyRunningCopy())
        return 0;
    winMenu *menu = winMenu::Create();
    // Notes, message boxes and dialogs show the program's picture too.
    QApplication::setWindowIcon(winMenu::SmallWindowIcon());
    // Two copies started together: the one that lost the socket hands over.
    if (!modExplorerMonitor::StartExplorerMonitor(&modTrayIcon::AnswerSecondStart)) {
        modExplorerMonitor::NotifyRunningCopy();
        return 0;
    }
    BindAddress = commandLine.bindAddress;
    UdpPort = commandLine.port;
    BroadcastAddress = commandLine.broadcastAddress;

    SettleDataFolder();
    UserName = platform::CurrentUserName();
    UserPathTemplate = modSend::ComputeUserPathTemplate();
    ApplyCommandLineFolder(commandLine.dataFolder);
    LoadTrayPicture(menu);
    menu->ApplyBranding(modFiles::ProgramDataFile(QStringLiteral("About.ini")));
    ReadSettingsIntoGlobals();
    modTrayIcon::AddTrayIcon();
    modAlerts::SetAlertPresenter(&modTrayIcon::ShowTrayBalloon);
    WhenDeletingNotes = ReadSettingOrDefault(SettingKeys::WhenDeletingNotes);
    // First the folders: the font list of an installed program lives there.
    modFiles::CreateDataFolders();
    if (!QFile::exists(modFontList::FontListFile()))
        modFontList::BuildFontList();
    HandleVersionChange();
    // Before loading: thousands of notes take seconds, and a signal or the
    // tray's Exit in a loading pass ends start-up there.
    ListenForTermination();
    modMisc::LoadAllNotes([] { return exitRequested; });
    if (exitRequested)
        return exitStatus;
    if (!platform::ShareDropFolder(modFiles::IncomingFolder()))
        qCInfo(lcCore) << "other local users cannot drop notes into" << modFiles::IncomingFolder();
    modReceive::ImportIncomingNotes();
    ContactList = ReadSetting(SettingKeys::Contacts);
    if (!BindUdpEndpoint())
        return 1;
    AskForReleaseCheckConsent();
    RunDailyReleaseCheck();
    RegisterOnFirstRun();
    ProcessId = QCoreApplication::applicationPid();
    // A signal during start-up's questions and waits: the event loop would
    // not notice that it was asked to end.
    if (exitRequested)
        return exitStatus;
    qCInfo(lcCore) << "started; data folder" << DataFolder;
    return std::nullopt;
}

void ExitFromMenu()
{
    // The user may still make room or copy the text, so ask before ending.
    if (!SaveAllNotes() &&
        modDialogs::ShowMessage(QStringLiteral("A note could not be saved. If Zettlor ends now, its latest "
                                               "changes are lost.\r\n\r\nEnd Zettlor anyway?"),
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning,
                                QStringLiteral("Zettlor"), QMessageBox::No) != QMessageBox::Yes)
        return;
    ExitProgram();
}

void ExitProgram()
{
    exitRequested = true;
    modTrayIcon::RemoveTrayIcon();
    modExplorerMonitor::StopExplorerMonitor();
    // Nothing moved or typed is lost: a note still waiting for its autosave
    // or being edited in place is written before the windows close. What
    // cannot be written makes the end a failure.
    if (!SaveAllNotes()) {
        qCWarning(lcCore) << "ending with a note that could not be saved: its latest changes are lost";
        exitStatus = 1;
    }
    // A question still open (the delete question of a note) is answered so
    // that its caller changes nothing.
    modDialogs::AnswerAllSafely();
    // The windows stay until the process ends (see main): the menu whose Exit
    // item runs this, or the caller of an open dialog, is still on the stack.
    QCoreApplication::exit(exitStatus);
}

} // namespace ModMain
