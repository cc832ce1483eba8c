#include "editor/modEditor.h"

#include "editor/winEditor.h"
#include "notes/modMisc.h"
#include "notes/winNote.h"
#include "tray/modTrayIcon.h"

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
    // The window does not say where the note goes; the button does.
    editor->Command1->setToolTip(
        modTrayIcon::PlainToolTip(QStringLiteral("Send to %1 (%2)").arg(name, address)));
    editor->BringToFront();
}

void ReplyToSender(const QString &noteTag)
{
    const quint64 handle = noteTag.toULongLong();
    const winNote *note = modMisc::FindNoteWindow(handle);
    if (note && !note->noteFromIP.isEmpty())
        OpenSendEditor(note->noteFromIP, note->noteFromName, handle);
}

} // namespace modEditor
