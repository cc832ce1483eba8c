#pragma once

#include <QString>
#include <functional>

class QUrl;

// The maker's web pages and opening an address with the user's programs.
namespace modWebLinks {

// The maker's site without a trailing "/": ZETTLOR_WEB_BASE from the
// environment, else the address the program was built with.
QString WebBase();
// WebBase() followed by path (which starts with "/").
QString WebAddress(const QString &path);
// The maker's e-mail address, at the site's host.
QString MakerEmail();

// Opens a web or mail address with the user's default program. Only http,
// https and mailto addresses are opened; a bare host gets "http://". Failures
// are silent.
void OpenURL(const QString &address);
void OpenSupportForums();
void OpenBugReport();
void OpenMakerHomePage();
void OpenDonatePage();
// The page offered when a newer release exists.
void OpenProductPage();

// What hands a checked address to the desktop, true when a program took it;
// tests record the addresses instead. An empty opener restores
// QDesktopServices.
using UrlOpener = std::function<bool(const QUrl &url)>;
void SetUrlOpener(UrlOpener opener);

} // namespace modWebLinks
