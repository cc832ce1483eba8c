#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;

// Finds the other copies on the network: one "helloall" goes to the
// broadcast address when the window opens, and every "hello" that comes back
// is listed. Picking a row hands its name and address on.
class winLocate final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(winLocate)

public:
    // Placed over contacts; opened with open(), it blocks only parent.
    winLocate(QWidget *parent, const QWidget *contacts);
    ~winLocate() override;

    QLabel *Label3 = nullptr;
    QTreeWidget *ListView = nullptr;
    QPushButton *AddButton = nullptr;
    QPushButton *CancelButton = nullptr;
    QTimer *LocateTimer = nullptr;

signals:
    // The row the user picked; the window closes after it.
    void Picked(const QString &name, const QString &address);

private:
    void BroadcastLocate();
    void LocateTimer_Timer();
    void SizeLocatorColumns();
    void PickSelectedRow();
};
