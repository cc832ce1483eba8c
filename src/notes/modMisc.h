#pragma once

// Building note windows from note files.
namespace modMisc {

// Loads every note file of the Active folder into a note window.
void LoadAllNotes();

} // namespace modMisc
