#include "messaging/modSend.h"

#include "core/Globals.h"
#include "platform/Platform.h"

#include <QDir>

namespace modSend {
namespace {

const QString kUserNameMark = QStringLiteral("[USERNAME]");

} // namespace

QString ComputeUserPathTemplate()
{
    // Only the profile folder itself is replaced: a user called "Data" must
    // not turn ".../AppData/..." into a path of someone else's.
    const QString profiles = QDir::cleanPath(platform::ProfilesFolder());
    const QString ownProfile = profiles + QLatin1Char('/') + UserName;
    const QString data = QDir::cleanPath(DataFolder);
    if (UserName.isEmpty() || !QDir(profiles).entryList(QDir::Dirs).contains(UserName))
        return QString();
    if (data != ownProfile && !data.startsWith(ownProfile + QLatin1Char('/')))
        return QString();
    return profiles + QLatin1Char('/') + kUserNameMark + data.mid(ownProfile.size());
}

QString LocalUserDataFolder(const QString &userName)
{
    // The name comes from contacts and received notes: it must name one
    // folder, never climb out of the profiles folder.
    const bool oneFolder = !userName.isEmpty() && !userName.contains(QLatin1Char('/'))
                           && !userName.contains(QLatin1Char('\\')) && userName != QLatin1String(".")
                           && userName != QLatin1String("..");
    if (UserPathTemplate.isEmpty() || !oneFolder)
        return QString();
    QString folder = UserPathTemplate;
    return folder.replace(kUserNameMark, userName);
}

} // namespace modSend
