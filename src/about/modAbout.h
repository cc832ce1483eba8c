#pragma once

// Opening the about box from the tray.
namespace modAbout {

// Shows the about box, built afresh unless it is open already; an open box is
// raised and activated.
void OpenAbout();

} // namespace modAbout
