#include "web/modUpdateCheck.h"

#include "core/Logging.h"

namespace modUpdateCheck {

void CheckForUpdate(bool interactive)
{
    qCInfo(lcCore) << "the release check is not built yet; interactive:" << interactive;
}

bool IsInternetConnected()
{
    qCInfo(lcCore) << "the connection test is not built yet";
    return false;
}

} // namespace modUpdateCheck
