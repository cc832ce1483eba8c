#include "notes/modMisc.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "core/modFiles.h"
#include "notes/modNoteText.h"
#include "notes/modOnTop.h"
#include "notes/modPinToDesktop.h"
#include "notes/winNote.h"

#include <QCoreApplication>
#include <QDir>

namespace modMisc {

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
    const QString text = contents.isEmpty() ? modFiles::ReadTextFile(path) : contents;
    auto *note = new winNote;
    note->ApplyRecord(modNoteText::ParseNoteText(text));
    note->noteFileName = fileName;
    note->RepositionNoteParts();
    note->CheckNotePosition();
    PlaceByDefault(note);
    note->show();
    if (!contents.isEmpty()) {
        note->noteFileName = modFiles::NewNoteFileName(modFiles::ActiveFolder());
        note->ResaveNote();
    }
    return note;
}

void LoadAllNotes()
{
    // The list is taken first, so loading cannot disturb the enumeration.
    const QStringList names =
        QDir(modFiles::ActiveFolder()).entryList({QStringLiteral("*.zln")}, QDir::Files);
    for (const QString &name : names)
        LoadNote(modFiles::ActiveFolder() + QLatin1Char('/') + name, name, QString());
    qCInfo(lcNotes) << "loaded" << names.size() << "notes";
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
    const QString fileName = note->noteFileName;
    note->close();
    if (!fileName.isEmpty())
        modFiles::DeleteFile(modFiles::ActiveFolder() + QLatin1Char('/') + fileName);
}

} // namespace modMisc
