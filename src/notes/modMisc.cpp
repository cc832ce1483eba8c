#include "notes/modMisc.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "notes/modNoteText.h"
#include "notes/modOnTop.h"
#include "notes/modPinToDesktop.h"
#include "notes/winNote.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>
#include <optional>

namespace modMisc {
namespace {

// Notes shown between two passes over the window system's events while
// loading. Qt looks through every queued X event for each window's expose,
// so a queue left to grow over thousands of notes costs time by its square;
// and a note gives back the memory of its drawing only in a later pass, so
// short passes hold fewer drawings at once.
constexpr int NotesPerEventPass = 10;

// A stray may have been cut short (killed while it was written), so the note
// it replaces is kept in the archive, where the user can bring it back.
bool ArchiveReplacedNote(const QFileInfo &note)
{
    const QString archive = modFiles::ArchiveFolder();
    return !note.exists() || modFiles::MoveFile(note.filePath(), archive + QLatin1Char('/') +
                                                                     modFiles::NewNoteFileName(archive));
}

// The temporary file of an atomic save is "<note file>.XXXXXX"; a program
// killed between writing and renaming leaves it beside the note. A stray
// newer than its note holds the latest text and takes the note's place; an
// older or empty one is removed.
void SettleInterruptedSaves(const QDir &active)
{
    static const QRegularExpression stray(QStringLiteral("^(.+\\.zln)\\.[A-Za-z0-9]{6}$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QFileInfoList files = active.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &file : files) {
        const QRegularExpressionMatch match = stray.match(file.fileName());
        if (!match.hasMatch())
            continue;
        const QFileInfo note(active.filePath(match.captured(1)));
        const bool newer = !note.exists() || file.lastModified() > note.lastModified();
        // rename() replaces the note in one step, as the save itself would have.
        const bool settled = newer && file.size() > 0 && file.size() <= modFiles::MaximumNoteFileSize
                                 ? ArchiveReplacedNote(note) &&
                                       std::rename(QFile::encodeName(file.filePath()).constData(),
                                                   QFile::encodeName(note.filePath()).constData()) == 0
                                 : QFile::remove(file.filePath());
        if (!settled)
            qCWarning(lcNotes) << "stray save left in place:" << file.filePath();
    }
}

} // namespace

std::optional<QString> ReadNoteFile(const QString &path)
{
    const QFileInfo file(path);
    if (file.exists() && !file.isFile()) {
        qCWarning(lcNotes) << "not a regular file, not loaded:" << path;
        return std::nullopt;
    }
    if (file.size() > modFiles::MaximumNoteFileSize) {
        qCWarning(lcNotes) << "larger than a note can be, not loaded:" << path;
        return std::nullopt;
    }
    QString text;
    if (modFiles::ReadTextFile(path, text, modFiles::MaximumNoteFileSize) ==
        modFiles::ReadOutcome::Unreadable) {
        qCWarning(lcNotes) << "cannot be read, not loaded:" << path;
        return std::nullopt;
    }
    return text;
}

void PlaceByDefault(winNote *note)
{
    if (NotesAlwaysOnTop) {
        note->noteIsPinned = false;
        modPinToDesktop::UnpinNote(note);
        modOnTop::SetNoteOnTop(note);
    } else {
        modPinToDesktop::PinNoteToDesktop(note);
    }
}

winNote *LoadNote(const QString &path, const QString &fileName, const QString &contents)
{
    // A received note may be empty; only a path means a file to read.
    const bool received = path.isEmpty();
    const std::optional<QString> text = received ? contents : ReadNoteFile(path);
    if (!text)
        return nullptr;
    auto *note = new winNote;
    note->ApplyRecord(modNoteText::ParseNoteText(*text));
    note->noteFileName = fileName;
    note->RepositionNoteParts();
    note->CheckNotePosition();
    PlaceByDefault(note);
    note->show();
    if (received) {
        note->noteFileName = modFiles::NewNoteFileName(modFiles::ActiveFolder());
        note->ResaveNote();
    }
    return note;
}

void LoadAllNotes(const std::function<bool()> &stopRequested)
{
    const QDir active(modFiles::ActiveFolder());
    SettleInterruptedSaves(active);
    // The list is taken first, so loading cannot disturb the enumeration.
    const QStringList names = active.entryList({QStringLiteral("*.zln")}, QDir::Files);
    qsizetype loaded = 0;
    for (const QString &name : names) {
        if (!LoadNote(active.filePath(name), name, QString()))
            continue;
        if (++loaded % NotesPerEventPass != 0)
            continue;
        // An ending (Exit, a signal, the session) can come in a pass; the files
        // not loaded yet stay as they are.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (stopRequested())
            break;
    }
    qCInfo(lcNotes) << "loaded" << loaded << "of" << names.size() << "note files";
}

quint64 NoteHandle(const winNote *note)
{
    return note->serialNumber;
}

winNote *FindNoteWindow(quint64 handle)
{
    for (winNote *note : winNote::AllNotes()) {
        if (NoteHandle(note) == handle)
            return note;
    }
    return nullptr;
}

void DeleteNoteWindow(quint64 handle)
{
    winNote *note = FindNoteWindow(handle);
    if (!note)
        return;
    // The file goes first: a note whose file stays would come back at the
    // next start, so it stays in view instead.
    const QString fileName = note->noteFileName;
    if (!fileName.isEmpty() &&
        !modFiles::DeleteFile(modFiles::ActiveFolder() + QLatin1Char('/') + fileName)) {
        qCWarning(lcNotes) << "note not deleted, kept:" << fileName;
        modDialogs::ShowWarning(
            QStringLiteral("The note could not be deleted. It stays on the desktop and its file is kept."));
        return;
    }
    note->close();
}

} // namespace modMisc
