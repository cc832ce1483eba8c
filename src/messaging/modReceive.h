#pragma once

#include <QString>

// Notes arriving from other copies and from other users of this computer.
namespace modReceive {

// Shows the notes other local users left in the Incoming folder.
void ImportIncomingNotes();
// A note that arrived from name at address.
void ReceiveNote(const QString &name, const QString &address, const QString &noteText);

} // namespace modReceive
