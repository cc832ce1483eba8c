#include "core/modProcessKiller.h"

#include "platform/Platform.h"

#include <QCoreApplication>

namespace modProcessKiller {

bool KillProcessByName(const QString &name)
{
    const QString wanted = name.toLower();
    const qint64 self = QCoreApplication::applicationPid();
    bool matched = false;
    for (const platform::ProcessInfo &process : platform::RunningProcesses()) {
        if (process.pid == self || !process.executableName.toLower().startsWith(wanted))
            continue;
        platform::TerminateProcess(process.pid);
        matched = true;
    }
    return matched;
}

void KillLegacyProcesses(int maxPasses)
{
    static const char *const legacyNames[] = {"Zettlor.exe", "Zettlor Control Center.exe",
                                              "ZLserver.exe", "ZettlorLauncher.exe"};
    // A process that cannot be ended must not hold start-up, hence the bound.
    for (int pass = 0; pass < maxPasses; ++pass) {
        bool matched = false;
        for (const char *name : legacyNames)
            matched = KillProcessByName(QLatin1String(name)) || matched;
        QCoreApplication::processEvents();
        if (!matched)
            return;
    }
}

} // namespace modProcessKiller
