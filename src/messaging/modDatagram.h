#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Reading and routing the datagrams other copies send.
namespace modDatagram {

struct Header
{
    QString name;
    QString address;
    // Index of the ")" that closes the address.
    qsizetype closeIndex = -1;
};

// The sender name and address of a "!" or "+" datagram (or a stored reply):
// the name runs to the first "(", the address to the first ")" after it.
// False when the text has no "(" or no ")" after it.
bool ParseHeader(const QString &text, Header *header);

// Four decimal numbers 0..255 without leading zeros that name one unicast
// host: not 0.x.x.x, not multicast, reserved or 255.255.255.255.
bool IsUnicastAddress(const QString &text);

// Most entries and characters an accumulator keeps; the oldest go first.
inline constexpr int MaxReplyEntries = 1000;
inline constexpr qsizetype MaxReplyChars = 256 * 1024;
// Appends entry to a "|"-joined accumulator within the bounds above; an
// entry that is empty or holds a "|" itself is not kept.
void AppendReply(QString &replies, const QString &entry);

// What HandleDatagram reaches outside itself. Tests and the fuzz target
// replace it to record instead of sending, showing or playing.
struct Surroundings
{
    std::function<QString()> LocalHostName;
    std::function<QString()> LocalIP;
    // Broadcast addresses of the nets this computer is on.
    std::function<QStringList()> KnownBroadcasts;
    std::function<void(const QString &host, const QString &text)> Send;
    std::function<void(const QString &text)> ShowBalloon;
    std::function<void(const QString &path)> PlaySound;
    std::function<void(const QString &name, const QString &address, const QString &noteText)> ReceiveNote;
};

// The endpoint, the tray balloon, the sound player and the receiver.
Surroundings ProgramSurroundings();
// The surroundings in force; the receiver answers and alerts through them.
const Surroundings &CurrentSurroundings();
// Replaces the surroundings; ResetSurroundings goes back to the program's.
void SetSurroundings(Surroundings surroundings);
void ResetSurroundings();

// kind + own host name + " (" + own address + ")": how every datagram we send
// names its sender.
QString OwnHeader(QChar kind);
// OwnHeader('!') + " " + command.
QString PresenceText(const QString &command);

// Runs once for each arriving datagram d.
void HandleDatagram(const QString &d);

} // namespace modDatagram
