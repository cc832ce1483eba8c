#include "editor/modEditor.h"

#include "editor/winEditor.h"

#include <QPushButton>

namespace modEditor {

void OpenCreateEditor()
{
    winEditor::SharedEditor()->BringToFront();
}

void OpenSendEditor(const QString &address, const QString &name, quint64 noteHandle)
{
    winEditor *editor = winEditor::SharedEditor();
    editor->sendToIP = address;
    editor->sendToName = name;
    editor->noteToDeleteHwnd = noteHandle;
    editor->Command1->setText(QStringLiteral("Send"));
    editor->BringToFront();
}

} // namespace modEditor
