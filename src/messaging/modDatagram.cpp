#include "messaging/modDatagram.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "messaging/Winsock.h"
#include "messaging/modEndpoint.h"
#include "messaging/modPlaySound.h"
#include "messaging/modReceive.h"
#include "tray/modTrayIcon.h"

#include <QDeadlineTimer>
#include <QNetworkInterface>
#include <QStringList>

namespace modDatagram {

namespace {

Surroundings &Current()
{
    static Surroundings surroundings = ProgramSurroundings();
    return surroundings;
}

// The header of a "!" or "+" datagram, when it names a host we could answer.
// Anything else is dropped whole: a reply must not go to a broadcast or
// nowhere, and a peer must not pose as "Local User".
bool ReadSender(const QString &d, Header *header)
{
    if (!ParseHeader(d, header))
        return false;
    if (!IsUnicastAddress(header->address) || Current().KnownBroadcasts().contains(header->address)) {
        qCInfo(lcNet) << "dropped, no host address in the header:" << header->address;
        return false;
    }
    return true;
}

void Answer(const Header &header, const QString &command)
{
    Current().Send(header.address, PresenceText(command));
}

void HandlePresence(const QString &d)
{
    Header header;
    if (!ReadSender(d, &header))
        return;
    const QString command = d.mid(header.closeIndex + 2);
    if (command == QLatin1String("helloall")) {
        if (header.address != Current().LocalIP())
            Answer(header, QStringLiteral("hello"));
    } else if (command == QLatin1String("hello")) {
        AppendReply(HelloReplies, d);
    } else if (command == QLatin1String("ping")) {
        Answer(header, QStringLiteral("pong"));
    } else if (command == QLatin1String("pong")) {
        AppendReply(PongReplies, d);
    }
}

void HandleNote(const QString &d)
{
    Header header;
    if (!ReadSender(d, &header))
        return;
    Current().ReceiveNote(header.name, header.address, d.mid(header.closeIndex + 1));
}

void HandleAlert(const QString &d)
{
    const Surroundings &s = Current();
    if (ShowSentNoteAlert)
        s.ShowBalloon(d.mid(1));
    if (!EventSounds[1].isEmpty())
        s.PlaySound(EventSounds[1]);
}

// Looked up at most every few seconds, so that a flood of datagrams does not
// ask the system for its interfaces once each.
QStringList LocalBroadcasts()
{
    static QStringList broadcasts;
    static QDeadlineTimer fresh; // expired at first
    if (fresh.hasExpired()) {
        broadcasts.clear();
        for (const QNetworkInterface &net : QNetworkInterface::allInterfaces())
            for (const QNetworkAddressEntry &entry : net.addressEntries())
                if (!entry.broadcast().isNull())
                    broadcasts << entry.broadcast().toString();
        fresh.setRemainingTime(5000);
    }
    return broadcasts;
}

} // namespace

bool ParseHeader(const QString &text, Header *header)
{
    const qsizetype open = text.indexOf(QLatin1Char('('));
    if (open < 0)
        return false;
    const qsizetype close = text.indexOf(QLatin1Char(')'), open);
    if (close < 0)
        return false;
    // The kind character and the blank before "(" go by position.
    header->name = open >= 2 ? text.mid(1, open - 2) : QString();
    header->address = text.mid(open + 1, close - open - 1);
    header->closeIndex = close;
    return true;
}

bool IsUnicastAddress(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        // "010" is octal to the socket layer and decimal to people: neither guess.
        if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part.startsWith(QLatin1Char('0'))))
            return false;
        for (const QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        if (part.toInt() > 255)
            return false;
    }
    // 0.x.x.x means "this network"; from 224 on: multicast, reserved, broadcast.
    const int first = parts[0].toInt();
    return first != 0 && first < 224;
}

void AppendReply(QString &replies, const QString &entry)
{
    // A "|" inside would split into entries no peer sent.
    if (entry.isEmpty() || entry.size() > MaxReplyChars || entry.contains(QLatin1Char('|')))
        return;
    if (replies.isEmpty())
        replies = entry;
    else
        replies += QLatin1Char('|') + entry;
    while (replies.size() > MaxReplyChars || replies.count(QLatin1Char('|')) >= MaxReplyEntries) {
        const qsizetype bar = replies.indexOf(QLatin1Char('|'));
        if (bar < 0) {
            replies.clear();
            break;
        }
        replies.remove(0, bar + 1);
    }
}

Surroundings ProgramSurroundings()
{
    Surroundings s;
    s.LocalHostName = [] { return Winsock::LocalHostName(); };
    s.LocalIP = [] {
        const Winsock *endpoint = modEndpoint::Endpoint();
        return endpoint ? endpoint->LocalIP() : QString();
    };
    s.KnownBroadcasts = [] { return LocalBroadcasts(); };
    s.Send = [](const QString &host, const QString &text) {
        if (Winsock *endpoint = modEndpoint::Endpoint()) {
            endpoint->RemoteHost = host;
            if (endpoint->SendData(text))
                qCInfo(lcNet) << "sent to" << host << text;
        }
    };
    s.ShowBalloon = [](const QString &text) {
        qCInfo(lcNet) << "alert balloon:" << text;
        modTrayIcon::ShowTrayBalloon(text);
    };
    s.PlaySound = [](const QString &path) { modPlaySound::PlaySoundFile(path); };
    s.ReceiveNote = [](const QString &name, const QString &address, const QString &noteText) {
        modReceive::ReceiveNote(name, address, noteText);
    };
    return s;
}

const Surroundings &CurrentSurroundings()
{
    return Current();
}

void SetSurroundings(Surroundings surroundings)
{
    Current() = std::move(surroundings);
}

void ResetSurroundings()
{
    Current() = ProgramSurroundings();
}

QString OwnHeader(QChar kind)
{
    const Surroundings &s = Current();
    return kind + s.LocalHostName() + QStringLiteral(" (") + s.LocalIP() + QLatin1Char(')');
}

QString PresenceText(const QString &command)
{
    return OwnHeader(QLatin1Char('!')) + QLatin1Char(' ') + command;
}

void HandleDatagram(const QString &d)
{
    if (d.startsWith(QLatin1Char('#')))
        HandleAlert(d);
    else if (d.startsWith(QLatin1Char('!')))
        HandlePresence(d);
    else if (d.startsWith(QLatin1Char('+')))
        HandleNote(d);
}

} // namespace modDatagram
