#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

// Notes arriving from other copies and from other users of this computer.
namespace modReceive {

// Announces a sender that a received note added to ContactList. A window
// showing the contacts adds the row too, so that writing its rows back when
// it closes keeps the new contact.
class ContactEvents final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ContactEvents)

public:
    using QObject::QObject;

signals:
    void SenderAdded(const QString &address, const QString &name);
};
// The one source of these announcements.
ContactEvents *ContactChanges();

// Any host can make notes appear, so one sender address gets at most
// MaxNotes shown within any WindowMs, and all senders together at most
// MaxNotesFromAll: the address is the sender's own claim, and a new one in
// each datagram must not open windows and files without end.
class ArrivalLimit final
{
public:
    static constexpr int MaxNotes = 30;
    static constexpr int MaxNotesFromAll = 120;
    static constexpr qint64 WindowMs = 60000;

    // True when a note from sender, arriving at nowMs of a steady clock, may
    // be shown; it then counts against the sender.
    bool Admit(const QString &sender, qint64 nowMs);

private:
    void ForgetQuietSenders(qint64 nowMs);

    QHash<QString, QList<qint64>> m_arrivals;
    QList<qint64> m_allArrivals;
    qint64 m_lastSweep = 0;
};

// An incoming file: sender name + " (" + sender address + ")" + note text.
struct IncomingFile
{
    QString name;
    QString address; // "" when the file names no sender
    QString noteText;
};
// A content without "(" or without ")" after it is all note text.
IncomingFile ParseIncomingFile(const QString &content);

// The note text with its width held to 2550..9000 twips and its height to at
// most 9000, as the grip allows; everything else, the shown text above all,
// unchanged.
QString HoldToGripLimits(const QString &noteText);

// A name that can go into the stored contact list: no control character,
// no "|".
bool IsStorableName(const QString &name);

// Shows the notes other local users left in the Incoming folder, then
// removes their files.
void ImportIncomingNotes();
// A note that arrived from name at address: shown, acknowledged, its sender
// added to the contacts, the user alerted.
void ReceiveNote(const QString &name, const QString &address, const QString &noteText);

} // namespace modReceive
