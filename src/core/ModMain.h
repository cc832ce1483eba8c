#pragma once

#include "core/CommandLine.h"

#include <optional>

// Start-up and shutdown of the whole program.
namespace ModMain {

// Runs every start-up step. Returns an exit code when the program must end
// now (another copy runs, the port is busy); nullopt to enter the event loop.
std::optional<int> Main(const CommandLine &commandLine);
// Start-up steps Main runs, open to tests. The data folder: the program's
// own in portable mode, else the user's; a folder argument overrides it.
void SettleDataFolder();
void ApplyCommandLineFolder(QString folder);
// Once per new release: migrates older notes, keeps start at logon for
// whoever chose it, removes older releases' files.
void HandleVersionChange();
// Asks once whether to check for releases when the check is off.
void AskForReleaseCheckConsent();
// The first installed run starts at logon; the user's later choice holds.
void RegisterOnFirstRun();
// The session's end or a signal (SIGTERM, SIGINT, SIGHUP) ends the program
// like the tray's "Exit", so nothing typed or moved is lost; so does losing
// the display, as far as the window system lets it.
void ListenForTermination();
// Removes the icon, saves every note and ends: with 0, or with 1 when a note
// could not be saved.
void ExitProgram();
// The tray's "Exit": when a note cannot be saved, asks first whether to end
// all the same.
void ExitFromMenu();

} // namespace ModMain
