#include "messaging/modSend.h"

#include "core/Logging.h"

namespace modSend {

QString ComputeUserPathTemplate()
{
    qCInfo(lcNet) << "local-user delivery is not built yet; no path template";
    return QString();
}

} // namespace modSend
