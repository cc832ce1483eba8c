#pragma once

#include <QString>

// The maker's web pages. Opening them is not built yet: each call says so in
// the log and does nothing.
namespace modWebLinks {

// Opens a web or mail address with the user's default program.
void OpenURL(const QString &address);
void OpenSupportForums();
void OpenBugReport();
void OpenMakerHomePage();
void OpenDonatePage();

} // namespace modWebLinks
