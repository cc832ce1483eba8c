#pragma once

#include "core/CommandLine.h"

#include <optional>

// Start-up and shutdown of the whole program.
namespace ModMain {

// Runs every start-up step. Returns an exit code when the program must end
// now (another copy runs, the port is busy); nullopt to enter the event loop.
std::optional<int> Main(const CommandLine &commandLine);
// The tray's "Exit": removes the icon, closes every window and ends with 0.
void ExitProgram();

} // namespace ModMain
