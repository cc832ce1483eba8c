// Feeds arbitrary bytes to the datagram dispatcher with every outside effect
// replaced by checks of what it would have done.
#include "core/Globals.h"
#include "core/modText.h"
#include "messaging/modDatagram.h"

#include <QByteArray>
#include <QString>
#include <cstdlib>

namespace {

const QString OwnAddress = QStringLiteral("10.0.0.1");
const QString Broadcast = QStringLiteral("10.0.0.255");

// Every address the dispatcher acts on names one host other than a broadcast.
void CheckHost(const QString &address)
{
    if (!modDatagram::IsUnicastAddress(address) || address == Broadcast)
        std::abort();
}

void InstallRecorder()
{
    modDatagram::Surroundings s;
    s.LocalHostName = [] { return QStringLiteral("FUZZ"); };
    s.LocalIP = [] { return OwnAddress; };
    s.KnownBroadcasts = [] { return QStringList{Broadcast}; };
    s.Send = [](const QString &host, const QString &text) {
        CheckHost(host);
        // Never an answer to our own locate broadcast.
        if (text.endsWith(QLatin1String(") hello")) && host == OwnAddress)
            std::abort();
    };
    s.ShowBalloon = [](const QString &) {};
    s.PlaySound = [](const QString &) {};
    s.ReceiveNote = [](const QString &, const QString &address, const QString &) { CheckHost(address); };
    modDatagram::SetSurroundings(s);
    EventSounds[1] = QStringLiteral("(None)");
}

// What a consumer reads back: whole entries, each from a host.
void CheckReplies(const QString &replies)
{
    if (replies.isEmpty())
        return;
    if (replies.size() > modDatagram::MaxReplyChars)
        std::abort();
    for (const QString &entry : replies.split(QLatin1Char('|'))) {
        modDatagram::Header header;
        if (!modDatagram::ParseHeader(entry, &header))
            std::abort();
        CheckHost(header.address);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool installed = (InstallRecorder(), true);
    (void)installed;
    // One datagram at a time, so every run checks only what it added.
    HelloReplies.clear();
    PongReplies.clear();
    const QString d = modText::DecodeBytes(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    modDatagram::HandleDatagram(d);
    CheckReplies(HelloReplies);
    CheckReplies(PongReplies);
    return 0;
}
