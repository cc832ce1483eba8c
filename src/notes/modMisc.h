#pragma once

#include <QString>
#include <functional>
#include <optional>

class winNote;

// Building note windows from note files and texts.
namespace modMisc {

// The text of a note file, or nothing when the file must not become a note:
// not a regular file once links are followed (a device or FIFO would stall
// start-up), larger than 1 MiB, or unreadable (an empty note would later be
// saved over the user's text). A missing file reads as the empty text.
std::optional<QString> ReadNoteFile(const QString &path);
// Creates, fills and shows a note window from the file at path (contents
// empty) or from contents, which may be empty (path and fileName empty; the
// note then gets its own new file in Active). Returns the window, or nullptr
// when none was made: a file that is no regular file, larger than 1 MiB or
// unreadable is left alone.
winNote *LoadNote(const QString &path, const QString &fileName, const QString &contents);
// On top when notes are always on top, else stuck to the desktop.
void PlaceByDefault(winNote *note);
// Loads every note file of the Active folder into a note window; stops
// early once stopRequested() says so (the program is ending).
void LoadAllNotes(const std::function<bool()> &stopRequested = [] { return false; });
// Deletes the file of the note window with that handle and closes it; a
// note whose file cannot be deleted stays, and the user is told.
void DeleteNoteWindow(quint64 handle);
// The handle other modules keep for a note (winMenu's tag holds it): its
// serial number, never reused within a run.
quint64 NoteHandle(const winNote *note);
// The open note window with that handle, or nullptr.
winNote *FindNoteWindow(quint64 handle);

} // namespace modMisc
