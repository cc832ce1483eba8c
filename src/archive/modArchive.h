#pragma once

// Opening the note archive from the tray.
namespace modArchive {

// Opens the archive window, or raises it when it is open already.
void OpenNoteArchive();

} // namespace modArchive
