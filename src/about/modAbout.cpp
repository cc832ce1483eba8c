#include "about/modAbout.h"

#include "core/Logging.h"

namespace modAbout {

void OpenAbout()
{
    qCInfo(lcTray) << "OpenAbout: this window does not exist yet";
}

} // namespace modAbout
