#include "editor/modEditor.h"

#include "editor/winEditor.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace modEditor {
namespace {

void BringToFront(winEditor *editor)
{
    editor->show();
    editor->raise();
    editor->activateWindow();
    editor->Text1->setFocus();
}

} // namespace

void OpenCreateEditor()
{
    BringToFront(winEditor::SharedEditor());
}

void OpenSendEditor(const QString &address, const QString &name, quint64 noteHandle)
{
    winEditor *editor = winEditor::SharedEditor();
    editor->sendToIP = address;
    editor->sendToName = name;
    editor->noteToDeleteHwnd = noteHandle;
    editor->Command1->setText(QStringLiteral("Send"));
    BringToFront(editor);
}

} // namespace modEditor
