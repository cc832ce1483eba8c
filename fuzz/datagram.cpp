// Feeds arbitrary bytes to the datagram dispatcher with every outside effect
// replaced by checks of what it would have done.
#include "core/Globals.h"
#include "core/modText.h"
#include "messaging/modDatagram.h"

#include <QByteArray>
#include <QString>
#include <cstdlib>

namespace {

void InstallRecorder()
{
    modDatagram::Surroundings s;
    s.LocalHostName = [] { return QStringLiteral("FUZZ"); };
    s.LocalIP = [] { return QStringLiteral("10.0.0.1"); };
    s.Send = [](const QString &host, const QString &text) {
        // Answers only ever go to a dotted IPv4 address, never to ourselves for "hello".
        if (!modDatagram::IsIPv4Address(host))
            std::abort();
        if (text.endsWith(QLatin1String(") hello")) && host == QLatin1String("10.0.0.1"))
            std::abort();
    };
    s.ShowBalloon = [](const QString &) {};
    s.PlaySound = [](const QString &) {};
    s.ReceiveNote = [](const QString &, const QString &, const QString &) {};
    modDatagram::SetSurroundings(s);
    EventSounds[1] = QStringLiteral("(None)");
}

void CheckAccumulator(const QString &replies)
{
    if (replies.size() > modDatagram::MaxReplyChars ||
        replies.count(QLatin1Char('|')) >= modDatagram::MaxReplyEntries)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool installed = (InstallRecorder(), true);
    (void)installed;
    const QString d = modText::DecodeBytes(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    modDatagram::HandleDatagram(d);
    CheckAccumulator(HelloReplies);
    CheckAccumulator(PongReplies);
    return 0;
}
