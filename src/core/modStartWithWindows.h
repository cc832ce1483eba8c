#pragma once

// Start at logon and the one-time migration after a version change.
namespace modStartWithWindows {

// Registers the running executable to start when the user logs on: the
// autostart entry "Zettlor".
void RegisterStartAtLogon();
// Turns notes of an older release, kept as settings "Note1".."Note30" of the
// section "\", into note files in Active and removes that release's autostart
// entries.
void MigrateLegacyNotes();

} // namespace modStartWithWindows
