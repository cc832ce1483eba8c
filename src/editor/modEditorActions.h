#pragma once

#include <QString>

class winEditor;
class winNote;

// What the editor's action button does in each mode.
namespace modEditorActions {

void CreateNoteFromEditor(winEditor &editor);
void SendNoteFromEditor(winEditor &editor);
void UpdateNoteFromEditor(winEditor &editor);
// How an editor's tag names its note: the window's address as decimal text.
QString NoteHandleText(const winNote *note);

} // namespace modEditorActions
