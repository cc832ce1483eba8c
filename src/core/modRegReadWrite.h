#pragma once

#include <QString>

// The user's list of programs started at logon: the XDG autostart folder
// ($XDG_CONFIG_HOME/autostart). Each value name is one desktop entry,
// value name + ".desktop", whose Exec runs the value's data, an executable.
namespace modRegReadWrite {

QString AutostartFolder();
// Writes the entry valueName, starting the executable data at logon. False
// when it could not be written.
bool WriteRegistryString(const QString &valueName, const QString &data);
// Removes the entry valueName; a missing one is no error.
void DeleteRegistryValue(const QString &valueName);
// The executable the entry valueName starts (its name matched exactly, case
// included); "" when there is none or the desktop has it switched off.
QString ReadRegistryValue(const QString &valueName);

} // namespace modRegReadWrite
