#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;
class winContacts;

// Adds a contact to the contacts window, or changes its selected one. The
// locator (Browse...) can fill both fields.
class winContactsAddEdit final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(winContactsAddEdit)

public:
    // mode is "Add" or "Edit"; the fields start with the window's contactName
    // and contactIP. Opened with open(), it blocks only the contacts window.
    winContactsAddEdit(winContacts *contacts, const QString &mode);
    ~winContactsAddEdit() override;

    const QString tag;
    QLineEdit *NameTextBox = nullptr;
    QLineEdit *IPTextBox = nullptr;
    QPushButton *Command1 = nullptr; // OK
    QPushButton *Command2 = nullptr; // Cancel
    QPushButton *Command3 = nullptr; // Browse...

private:
    void Command1_Click();
    void Command3_Click();

    winContacts *m_contacts;
};
