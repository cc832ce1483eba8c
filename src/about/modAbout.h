#pragma once

// Opens the about box; it does nothing until that window exists.
namespace modAbout {

void OpenAbout();

} // namespace modAbout
