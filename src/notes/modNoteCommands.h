#pragma once

#include <QString>

// The commands of the note menu. Each acts on the note window whose handle,
// as decimal text, is noteTag (the control window's tag, set when the menu
// opened); when no note has that handle any more, nothing happens.
namespace modNoteCommands {

// Opens a new editor in Update mode, filled from the note.
void EditNote(const QString &noteTag);
// Edits the note in place, unarmed: it lasts until the user touches the box.
void QuickEditMode(const QString &noteTag);
// Pinned notes go on top; notes on top are stuck to the desktop.
void SetNoteToTop(const QString &noteTag);
// The note text on the clipboard, every line break as LF.
void CopyToClipboard(const QString &noteTag);
// The note text on the default printer, or where the print dialog says when
// there is none. Printing failures are silent.
void PrintNote(const QString &noteTag);
// Deletes or archives the note as WhenDeletingNotes says, asking when told to.
void RemoveNote(const QString &noteTag);

// Tests send the print into this PDF file instead of a printer; "" restores
// the printer.
void SetPrintFileForTests(const QString &pdfPath);

} // namespace modNoteCommands
