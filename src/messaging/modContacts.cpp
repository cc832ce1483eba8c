#include "messaging/modContacts.h"

#include "core/modWindows.h"
#include "messaging/modDatagram.h"
#include "messaging/modReceive.h"
#include "messaging/winContacts.h"

#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QTreeWidget>

namespace modContacts {
namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kNearEdge = 200 / kTwipsPerPixel;
constexpr int kCollectInterval = 200; // ms

// The face stays as drawn on a selected row; the style would tint it.
QIcon Face(const QString &file)
{
    QIcon face(file);
    face.addFile(file, QSize(), QIcon::Selected);
    return face;
}

} // namespace

QTreeWidgetItem *ContactRow(const Contact &contact, Picture picture)
{
    auto *row = new QTreeWidgetItem({contact.name, contact.address});
    ShowPicture(row, picture);
    return row;
}

void ShowPicture(QTreeWidgetItem *row, Picture picture)
{
    static const QIcon asleep = Face(QStringLiteral(":/icons/contact-asleep.svg"));
    static const QIcon online = Face(QStringLiteral(":/icons/contact-online.svg"));
    row->setIcon(0, picture == Online ? online : asleep);
    row->setData(0, PictureRole, int(picture));
}

QList<Contact> ReadContactList(const QString &list)
{
    QList<Contact> contacts;
    const QStringList entries = list.split(QLatin1Char('|'));
    for (const QString &entry : entries) {
        const qsizetype open = entry.indexOf(QLatin1Char('('));
        if (open < 0 || entry.indexOf(QLatin1Char(')'), open) < 0)
            continue;
        // The name runs to the last character, which closes it.
        contacts.append({entry.left(open), entry.mid(open + 1, entry.size() - open - 2)});
    }
    return contacts;
}

QList<Contact> TakeReplies(QString &replies)
{
    QList<Contact> senders;
    const QStringList entries = std::exchange(replies, QString()).split(QLatin1Char('|'));
    for (const QString &entry : entries) {
        modDatagram::Header header;
        if (modDatagram::ParseHeader(entry, &header))
            senders.append({header.address, header.name});
    }
    return senders;
}

QString ContactTextProblem(const QString &name, const QString &address)
{
    // Either would split the stored entry, and the contact would be lost.
    if (!modReceive::IsStorableName(name))
        return QStringLiteral("The ''Name'' field cannot contain ''|'' or control characters.");
    if (!modReceive::IsStorableName(address) || address.contains(QLatin1Char('(')))
        return QStringLiteral("The ''IP Address'' field cannot contain ''('', ''|'' or control characters.");
    return QString();
}

QPoint PlacementOver(const QRect &owner, const QRect &screen, const QSize &size)
{
    QPoint place(owner.left() + (owner.width() - size.width()) / 2,
                 owner.top() + (owner.height() - size.height()) / 2);
    if (place.x() + size.width() > screen.right() + 1 || place.y() + size.height() > screen.bottom() + 1)
        return screen.topLeft() +
               QPoint((screen.width() - size.width()) / 2, (screen.height() - size.height()) / 2);
    if (place.x() < screen.left())
        place.setX(screen.left() + kNearEdge);
    if (place.y() < screen.top())
        place.setY(screen.top() + kNearEdge);
    return place;
}

void PlaceOver(QWidget *window, const QWidget *owner)
{
    const QScreen *screen = owner->screen();
    if (screen)
        window->move(PlacementOver(owner->frameGeometry(), screen->geometry(), window->size()));
}

QTreeWidget *NewContactList(QWidget *window)
{
    auto *list = new QTreeWidget(window);
    list->setObjectName(QStringLiteral("ListView"));
    list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("IP")});
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setIconSize(QSize(16, 16));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

QPushButton *NewButton(QWidget *window, const char *name, const QString &caption)
{
    auto *button = new QPushButton(caption, window);
    button->setObjectName(QLatin1String(name));
    return button;
}

QTimer *NewCollectTimer(QWidget *window, const char *name)
{
    auto *timer = new QTimer(window);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(kCollectInterval);
    return timer;
}

void OnRowActivated(QTreeWidget *list, const std::function<void()> &action)
{
    QObject::connect(list, &QTreeWidget::itemDoubleClicked, list, action);
    for (const QKeyCombination key : {QKeyCombination(Qt::Key_Return), QKeyCombination(Qt::Key_Enter)}) {
        auto *shortcut = new QShortcut(QKeySequence(key), list);
        shortcut->setContext(Qt::WidgetShortcut);
        QObject::connect(shortcut, &QShortcut::activated, list, action);
    }
}

void FitColumns(QTreeWidget *list)
{
    for (int column = 0; column < list->columnCount(); ++column)
        list->resizeColumnToContents(column);
}

void OpenContacts()
{
    static QPointer<winContacts> contacts;
    // A closed window is on its way out: the next opening builds a new one.
    if (!contacts || !contacts->isVisible()) {
        contacts = new winContacts; // shows itself
        return;
    }
    modWindows::BringToFront(contacts);
}

} // namespace modContacts
