#include "editor/modEditorActions.h"

#include "core/Logging.h"
#include "editor/winEditor.h"

// The note windows land separately; until then the actions only close.
namespace modEditorActions {

void CreateNoteFromEditor(winEditor &editor)
{
    qCInfo(lcEditor) << "note windows are not built yet; nothing created";
    editor.CloseEditor();
}

void SendNoteFromEditor(winEditor &editor)
{
    qCInfo(lcEditor) << "sending is not built yet; nothing sent";
    editor.CloseEditor();
}

void UpdateNoteFromEditor(winEditor &editor)
{
    qCInfo(lcEditor) << "note windows are not built yet; nothing updated";
    editor.CloseEditor();
}

} // namespace modEditorActions
