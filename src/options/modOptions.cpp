#include "options/modOptions.h"

#include "core/Logging.h"

namespace modOptions {

void OpenOptions()
{
    qCInfo(lcTray) << "OpenOptions: this window does not exist yet";
}

} // namespace modOptions
