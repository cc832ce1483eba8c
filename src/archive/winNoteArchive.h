#pragma once

#include <QIcon>
#include <QList>
#include <QStringList>
#include <QWidget>

class QFrame;
class QPushButton;
class QTimer;
class QTreeWidget;

// The note archive: lists the notes in the Archive folder with the start of
// their text and the date they were archived, restores one to the desktop or
// deletes it for good. Notes archived while it is open are added.
class winNoteArchive final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(winNoteArchive)

public:
    // Builds the list from the Archive folder and shows the window.
    winNoteArchive();
    ~winNoteArchive() override;

    // Rebuilds the list when the number of archived notes changed; otherwise
    // the rows and the user's selection stay.
    void RefreshListView();

    QFrame *Shape2 = nullptr;
    QTreeWidget *ListView = nullptr;
    // Image 1 is every row's icon.
    QList<QIcon> ImageList;
    QPushButton *Command1 = nullptr;  // Restore Note
    QPushButton *Command2 = nullptr;  // Delete Note
    QPushButton *AddButton = nullptr; // Close
    // Together they look at the Archive folder every 500 ms.
    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;

    // Full path of the archive file of each row, in row order.
    QStringList archivedFiles;
    // Rows after the last fill, restore or delete.
    int listedCount = 0;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateControls();
    void Form_Load();
    void FillArchiveList();
    void SizeArchiveColumns();
    // Checks the folder and hands the next check to the other timer.
    void CheckAndHandOver(QTimer *from, QTimer *to);
    void Command1_Click();
    void Command2_Click();
    // Row of the selected note; -1 when the user selected none.
    int SelectedRow() const;
    // Drops a row and its path and selects the row above it.
    void RemoveArchivedRow(int row);
    // Restore and Delete act on a selected row only.
    void EnableCommands();
};
