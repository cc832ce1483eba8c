#include "messaging/winContacts.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "core/SettingKeys.h"
#include "core/modDialogs.h"
#include "core/modSettings.h"
#include "editor/modEditor.h"
#include "messaging/modContacts.h"
#include "messaging/modDatagram.h"
#include "messaging/modReceive.h"
#include "messaging/modSend.h"
#include "messaging/winContactsAddEdit.h"
#include "platform/Platform.h"
#include "tray/winMenu.h"

#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

namespace {

const QString kLocalUser = QStringLiteral("Local User");

} // namespace

winContacts::winContacts()
{
    setObjectName(QStringLiteral("winContacts"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Zettlor Contacts"));
    // Also makes the program's resources available for the pictures.
    setWindowIcon(winMenu::ProgramIcon());
    CreateControls();
    Form_Load();
}

winContacts::~winContacts() = default;

void winContacts::CreateControls()
{
    ListView = modContacts::NewContactList(this);

    // Created in the order the Tab key visits them.
    AddButton = modContacts::NewButton(this, "AddButton", QStringLiteral("Add"));
    EditButton = modContacts::NewButton(this, "EditButton", QStringLiteral("Edit"));
    RemoveButton = modContacts::NewButton(this, "RemoveButton", QStringLiteral("Delete"));
    CancelButton = modContacts::NewButton(this, "CancelButton", QStringLiteral("Close"));
    EditButton->setEnabled(false);
    RemoveButton->setEnabled(false);

    Label3 = new QLabel(
        QStringLiteral("You can only send notes to remote Zettlor users that are currently online."), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);

    auto *layout = new QGridLayout(this);
    layout->addWidget(ListView, 0, 0, 5, 1);
    layout->addWidget(AddButton, 0, 1);
    layout->addWidget(EditButton, 1, 1);
    layout->addWidget(RemoveButton, 2, 1);
    layout->setRowStretch(3, 1);
    layout->addWidget(CancelButton, 4, 1);
    layout->addWidget(Label3, 5, 0, 1, 2);
    setMinimumSize(236, 236);
    resize(380, 300);

    PingTimer = modContacts::NewCollectTimer(this, "PingTimer");

    modContacts::OnRowActivated(ListView, [this] { ListView_DblClick(); });
    connect(AddButton, &QPushButton::clicked, this, &winContacts::AddButton_Click);
    connect(EditButton, &QPushButton::clicked, this, &winContacts::EditButton_Click);
    connect(RemoveButton, &QPushButton::clicked, this, &winContacts::RemoveButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &QWidget::close);
    connect(PingTimer, &QTimer::timeout, this, &winContacts::PingTimer_Timer);
    connect(modReceive::ContactChanges(), &modReceive::ContactEvents::SenderAdded, this,
            &winContacts::AddSenderRow);
}

void winContacts::Form_Load()
{
    // Each row goes on top, as it is read; the sort then puts it in place.
    QList<QTreeWidgetItem *> rows = LoadNetworkContacts() + LoadLocalUsers();
    std::reverse(rows.begin(), rows.end());
    std::stable_sort(rows.begin(), rows.end(), [](const QTreeWidgetItem *a, const QTreeWidgetItem *b) {
        return a->text(0).compare(b->text(0), Qt::CaseInsensitive) < 0;
    });
    ListView->addTopLevelItems(rows);
    if (!rows.isEmpty())
        ListView->setCurrentItem(rows.first());
    ResizeListViewColumns();
    EnableCommands();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    PingTimer->start();
    QTimer::singleShot(0, this, &winContacts::PingContacts);
}

QList<QTreeWidgetItem *> winContacts::LoadNetworkContacts() const
{
    QList<QTreeWidgetItem *> rows;
    const QList<modContacts::Contact> contacts = modContacts::ReadContactList(ContactList);
    for (const modContacts::Contact &contact : contacts)
        rows << modContacts::ContactRow(contact, modContacts::Asleep);
    return rows;
}

QList<QTreeWidgetItem *> winContacts::LoadLocalUsers() const
{
    QList<QTreeWidgetItem *> rows;
    const QStringList users = QDir(platform::ProfilesFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &user : users) {
        if (user == UserName)
            continue;
        const QString folder = modSend::LocalUserDataFolder(user);
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            rows << modContacts::ContactRow({kLocalUser, user}, modContacts::Asleep);
    }
    return rows;
}

void winContacts::SaveContacts()
{
    QStringList entries;
    for (int index = 0; index < ListView->topLevelItemCount(); ++index) {
        const QTreeWidgetItem *row = ListView->topLevelItem(index);
        if (row->text(1) != kLocalUser)
            entries << row->text(1) + QLatin1Char('(') + row->text(0) + QLatin1Char(')');
    }
    ContactList = entries.join(QLatin1Char('|'));
    modSettings::WriteSetting(SettingKeys::Contacts, ContactList);
}

void winContacts::PingContacts()
{
    // Answers to an earlier round would mark nothing new.
    PongReplies.clear();
    const modDatagram::Surroundings &s = modDatagram::CurrentSurroundings();
    const QList<modContacts::Contact> contacts = modContacts::ReadContactList(ContactList);
    for (const modContacts::Contact &contact : contacts)
        s.Send(contact.address, modDatagram::PresenceText(QStringLiteral("ping")));
}

void winContacts::ResizeListViewColumns()
{
    modContacts::FitColumns(ListView);
}

void winContacts::PingTimer_Timer()
{
    const QList<modContacts::Contact> senders = modContacts::TakeReplies(PongReplies);
    for (const modContacts::Contact &sender : senders) {
        QTreeWidgetItem *row = RowWithAddress(sender.address);
        if (row && row->data(0, modContacts::PictureRole) != modContacts::Online) {
            modContacts::ShowPicture(row, modContacts::Online);
            qCInfo(lcNet) << "contact online:" << sender.address;
        }
    }
}

void winContacts::ListView_DblClick()
{
    const QTreeWidgetItem *row = SelectedRow();
    // Label3 tells why nothing happens for the others.
    if (row && (row->data(0, modContacts::PictureRole) == modContacts::Online || row->text(1) == kLocalUser))
        modEditor::OpenSendEditor(row->text(1), row->text(0), 0);
}

void winContacts::AddButton_Click()
{
    contactName.clear();
    contactIP.clear();
    OpenContactDialog(QStringLiteral("Add"));
}

QTreeWidgetItem *winContacts::ChangeableRow(const QString &refusal) const
{
    QTreeWidgetItem *row = SelectedRow();
    // Local users are found on disk, not stored: nothing to change.
    if (row && row->text(1) == kLocalUser) {
        modDialogs::ShowMessage(refusal, QMessageBox::Ok, QMessageBox::Information);
        return nullptr;
    }
    return row;
}

void winContacts::EditButton_Click()
{
    const QTreeWidgetItem *row = ChangeableRow(QStringLiteral("The selected contact cannot be edited."));
    if (!row)
        return;
    contactName = row->text(0);
    contactIP = row->text(1);
    OpenContactDialog(QStringLiteral("Edit"));
}

void winContacts::RemoveButton_Click()
{
    if (!ChangeableRow(QStringLiteral("The selected contact cannot be deleted.")))
        return;
    if (modDialogs::ShowMessage(QStringLiteral("Are you sure you want to delete the selected contact?"),
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::NoIcon) != QMessageBox::Yes)
        return;
    // The question let events run: find the row again.
    const int index = ListView->indexOfTopLevelItem(SelectedRow());
    if (index < 0)
        return;
    delete ListView->takeTopLevelItem(index);
    if (ListView->topLevelItemCount() > 0)
        ListView->setCurrentItem(ListView->topLevelItem(qMax(index - 1, 0)));
    EnableCommands();
    contactsChanged = true;
}

void winContacts::OpenContactDialog(const QString &mode)
{
    auto *dialog = new winContactsAddEdit(this, mode);
    connect(dialog, &QDialog::finished, this, [this, mode] {
        if (!contactsChanged)
            return;
        if (mode == QLatin1String("Edit"))
            ResizeListViewColumns();
        SaveContacts();
        // Now stored, a new or changed address is pinged too.
        PingContacts();
    });
    dialog->open();
}

bool winContacts::ApplyContact(const QString &mode, const QString &name, const QString &address)
{
    bool existed = false;
    if (mode == QLatin1String("Add")) {
        // The address alone says whether the contact is listed.
        existed = RowWithAddress(address) != nullptr;
        if (!existed) {
            ListView->addTopLevelItem(modContacts::ContactRow({address, name}, modContacts::Asleep));
            if (!SelectedRow())
                ListView->setCurrentItem(ListView->topLevelItem(ListView->topLevelItemCount() - 1));
            ResizeListViewColumns();
        }
    } else if (QTreeWidgetItem *row = SelectedRow()) {
        // Another address has not answered yet.
        if (row->text(1) != address)
            modContacts::ShowPicture(row, modContacts::Asleep);
        row->setText(0, name);
        row->setText(1, address);
    }
    contactsChanged = true;
    EnableCommands();
    return existed;
}

void winContacts::AddSenderRow(const QString &address, const QString &name)
{
    if (RowWithAddress(address))
        return;
    ListView->addTopLevelItem(modContacts::ContactRow({address, name}, modContacts::Asleep));
    ResizeListViewColumns();
    EnableCommands();
}

QTreeWidgetItem *winContacts::RowWithAddress(const QString &address) const
{
    for (int index = 0; index < ListView->topLevelItemCount(); ++index) {
        if (ListView->topLevelItem(index)->text(1) == address)
            return ListView->topLevelItem(index);
    }
    return nullptr;
}

QTreeWidgetItem *winContacts::SelectedRow() const
{
    const QList<QTreeWidgetItem *> selected = ListView->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void winContacts::EnableCommands()
{
    const bool rows = ListView->topLevelItemCount() > 0;
    EditButton->setEnabled(rows);
    RemoveButton->setEnabled(rows);
}

void winContacts::closeEvent(QCloseEvent *event)
{
    PingTimer->stop();
    if (contactsChanged)
        SaveContacts();
    event->accept();
}
