#include "notes/modMisc.h"

#include "core/Logging.h"

namespace modMisc {

void LoadAllNotes()
{
    qCInfo(lcNotes) << "note windows are not built yet; no note loaded";
}

} // namespace modMisc
