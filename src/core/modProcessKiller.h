#pragma once

#include <QString>

// Ends leftover processes of older releases after a version change.
namespace modProcessKiller {

// Ends every process whose executable name begins with name (compared in lower
// case), never this process; true when at least one matched.
bool KillProcessByName(const QString &name);
// Passes over the legacy names until a pass matches nothing, at most maxPasses.
void KillLegacyProcesses(int maxPasses = 5);

} // namespace modProcessKiller
