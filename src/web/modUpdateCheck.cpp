#include "web/modUpdateCheck.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "core/SettingKeys.h"
#include "core/modDialogs.h"
#include "core/modSettings.h"
#include "core/modText.h"
#include "web/modWebLinks.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <optional>

namespace modUpdateCheck {
namespace {

// From the request to the last byte of the answer.
constexpr std::chrono::seconds kTimeLimit{15};
// A version file holds a few bytes; a longer answer is something else.
constexpr qint64 kLongestAnswer = 1024;
// A release text must be shorter than this.
constexpr qsizetype kReleaseTextLimit = 21;

bool checkRunning = false;
// Asked for while a check runs: runs next, interactive when any request was.
std::optional<bool> queuedCheck;

class SystemProxies final : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        return systemProxyForQuery(query);
    }
};

// Without a user name the proxy's refusal ends the check; Qt itself gives up
// when it is offered the same refused credentials again.
void OfferProxyCredentials(const QNetworkProxy &, QAuthenticator *authenticator)
{
    const QString user = modSettings::ReadProxyUsername();
    if (user.isEmpty())
        return;
    authenticator->setUser(user);
    authenticator->setPassword(modSettings::ReadProxyPassword());
}

QNetworkAccessManager &Manager()
{
    static QNetworkAccessManager *const manager = [] {
        auto *created = new QNetworkAccessManager(QCoreApplication::instance());
        created->setProxyFactory(new SystemProxies);
        QObject::connect(created, &QNetworkAccessManager::proxyAuthenticationRequired, created,
                         &OfferProxyCredentials);
        return created;
    }();
    return *manager;
}

// Numbers joined by dots ("3.0.6"); an error page or an empty answer is not.
bool IsDottedVersion(const QString &text)
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9]+(\\.[0-9]+)+")));
    return pattern.match(text).hasMatch();
}

// Number by number, a missing number counting as 0: 3.0.12 is newer than
// 3.0.6, 2.10.0 is older. Numbers of a release text fit in 64 bits.
bool IsNewer(const QString &release, const QString &running)
{
    const QStringList releaseNumbers = release.split(QLatin1Char('.'));
    const QStringList runningNumbers = running.split(QLatin1Char('.'));
    const auto number = [](const QStringList &numbers, qsizetype index) {
        return index < numbers.size() ? numbers.at(index).toULongLong() : 0;
    };
    for (qsizetype index = 0; index < std::max(releaseNumbers.size(), runningNumbers.size()); ++index) {
        const qulonglong newest = number(releaseNumbers, index), ours = number(runningNumbers, index);
        if (newest != ours)
            return newest > ours;
    }
    return false;
}

// The version text of a finished download, trimmed; nothing when the
// download failed or brought something else.
std::optional<QString> ReleaseText(QNetworkReply &reply)
{
    if (!reply.isFinished() || reply.error() != QNetworkReply::NoError)
        return std::nullopt;
    const QString text = modText::DecodeBytes(reply.readAll()).trimmed();
    if (text.size() >= kReleaseTextLimit || !IsDottedVersion(text))
        return std::nullopt;
    return text;
}

// Waits for the version file while events go on; the wait also ends when the
// program is told to exit.
std::optional<QString> FetchReleaseText()
{
    // Credentials changed in the options since the last check count now.
    Manager().clearAccessCache();
    QNetworkRequest request(QUrl(modWebLinks::WebAddress(QStringLiteral("/Version/Zettlor.txt"))));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply *reply = Manager().get(request);
    QEventLoop wait;
    QObject::connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kLongestAnswer)
            reply->abort();
    });
    // Ends with the wait: a timer left running would wake the idle program later.
    QTimer timeLimit;
    timeLimit.setSingleShot(true);
    QObject::connect(&timeLimit, &QTimer::timeout, &wait, &QEventLoop::quit);
    timeLimit.start(kTimeLimit);
    wait.exec();
    const std::optional<QString> release = ReleaseText(*reply);
    if (!release)
        qCInfo(lcNet) << "release check failed:" << reply->errorString();
    reply->abort();
    reply->deleteLater();
    // A connection kept for later would wake the idle program when it expires;
    // the next check is a day away.
    Manager().clearConnectionCache();
    return release;
}

void ReportFailure()
{
    const QString host = QUrl(modWebLinks::WebBase()).host();
    modDialogs::ShowWarning(
        QStringLiteral("The attempt to check for an updated version of Zettlor failed!\r\n\r\n"
                       "Please visit %1 to check for a new version.")
            .arg(host));
}

void OfferRelease(const QString &release, bool interactive)
{
    // The automatic check announces each release once.
    if (!interactive && modSettings::ReadSetting(SettingKeys::CheckVersion) == release)
        return;
    modSettings::WriteSetting(SettingKeys::CheckVersion, release);
    const auto answer = modDialogs::ShowMessage(
        QStringLiteral("Zettlor v%1 is available!  Would you like to download the setup now?").arg(release),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Information);
    if (answer == QMessageBox::Yes)
        modWebLinks::OpenProductPage();
}

void RunCheck(bool interactive)
{
    const std::optional<QString> release = FetchReleaseText();
    if (!release) {
        if (interactive)
            ReportFailure();
    } else if (IsNewer(*release, ProgramVersion)) {
        OfferRelease(*release, interactive);
    } else if (interactive) {
        modDialogs::ShowMessage(QStringLiteral("You are using the latest version of Zettlor."),
                                QMessageBox::Ok, QMessageBox::Information);
    }
}

} // namespace

void CheckForUpdate(bool interactive)
{
    if (checkRunning) {
        queuedCheck = queuedCheck.value_or(false) || interactive;
        return;
    }
    checkRunning = true;
    std::optional<bool> next = interactive;
    while (next) {
        queuedCheck.reset();
        RunCheck(*next);
        next = queuedCheck;
    }
    checkRunning = false;
}

bool IsInternetConnected()
{
    if (!QNetworkInformation::instance() &&
        !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return true;
    const QNetworkInformation::Reachability reachability = QNetworkInformation::instance()->reachability();
    return reachability == QNetworkInformation::Reachability::Online ||
           reachability == QNetworkInformation::Reachability::Unknown;
}

} // namespace modUpdateCheck
