#pragma once

#include <QString>

// Sending notes to other copies and to other users of this computer.
namespace modSend {

// DataFolder with the user's own folder under the profiles folder replaced by
// "[USERNAME]", or "" when DataFolder does not lie in the user's profile.
QString ComputeUserPathTemplate();
// Another local user's data folder; "" when the template is empty.
QString LocalUserDataFolder(const QString &userName);

} // namespace modSend
