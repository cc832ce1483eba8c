#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QtCore/qnamespace.h>
#include <functional>

class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// The contact list, presence answers and what the contacts window, its
// dialog and the locator share.
namespace modContacts {

struct Contact
{
    QString address;
    QString name;
};

// What a contact row shows: picture 3 until the contact answers, then 4.
enum Picture { Asleep = 3, Online = 4 };
// The row's picture number is kept in this role of its first column.
inline constexpr int PictureRole = Qt::UserRole;
// A row of the columns Name and IP.
QTreeWidgetItem *ContactRow(const Contact &contact, Picture picture);
void ShowPicture(QTreeWidgetItem *row, Picture picture);

// The entries of a stored list (address + "(" + name + ")" joined by "|"),
// in stored order. An entry without "(" or without ")" after it names
// nobody and is skipped.
QList<Contact> ReadContactList(const QString &list);

// The senders of the entries collected in a reply accumulator, which is
// emptied. Entries without a sender header are skipped.
QList<Contact> TakeReplies(QString &replies);

// A sentence saying why name and address cannot go into the stored list,
// "" when they can.
QString ContactTextProblem(const QString &name, const QString &address);

// Where a window of size goes over owner (frame, pixels): centred on it, or
// centred on the screen when it would cross the screen's right or bottom
// edge; past the left or top edge it stays 200 twips inside.
QPoint PlacementOver(const QRect &owner, const QRect &screen, const QSize &size);
// Moves window there, over owner on owner's screen.
void PlaceOver(QWidget *window, const QWidget *owner);

// The list of the contacts window and the locator: columns Name and IP, one
// row selectable at a time.
QTreeWidget *NewContactList(QWidget *window);
// A button that tests and people find by name.
QPushButton *NewButton(QWidget *window, const char *name, const QString &caption);
// The timer that looks at a reply collector every 200 ms.
QTimer *NewCollectTimer(QWidget *window, const char *name);
// A double click on a row of list, or Return on it, runs action.
void OnRowActivated(QTreeWidget *list, const std::function<void()> &action);
// Fits every column of list to the wider of its header and its contents.
void FitColumns(QTreeWidget *list);

// Opens the contacts window, or raises it when it is open already.
void OpenContacts();

} // namespace modContacts
