#include "messaging/winContactsAddEdit.h"

#include "core/modDialogs.h"
#include "messaging/modContacts.h"
#include "messaging/winContacts.h"
#include "messaging/winLocate.h"
#include "tray/modTrayCommands.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLineEdit *NamedTextBox(QWidget *window, const char *name, const QString &text)
{
    auto *box = new QLineEdit(text, window);
    box->setObjectName(QLatin1String(name));
    box->setMinimumWidth(200);
    return box;
}

void ShowInformation(const QString &text)
{
    modDialogs::ShowMessage(text, QMessageBox::Ok, QMessageBox::Information);
}

} // namespace

winContactsAddEdit::winContactsAddEdit(winContacts *contacts, const QString &mode)
    : QDialog(contacts), tag(mode), m_contacts(contacts)
{
    setObjectName(QStringLiteral("winContactsAddEdit"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Zettlor Contacts"));

    // Created in the order the Tab key visits them.
    NameTextBox = NamedTextBox(this, "NameTextBox", contacts->contactName);
    IPTextBox = NamedTextBox(this, "IPTextBox", contacts->contactIP);
    Command1 = modContacts::NewButton(this, "Command1", QStringLiteral("OK"));
    Command2 = modContacts::NewButton(this, "Command2", QStringLiteral("Cancel"));
    Command3 = modContacts::NewButton(this, "Command3", QStringLiteral("Browse..."));
    Command1->setDefault(true);

    auto *fields = new QFormLayout;
    fields->addRow(new QLabel(QStringLiteral("Name:"), this), NameTextBox);
    fields->addRow(new QLabel(QStringLiteral("IP Address:"), this), IPTextBox);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addStretch();
    buttons->addWidget(Command3);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Command1, &QPushButton::clicked, this, &winContactsAddEdit::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Command3, &QPushButton::clicked, this, &winContactsAddEdit::Command3_Click);

    adjustSize();
    modContacts::PlaceOver(this, contacts);
}

winContactsAddEdit::~winContactsAddEdit() = default;

void winContactsAddEdit::Command1_Click()
{
    const QString name = NameTextBox->text();
    const QString address = IPTextBox->text();
    if (name.isEmpty() || address.isEmpty()) {
        ShowInformation(QStringLiteral("The ''Name'' and ''IP Address'' fields must be completed."));
        return;
    }
    if (const QString problem = modContacts::ContactTextProblem(name, address); !problem.isEmpty()) {
        ShowInformation(problem);
        return;
    }
    if (m_contacts->ApplyContact(tag, name, address)) {
        // The message stands alone, once the dialog has gone.
        modTrayCommands::HideFormAndWait(this);
        ShowInformation(QStringLiteral("The entered contact already exists in the Zettlor Contacts list."));
    }
    accept();
}

void winContactsAddEdit::Command3_Click()
{
    auto *locator = new winLocate(this, m_contacts);
    connect(locator, &winLocate::Picked, this, [this](const QString &name, const QString &address) {
        NameTextBox->setText(name);
        IPTextBox->setText(address);
    });
    locator->open();
}
