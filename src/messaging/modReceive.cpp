#include "messaging/modReceive.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "core/SettingKeys.h"
#include "core/modFiles.h"
#include "core/modSettings.h"
#include "messaging/modDatagram.h"
#include "notes/modMisc.h"
#include "notes/modNoteText.h"
#include "notes/winNote.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>

namespace modReceive {
namespace {

const QString kTrailerStart = QStringLiteral("[FROM=");

qint64 SteadyMilliseconds()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}

ArrivalLimit &Arrivals()
{
    static ArrivalLimit arrivals;
    return arrivals;
}

// Replaces the number between from and to with the nearest value in
// lowest..highest. A field that is no positive number is left: the window
// keeps its own size for it.
void HoldField(QString &text, qsizetype from, qsizetype to, float lowest, float highest)
{
    const std::optional<float> value = modNoteText::ParseNumber(text.mid(from, to - from));
    if (!value || *value <= 0 || (*value >= lowest && *value <= highest))
        return;
    text.replace(from, to - from, modNoteText::FormatNumber(qBound(lowest, *value, highest)));
}

// The note text with the sender trailer the note file keeps.
QString ReceivedNoteText(const QString &name, const QString &address, const QString &noteText)
{
    QString text = HoldToGripLimits(noteText);
    if (!address.isEmpty())
        text += kTrailerStart + address + QLatin1Char('|') + name + QLatin1Char(']');
    return text;
}

void AddSenderToContacts(const QString &name, const QString &address)
{
    if (!IsOn(modSettings::ReadSetting(SettingKeys::AddSenderToContacts)))
        return;
    if (!IsStorableName(name)) {
        qCInfo(lcNet) << "sender not added to the contacts, its name would split the list:" << name;
        return;
    }
    // Known by address: a known sender keeps the name stored for it.
    if ((QLatin1Char('|') + ContactList).contains(QLatin1Char('|') + address + QLatin1Char('(')))
        return;
    if (!ContactList.isEmpty())
        ContactList += QLatin1Char('|');
    ContactList += address + QLatin1Char('(') + name + QLatin1Char(')');
    modSettings::WriteSetting(SettingKeys::Contacts, ContactList);
    emit ContactChanges()->SenderAdded(address, name);
}

void ImportIncomingFile(const QFileInfo &file)
{
    // A link could show any file the user may read, a folder is no note.
    if (file.isSymLink() || !file.isFile()) {
        qCInfo(lcNet) << "incoming entry is no regular file, left alone:" << file.filePath();
        return;
    }
    const std::optional<QString> content = modMisc::ReadNoteFile(file.filePath());
    if (!content)
        return; // too large or unreadable: left in place
    if (!content->isEmpty()) {
        const IncomingFile incoming = ParseIncomingFile(*content);
        const winNote *note = modMisc::LoadNote(
            QString(), QString(), ReceivedNoteText(incoming.name, incoming.address, incoming.noteText));
        // Until its own file exists, the incoming file is the only copy; kept
        // after that, it would come back as a second note at the next start.
        if (!QFileInfo::exists(modFiles::ActiveFolder() + QLatin1Char('/') + note->noteFileName)) {
            qCWarning(lcNet) << "incoming file kept until its note is saved:" << file.filePath();
            QObject::connect(
                note, &winNote::Saved, note, [path = file.filePath()] { modFiles::DeleteFile(path); },
                Qt::SingleShotConnection);
            return;
        }
    }
    modFiles::DeleteFile(file.filePath());
}

} // namespace

ContactEvents *ContactChanges()
{
    static ContactEvents events;
    return &events;
}

bool ArrivalLimit::Admit(const QString &sender, qint64 nowMs)
{
    ForgetQuietSenders(nowMs);
    const auto forgetOld = [nowMs](QList<qint64> &times) {
        while (!times.isEmpty() && nowMs - times.first() >= WindowMs)
            times.removeFirst();
    };
    forgetOld(m_allArrivals);
    // Checked before a sender gets an entry: a kept entry is never empty.
    if (m_allArrivals.size() >= MaxNotesFromAll)
        return false;
    QList<qint64> &times = m_arrivals[sender];
    forgetOld(times);
    if (times.size() >= MaxNotes)
        return false;
    times.append(nowMs);
    m_allArrivals.append(nowMs);
    return true;
}

// Once a window: senders with nothing inside it are dropped, so that the
// table holds no more than the notes of the last minute or two.
void ArrivalLimit::ForgetQuietSenders(qint64 nowMs)
{
    if (nowMs - m_lastSweep < WindowMs)
        return;
    m_lastSweep = nowMs;
    m_arrivals.removeIf([nowMs](const auto &entry) { return nowMs - entry.value().last() >= WindowMs; });
}

IncomingFile ParseIncomingFile(const QString &content)
{
    // The content is a note datagram without its kind character.
    modDatagram::Header header;
    if (!modDatagram::ParseHeader(QLatin1Char('+') + content, &header))
        return {QString(), QString(), content};
    return {header.name, header.address, content.mid(header.closeIndex)};
}

QString HoldToGripLimits(const QString &noteText)
{
    // Height and width apply as soon as a comma ends them.
    const qsizetype heightEnd = noteText.indexOf(QLatin1Char(','));
    if (heightEnd < 0)
        return noteText;
    const qsizetype widthEnd = noteText.indexOf(QLatin1Char(','), heightEnd + 1);
    QString held = noteText;
    if (widthEnd >= 0)
        HoldField(held, heightEnd + 1, widthEnd, winNote::MinimumWidth, winNote::MaximumSize);
    HoldField(held, 0, heightEnd, 0, winNote::MaximumSize);
    // Without nine commas the fields found are also the shown text, which
    // stays as sent: the held fields go in front of it instead.
    constexpr qsizetype fieldCount = 9;
    if (held == noteText || noteText.count(QLatin1Char(',')) >= fieldCount)
        return held;
    const QString fields = held.left(held.lastIndexOf(QLatin1Char(',')) + 1);
    return fields + QString(fieldCount - fields.count(QLatin1Char(',')), QLatin1Char(',')) + noteText;
}

bool IsStorableName(const QString &name)
{
    return std::none_of(name.cbegin(), name.cend(), [](QChar c) {
        return c == QLatin1Char('|') || c.category() == QChar::Other_Control;
    });
}

void ImportIncomingNotes()
{
    const QDir incoming(modFiles::IncomingFolder());
    const QFileInfoList entries = incoming.entryInfoList(
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.fileName().endsWith(QLatin1String(".zln"), Qt::CaseSensitive))
            ImportIncomingFile(entry);
    }
}

void ReceiveNote(const QString &name, const QString &address, const QString &noteText)
{
    // The name goes into the note's trailer, where a "[FROM=" of its own would
    // name the sender: a peer could pose as another host or a local user.
    if (name.contains(kTrailerStart)) {
        qCInfo(lcNet) << "note dropped, its sender name holds a trailer:" << name;
        return;
    }
    if (!Arrivals().Admit(address, SteadyMilliseconds())) {
        qCInfo(lcNet) << "note dropped, too many from" << address;
        return;
    }
    const winNote *note = modMisc::LoadNote(QString(), QString(), ReceivedNoteText(name, address, noteText));
    const modDatagram::Surroundings &s = modDatagram::CurrentSurroundings();
    s.Send(address, modDatagram::OwnHeader(QLatin1Char('#')) + QStringLiteral(" has received your message"));
    AddSenderToContacts(name, address);
    // A note that could not be saved has said so; that alert stays in view.
    if (ShowIncomingNoteAlert && !note->HasPendingSave())
        s.ShowBalloon(QStringLiteral("A new note has been received from ") + name + QStringLiteral(" (") +
                      address + QLatin1Char(')'));
}

} // namespace modReceive
