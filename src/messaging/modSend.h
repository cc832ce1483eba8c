#pragma once

#include <QString>

// Sending notes to other copies and to other users of this computer.
namespace modSend {

// DataFolder with the user name replaced by "[USERNAME]", or "" when the
// user's profile folder is not found.
QString ComputeUserPathTemplate();

} // namespace modSend
