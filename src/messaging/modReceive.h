#pragma once

// Notes arriving from other copies and from other users of this computer.
namespace modReceive {

// Shows the notes other local users left in the Incoming folder.
void ImportIncomingNotes();

} // namespace modReceive
