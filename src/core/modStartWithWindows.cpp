#include "core/modStartWithWindows.h"

#include "core/Logging.h"

namespace modStartWithWindows {

void RegisterStartAtLogon()
{
    qCInfo(lcCore) << "start at logon is not built yet; nothing registered";
}

void MigrateLegacyNotes()
{
    qCInfo(lcCore) << "legacy note migration is not built yet; nothing migrated";
}

} // namespace modStartWithWindows
