#include "messaging/modReceive.h"

#include "core/Logging.h"
#include "notes/modMisc.h"

namespace modReceive {

void ImportIncomingNotes()
{
    qCInfo(lcNet) << "incoming notes are not imported yet";
}

void ReceiveNote(const QString &name, const QString &address, const QString &noteText)
{
    modMisc::LoadNote(QString(), QString(),
                      noteText + QStringLiteral("[FROM=") + address + QLatin1Char('|') + name +
                          QLatin1Char(']'));
}

} // namespace modReceive
