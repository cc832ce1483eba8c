#include "messaging/modReceive.h"

#include "core/Logging.h"

namespace modReceive {

void ImportIncomingNotes()
{
    qCInfo(lcNet) << "incoming notes are not imported yet";
}

} // namespace modReceive
