#pragma once

#include <QString>

class winEditor;

// What the editor's action button does in each mode.
namespace modEditorActions {

void CreateNoteFromEditor(winEditor &editor);
void SendNoteFromEditor(winEditor &editor);
void UpdateNoteFromEditor(winEditor &editor);

} // namespace modEditorActions
