#include "messaging/modDatagram.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "messaging/Winsock.h"
#include "messaging/modEndpoint.h"
#include "messaging/modPlaySound.h"
#include "messaging/modReceive.h"
#include "tray/modTrayIcon.h"

#include <QStringList>

namespace modDatagram {

namespace {

Surroundings &Current()
{
    static Surroundings surroundings = ProgramSurroundings();
    return surroundings;
}

QString PresenceText(const QString &command)
{
    const Surroundings &s = Current();
    return QStringLiteral("!") + s.LocalHostName() + QStringLiteral(" (") + s.LocalIP() +
           QStringLiteral(") ") + command;
}

void Answer(const Header &header, const QString &command)
{
    // A forged or broken header must not make us send to nowhere.
    if (!IsIPv4Address(header.address)) {
        qCInfo(lcNet) << "no answer to the address" << header.address;
        return;
    }
    Current().Send(header.address, PresenceText(command));
}

void HandlePresence(const QString &d)
{
    Header header;
    if (!ParseHeader(d, &header))
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
    if (!ParseHeader(d, &header))
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

bool IsIPv4Address(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return false;
        for (const QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        if (part.toInt() > 255)
            return false;
    }
    return true;
}

void AppendReply(QString &replies, const QString &entry)
{
    if (entry.isEmpty() || entry.size() > MaxReplyChars)
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

void SetSurroundings(Surroundings surroundings)
{
    Current() = std::move(surroundings);
}

void ResetSurroundings()
{
    Current() = ProgramSurroundings();
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
