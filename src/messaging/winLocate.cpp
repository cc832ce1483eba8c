#include "messaging/winLocate.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "messaging/modContacts.h"
#include "messaging/modDatagram.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

winLocate::winLocate(QWidget *parent, const QWidget *contacts) : QDialog(parent)
{
    setObjectName(QStringLiteral("winLocate"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Zettlor Locator"));

    Label3 = new QLabel(QStringLiteral("The following Zettlor users have been discovered on your network.  "),
                        this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);
    // Created in the order the Tab key visits them.
    ListView = modContacts::NewContactList(this);
    AddButton = modContacts::NewButton(this, "AddButton", QStringLiteral("Add"));
    CancelButton = modContacts::NewButton(this, "CancelButton", QStringLiteral("Cancel"));
    AddButton->setEnabled(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(AddButton);
    buttons->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label3);
    layout->addWidget(ListView);
    layout->addLayout(buttons);
    resize(360, 260);

    LocateTimer = modContacts::NewCollectTimer(this, "LocateTimer");

    modContacts::OnRowActivated(ListView, [this] { PickSelectedRow(); });
    connect(AddButton, &QPushButton::clicked, this, &winLocate::PickSelectedRow);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(LocateTimer, &QTimer::timeout, this, &winLocate::LocateTimer_Timer);

    modContacts::PlaceOver(this, contacts);
    LocateTimer->start();
    QTimer::singleShot(0, this, &winLocate::BroadcastLocate);
}

winLocate::~winLocate() = default;

void winLocate::BroadcastLocate()
{
    modDatagram::CurrentSurroundings().Send(BroadcastAddress,
                                            modDatagram::PresenceText(QStringLiteral("helloall")));
}

void winLocate::LocateTimer_Timer()
{
    const QList<modContacts::Contact> senders = modContacts::TakeReplies(HelloReplies);
    if (senders.isEmpty())
        return;
    for (const modContacts::Contact &sender : senders) {
        ListView->addTopLevelItem(modContacts::ContactRow(sender, modContacts::Online));
        qCInfo(lcNet) << "located:" << sender.name << sender.address;
    }
    // Add picks the first answer unless the user chose another.
    if (!ListView->currentItem())
        ListView->setCurrentItem(ListView->topLevelItem(0));
    SizeLocatorColumns();
    AddButton->setEnabled(true);
}

void winLocate::SizeLocatorColumns()
{
    modContacts::FitColumns(ListView);
}

void winLocate::PickSelectedRow()
{
    const QList<QTreeWidgetItem *> selected = ListView->selectedItems();
    if (selected.isEmpty())
        return;
    emit Picked(selected.first()->text(0), selected.first()->text(1));
    accept();
}
