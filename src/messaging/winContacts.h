#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

// The contacts: the stored network contacts and the other users of this
// computer. Stored contacts are pinged when the window opens and marked
// online as they answer; a double click on an online contact or a local user
// starts a note to them.
class winContacts final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(winContacts)

public:
    // Lists the contacts, shows the window and pings them.
    winContacts();
    ~winContacts() override;

    // One ping to every stored contact; the answers are collected afresh.
    void PingContacts();
    void ResizeListViewColumns();
    // What the contact dialog's OK entered, in its mode "Add" or "Edit".
    // True when an Add found the address listed already.
    bool ApplyContact(const QString &mode, const QString &name, const QString &address);

    QTreeWidget *ListView = nullptr;
    QPushButton *AddButton = nullptr;
    QPushButton *EditButton = nullptr;
    QPushButton *RemoveButton = nullptr; // Delete
    QPushButton *CancelButton = nullptr; // Close
    QLabel *Label3 = nullptr;
    QTimer *PingTimer = nullptr;

    // What the contact dialog starts with.
    QString contactName;
    QString contactIP;
    // Rows were added, edited or deleted: they are stored when the window closes.
    bool contactsChanged = false;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateControls();
    void Form_Load();
    QList<QTreeWidgetItem *> LoadNetworkContacts() const;
    QList<QTreeWidgetItem *> LoadLocalUsers() const;
    void SaveContacts();
    void PingTimer_Timer();
    void ListView_DblClick();
    void AddButton_Click();
    void EditButton_Click();
    void RemoveButton_Click();
    void OpenContactDialog(const QString &mode);
    // A note's sender that was stored while the window is open.
    void AddSenderRow(const QString &address, const QString &name);
    QTreeWidgetItem *RowWithAddress(const QString &address) const;
    QTreeWidgetItem *SelectedRow() const;
    // The selected row, unless it is a local user: then refusal is shown.
    QTreeWidgetItem *ChangeableRow(const QString &refusal) const;
    // Edit and Delete need a row.
    void EnableCommands();
};
