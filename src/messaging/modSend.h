#pragma once

#include <QString>

// Sending notes to other copies and to other users of this computer.
namespace modSend {

// DataFolder with the user's own folder under the profiles folder replaced by
// "[USERNAME]", or "" when DataFolder does not lie in the user's profile.
QString ComputeUserPathTemplate();
// Another local user's data folder; "" when the template is empty.
QString LocalUserDataFolder(const QString &userName);

// Delivers a note text form to address (or, for "Local User", into the
// Incoming folder of the user name). Returns "" when it went out, else one
// sentence saying what failed.
QString SendNote(const QString &address, const QString &name, const QString &contents);

} // namespace modSend
