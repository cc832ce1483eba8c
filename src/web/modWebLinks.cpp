#include "web/modWebLinks.h"

#include "core/Globals.h"
#include "core/modDialogs.h"

#include <QDesktopServices>
#include <QUrl>

namespace modWebLinks {
namespace {

bool OpenWithDesktop(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

UrlOpener &CurrentOpener()
{
    static UrlOpener opener = OpenWithDesktop;
    return opener;
}

// Addresses come from the branding file and the build: nothing that would
// run a local file or a script is handed on.
bool IsOpenable(const QUrl &url)
{
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                             scheme == QLatin1String("mailto"));
}

} // namespace

QString WebBase()
{
    QString base = qEnvironmentVariable("ZETTLOR_WEB_BASE").trimmed();
    if (base.isEmpty())
        base = QStringLiteral(ZETTLOR_WEB_BASE);
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

QString WebAddress(const QString &path)
{
    return WebBase() + path;
}

QString MakerEmail()
{
    return QStringLiteral("support@") + QUrl(WebBase()).host();
}

void OpenURL(const QString &address)
{
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    // Without a web browser or mail program the click would do nothing at all.
    if (IsOpenable(url) && !CurrentOpener()(url))
        modDialogs::ShowWarning(
            QStringLiteral("No program could be started to open %1.").arg(url.toDisplayString()));
}

void OpenSupportForums()
{
    OpenURL(WebAddress(QStringLiteral("/forum/index.php?c=18")));
}

void OpenBugReport()
{
    OpenURL(WebAddress(QStringLiteral("/BugReport.asp?Application=Zettlor&Version=") + ProgramVersion));
}

void OpenMakerHomePage()
{
    OpenURL(WebAddress(QStringLiteral("/")));
}

void OpenDonatePage()
{
    OpenURL(WebAddress(QStringLiteral("/Donate.asp")));
}

void OpenProductPage()
{
    OpenURL(WebAddress(QStringLiteral("/AboutZettlor.asp")));
}

void SetUrlOpener(UrlOpener opener)
{
    CurrentOpener() = opener ? std::move(opener) : UrlOpener(OpenWithDesktop);
}

} // namespace modWebLinks
