#include "messaging/modSend.h"

#include "core/Globals.h"
#include "core/modFiles.h"
#include "core/modText.h"
#include "messaging/Winsock.h"
#include "platform/Platform.h"
#include "tray/winMenu.h"

#include <QDir>
#include <QFileInfo>
#include <QHostAddress>

namespace modSend {
namespace {

const QString kUserNameMark = QStringLiteral("[USERNAME]");
// The largest payload one IPv4 UDP datagram carries.
constexpr qsizetype kLargestDatagram = 65507;

QString DeliverToLocalUser(const QString &name, const QString &contents)
{
    const QString folder = LocalUserDataFolder(name);
    if (folder.isEmpty())
        return QStringLiteral("The note could not be delivered because the data folder of %1 is not known.")
            .arg(name);
    const QString incoming = folder + QStringLiteral("/Incoming");
    const QFileInfo incomingInfo(incoming);
    if (!incomingInfo.isDir() || !incomingInfo.isWritable())
        return QStringLiteral("The note could not be delivered because the Incoming folder of %1 is missing "
                              "or not writable.")
            .arg(name);
    const QString path = incoming + QLatin1Char('/') + modFiles::NewNoteFileName(incoming);
    const QString text = UserName + QStringLiteral(" (Local User)") + contents;
    // A link put there by someone else is replaced, never written through.
    if (!platform::WriteForDropFolderOwner(
            [&] { return modFiles::WriteTextFile(path, text, modFiles::LinkWrite::ReplaceLink); }))
        return QStringLiteral("The note could not be written into the Incoming folder of %1.").arg(name);
    return QString();
}

QString SendDatagram(const QString &address, const QString &contents)
{
    Winsock *endpoint = winMenu::Instance() ? winMenu::Instance()->Winsock : nullptr;
    QHostAddress parsed;
    if (!parsed.setAddress(address) || parsed.protocol() != QAbstractSocket::IPv4Protocol)
        return QStringLiteral("The note could not be sent because \"%1\" is not an IPv4 address.")
            .arg(address);
    const QString datagram = QLatin1Char('+') + Winsock::LocalHostName() + QStringLiteral(" (") +
                             (endpoint ? endpoint->LocalIP() : QString()) + QLatin1Char(')') + contents;
    if (modText::EncodeNarrowest(datagram).size() > kLargestDatagram)
        return QStringLiteral("The note is too long to be sent over the network.");
    if (!endpoint)
        return QStringLiteral("The note could not be sent because the network connection is not open.");
    endpoint->RemoteHost = address;
    if (!endpoint->SendData(datagram))
        return QStringLiteral("The note could not be sent to %1.").arg(address);
    return QString();
}

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

QString SendNote(const QString &address, const QString &name, const QString &contents)
{
    if (address == QLatin1String("Local User"))
        return DeliverToLocalUser(name, contents);
    return SendDatagram(address, contents);
}

QString LocalUserDataFolder(const QString &userName)
{
    // The name comes from contacts and received notes: it must name one
    // folder, never climb out of the profiles folder.
    const bool oneFolder = !userName.isEmpty() && !userName.contains(QLatin1Char('/')) &&
                           !userName.contains(QLatin1Char('\\')) && userName != QLatin1String(".") &&
                           userName != QLatin1String("..");
    if (UserPathTemplate.isEmpty() || !oneFolder)
        return QString();
    QString folder = UserPathTemplate;
    return folder.replace(kUserNameMark, userName);
}

} // namespace modSend
