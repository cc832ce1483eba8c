// Feeds arbitrary bytes to the datagram dispatcher with every outside effect
// replaced by checks of what it would have done, and the same bytes to the
// reader of files other local users leave in the Incoming folder.
#include "core/Globals.h"
#include "core/modText.h"
#include "messaging/modDatagram.h"
#include "messaging/modReceive.h"
#include "notes/modNoteText.h"

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

// No received note is wider, narrower or taller than the grip allows.
void CheckHeldToGripLimits(const QString &noteText)
{
    const modNoteText::NoteRecord record = modNoteText::ParseNoteText(modReceive::HoldToGripLimits(noteText));
    if (record.width && *record.width > 0 && (*record.width < 2550 || *record.width > 9000))
        std::abort();
    if (record.height && *record.height > 9000)
        std::abort();
}

// Name, address and note text are the content's parts, in order; a file
// without a sender is note text whole.
void CheckIncomingFile(const QString &content)
{
    const modReceive::IncomingFile file = modReceive::ParseIncomingFile(content);
    if (!content.startsWith(file.name) || !content.endsWith(file.noteText) || file.address.contains(u')') ||
        file.name.size() + file.address.size() + file.noteText.size() > content.size())
        std::abort();
    const qsizetype open = content.indexOf(u'(');
    const bool hasHeader = open >= 0 && content.indexOf(u')', open) >= 0;
    if (!hasHeader && (file.noteText != content || !file.address.isEmpty()))
        std::abort();
    CheckHeldToGripLimits(file.noteText);
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
    s.ReceiveNote = [](const QString &, const QString &address, const QString &noteText) {
        CheckHost(address);
        CheckHeldToGripLimits(noteText);
    };
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
    CheckIncomingFile(d);
    CheckReplies(HelloReplies);
    CheckReplies(PongReplies);
    return 0;
}
