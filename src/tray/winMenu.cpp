#include "tray/winMenu.h"

#include "about/modAbout.h"
#include "archive/modArchive.h"
#include "core/Globals.h"
#include "core/ModMain.h"
#include "core/SettingKeys.h"
#include "core/modINI.h"
#include "core/modText.h"
#include "editor/modEditor.h"
#include "notes/modNoteCommands.h"
#include "options/modOptions.h"
#include "tray/modTrayCommands.h"
#include "web/modUpdateCheck.h"
#include "web/modWebLinks.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QMenu>
#include <QTimer>

// The resources are in the static library; nothing would pull them in.
static void LoadProgramResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

winMenu *theMenuWindow = nullptr;

QAction *AddItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

void AddSeparator(QMenu *menu, const char *name)
{
    menu->addSeparator()->setObjectName(QLatin1String(name));
}

// The default item of a popup menu is shown bold.
void MakeDefault(QMenu *menu, QAction *action)
{
    menu->setDefaultAction(action);
    QFont bold = action->font();
    bold.setBold(true);
    action->setFont(bold);
}

// Each command acts on the note whose menu is open, named by the tag at the
// moment the item is chosen.
void ConnectNoteCommands(winMenu *menu)
{
    const auto wire = [menu](QAction *item, void (*command)(const QString &)) {
        QObject::connect(item, &QAction::triggered, menu, [menu, command] { command(menu->tag); });
    };
    wire(menu->EditNote, modNoteCommands::EditNote);
    wire(menu->QuickEditMode, modNoteCommands::QuickEditMode);
    wire(menu->ReplyToSender, modEditor::ReplyToSender);
    wire(menu->SetNoteToTop, modNoteCommands::SetNoteToTop);
    wire(menu->CopyToClipboard, modNoteCommands::CopyToClipboard);
    wire(menu->PrintNote, modNoteCommands::PrintNote);
    wire(menu->RemoveNote, modNoteCommands::RemoveNote);
}

} // namespace

winMenu *winMenu::Create()
{
    if (!theMenuWindow)
        theMenuWindow = new winMenu;
    return theMenuWindow;
}

winMenu *winMenu::Instance()
{
    return theMenuWindow;
}

winMenu::winMenu()
{
    setObjectName(QStringLiteral("winMenu"));
    setWindowIcon(ProgramIcon());
    ImageIcon = ProgramIcon();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(200);
    Timer1->setSingleShot(false);
    connect(Timer1, &QTimer::timeout, this, &winMenu::Timer1_Timer);

    BuildTrayMenu();
    BuildNoteMenu();
    ConnectTrayCommands();
    ConnectNoteCommands(this);
}

winMenu::~winMenu()
{
    if (theMenuWindow == this)
        theMenuWindow = nullptr;
}

QIcon winMenu::ProgramIcon()
{
    static const bool loaded = (LoadProgramResources(), true);
    Q_UNUSED(loaded);
    return QIcon(QStringLiteral(":/icons/zettlor.svg"));
}

QIcon winMenu::SmallWindowIcon()
{
    // Drawn once: Qt draws a scalable icon at four sizes up to 128 px for
    // every window it makes, twice, and the X server keeps 87 KB of it per
    // window; a thousand notes spent a second on that.
    const QIcon drawing = ProgramIcon();
    QIcon icon;
    for (const int side : {16, 32})
        icon.addPixmap(drawing.pixmap(side));
    return icon;
}

QIcon winMenu::TrayPicture(const QString &file)
{
    // QIcon takes any file and then draws nothing: an empty tray slot.
    return QImageReader(file).read().isNull() ? ProgramIcon() : QIcon(file);
}

void winMenu::BuildTrayMenu()
{
    TrayMenu = new QMenu(this);
    TrayMenu->setObjectName(QStringLiteral("TrayMenu"));
    Options = AddItem(TrayMenu, "Options", QStringLiteral("Options"));
    AddSeparator(TrayMenu, "sep111");
    CreateNote = AddItem(TrayMenu, "CreateNote", QStringLiteral("Create Note..."));
    Contacts = AddItem(TrayMenu, "Contacts", QStringLiteral("Contacts"));
    HideAllNotes = AddItem(TrayMenu, "HideAllNotes", QStringLiteral("Hide All Notes"));
    AddSeparator(TrayMenu, "sep99");
    NoteArchive = AddItem(TrayMenu, "NoteArchive", QStringLiteral("Note Archive"));
    AddSeparator(TrayMenu, "Sep5");
    AboutWindow = AddItem(TrayMenu, "AboutWindow", QStringLiteral("About Zettlor"));
    Help = TrayMenu->addMenu(QStringLiteral("Help"));
    Help->setObjectName(QStringLiteral("Help"));
    Help->menuAction()->setObjectName(QStringLiteral("Help"));
    ZettlorSupportForums = AddItem(Help, "ZettlorSupportForums", QStringLiteral("Zettlor Support Forums"));
    SendBugReport = AddItem(Help, "SendBugReport", QStringLiteral("Send Bug Report"));
    CheckForNewVersion = AddItem(TrayMenu, "CheckForNewVersion", QStringLiteral("Check for New Version"));
    AddSeparator(TrayMenu, "Sep4");
    VisitVT = AddItem(TrayMenu, "VisitVT", QStringLiteral("Visit Vantrel"));
    DonateToVT = AddItem(TrayMenu, "DonateToVT", QStringLiteral("Support Zettlor"));
    AddSeparator(TrayMenu, "sep1");
    Exit = AddItem(TrayMenu, "Exit", QStringLiteral("Exit"));
    MakeDefault(TrayMenu, Options);
}

void winMenu::ConnectTrayCommands()
{
    connect(Options, &QAction::triggered, this, [] { modOptions::OpenOptions(); });
    connect(CreateNote, &QAction::triggered, this, [] { modEditor::OpenCreateEditor(); });
    connect(Contacts, &QAction::triggered, this, [] { modTrayCommands::OpenContacts(); });
    connect(HideAllNotes, &QAction::triggered, this, [] { modTrayCommands::ToggleAllNotes(); });
    connect(NoteArchive, &QAction::triggered, this, [] { modArchive::OpenNoteArchive(); });
    connect(AboutWindow, &QAction::triggered, this, [] { modAbout::OpenAbout(); });
    connect(ZettlorSupportForums, &QAction::triggered, this, [] { modWebLinks::OpenSupportForums(); });
    connect(SendBugReport, &QAction::triggered, this, [] { modWebLinks::OpenBugReport(); });
    connect(CheckForNewVersion, &QAction::triggered, this, [] { modUpdateCheck::CheckForUpdate(true); });
    connect(VisitVT, &QAction::triggered, this, [this] {
        if (brandingUrl.isEmpty())
            modWebLinks::OpenMakerHomePage();
        else
            modWebLinks::OpenURL(brandingUrl);
    });
    connect(DonateToVT, &QAction::triggered, this, [] { modWebLinks::OpenDonatePage(); });
    connect(Exit, &QAction::triggered, this, &ModMain::ExitFromMenu);
}

void winMenu::ApplyBranding(const QString &aboutFile)
{
    if (!QFile::exists(aboutFile))
        return;
    const auto readAbout = [&](const SettingKeys::Key &key) {
        return modINI::ReadIni(QLatin1String(key.section), QLatin1String(key.key), aboutFile);
    };
    const QString url = readAbout(SettingKeys::AboutUrl);
    if (url.isEmpty())
        return;
    const QString name = readAbout(SettingKeys::AboutName);
    if (name.isEmpty())
        return;
    DonateToVT->setVisible(false);
    QString shown = modText::DecodeText(name);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    VisitVT->setText(QStringLiteral("Visit ") + shown);
    brandingUrl = modText::DecodeText(url);
}

void winMenu::TrayIcon_Notify(TrayNotification code, const QPoint &position)
{
    switch (code) {
    case TrayNotification::LeftButtonDown:
        if (!Timer1->isActive())
            Timer1->start();
        break;
    case TrayNotification::LeftButtonDoubleClick:
        // A double click slower than Timer1 already ran the single-click action.
        if (Timer1->isActive()) {
            Timer1->stop();
            modTrayCommands::PerformTrayAction(DoubleClickAction);
        }
        break;
    case TrayNotification::MiddleClick:
        Timer1->stop();
        modTrayCommands::PerformTrayAction(DoubleClickAction);
        break;
    case TrayNotification::RightButtonDown:
        ShowTrayMenu(position);
        break;
    }
}

void winMenu::ShowTrayMenu(const QPoint &position)
{
    QCoreApplication::processEvents();
    TrayMenu->setDefaultAction(Options);
    TrayMenu->popup(position);
}

void winMenu::Timer1_Timer()
{
    // Stopped before the action: an action that waits in a local event loop
    // must not see the timer fire again and repeat itself.
    Timer1->stop();
    modTrayCommands::PerformTrayAction(SingleClickAction);
}

void winMenu::BuildNoteMenu()
{
    NoteMenu = new QMenu(this);
    NoteMenu->setObjectName(QStringLiteral("NoteMenu"));
    EditNote = AddItem(NoteMenu, "EditNote", QStringLiteral("Open Note Editor"));
    QuickEditMode = AddItem(NoteMenu, "QuickEditMode", QStringLiteral("Quick Edit Mode"));
    ReplyToSender = AddItem(NoteMenu, "ReplyToSender", QStringLiteral("Reply to Sender..."));
    AddSeparator(NoteMenu, "sep12");
    SetNoteToTop = AddItem(NoteMenu, "SetNoteToTop", QStringLiteral("Set to On Top"));
    CopyToClipboard = AddItem(NoteMenu, "CopyToClipboard", QStringLiteral("Copy to Clipboard"));
    PrintNote = AddItem(NoteMenu, "PrintNote", QStringLiteral("Print..."));
    AddSeparator(NoteMenu, "Sep6");
    RemoveNote = AddItem(NoteMenu, "RemoveNote", QStringLiteral("Delete Note..."));
    MakeDefault(NoteMenu, EditNote);
}
