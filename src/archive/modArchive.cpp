#include "archive/modArchive.h"

#include "core/Logging.h"

namespace modArchive {

void OpenNoteArchive()
{
    qCInfo(lcTray) << "OpenNoteArchive: this window does not exist yet";
}

} // namespace modArchive
