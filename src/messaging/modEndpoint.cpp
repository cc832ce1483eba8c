#include "messaging/modEndpoint.h"

#include "core/Logging.h"

namespace modEndpoint {

BindResult BindEndpoint()
{
    qCInfo(lcNet) << "the UDP endpoint is not built yet; nothing bound";
    return BindResult::Failed;
}

} // namespace modEndpoint
