#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QNetworkInterface>

// Fallback for systems without their own implementation: everything that
// Qt alone can answer, nothing else.
namespace platform {

bool HasDisplay()
{
    return true;
}
void SelectWindowSystem()
{
}
void WindowSystemStarted()
{
}

QString CurrentUserName()
{
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? qEnvironmentVariable("USERNAME") : user;
}

QString ProfilesFolder()
{
    QDir home(QDir::homePath());
    home.cdUp();
    return home.absolutePath();
}

bool ShareDropFolder(const QString &)
{
    return false;
}

bool WriteForDropFolderOwner(const std::function<bool()> &write)
{
    return write();
}

bool OpenForReading(QFile &file)
{
    return file.open(QIODevice::ReadOnly);
}

QString RuntimeFolder()
{
    return QDir::tempPath();
}
QString DefaultRouteAddress()
{
    return QString();
}
QList<ProcessInfo> RunningProcesses()
{
    return {};
}
bool TerminateProcess(qint64)
{
    return false;
}

void KeepOffTaskbar(QWidget *)
{
}
void ShowOnEveryWorkspace(QWidget *)
{
}
void ReleasePixelsWhenStill(QWidget *)
{
}
bool TrayHostPresent()
{
    return true;
}
void OnTrayHostChange(QObject *, std::function<void()>)
{
}

void OnTerminationRequest(std::function<void()>)
{
}
void OnDisplayLost(std::function<void()>)
{
}
void FailWritesBeyondFileSizeLimit()
{
}

void SyncFolder(const QString &)
{
}

} // namespace platform
