#pragma once

// Opens the note archive; it does nothing until that window exists.
namespace modArchive {

void OpenNoteArchive();

} // namespace modArchive
