#include "tray/winMenu.h"

#include "core/ModMain.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

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

    BuildTrayMenu();
    BuildNoteMenu();
}

winMenu::~winMenu()
{
    delete TrayMenu;
    delete NoteMenu;
    if (theMenuWindow == this)
        theMenuWindow = nullptr;
}

QIcon winMenu::ProgramIcon()
{
    return QIcon(QStringLiteral(":/icons/zettlor.svg"));
}

void winMenu::BuildTrayMenu()
{
    TrayMenu = new QMenu;
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

    connect(Exit, &QAction::triggered, this, [] { ModMain::ExitProgram(); });
}

void winMenu::BuildNoteMenu()
{
    NoteMenu = new QMenu;
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
