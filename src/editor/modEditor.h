#pragma once

#include <QString>
#include <QtGlobal>

// Opening the note editor from the tray, the note menu and the contacts.
namespace modEditor {

// The shared editor for a new note, in front with the focus; an editor that
// is already open keeps its mode and text.
void OpenCreateEditor();
// The shared editor in Send mode for one recipient; noteHandle is the note
// being answered, 0 when none. An open Create editor keeps its text.
void OpenSendEditor(const QString &address, const QString &name, quint64 noteHandle);
// "Reply to Sender...": the Send editor towards the sender of the note whose
// handle noteTag holds. Nothing when that note is gone or was made here.
void ReplyToSender(const QString &noteTag);

} // namespace modEditor
