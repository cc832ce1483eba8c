#include "notes/modMisc.h"

#include "core/Logging.h"

namespace modMisc {

winNote *LoadNote(const QString &path, const QString &, const QString &)
{
    qCInfo(lcNotes) << "note windows are not built yet; not loaded:" << path;
    return nullptr;
}

void LoadAllNotes()
{
    qCInfo(lcNotes) << "note windows are not built yet; no note loaded";
}

} // namespace modMisc
