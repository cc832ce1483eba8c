#pragma once

// Start at logon and the one-time migration after a version change. These land
// with the start-at-logon work; until then they do nothing.
namespace modStartWithWindows {

// Registers the running executable to start when the user logs on.
void RegisterStartAtLogon();
// Turns notes of an older release, kept as settings, into note files.
void MigrateLegacyNotes();

} // namespace modStartWithWindows
