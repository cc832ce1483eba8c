#pragma once

// The release check against the maker's version file.
namespace modUpdateCheck {

// Fetches the newest release's version and offers the product page when it
// is newer than the running one. An interactive check (the menu) reports
// every outcome; the automatic one speaks only about a release it has not
// announced before. Returns when the check is over, processing events while
// it waits; a check asked for meanwhile runs after it.
void CheckForUpdate(bool interactive);
// The system's report that the Internet can be reached; true when the system
// cannot tell.
bool IsInternetConnected();

} // namespace modUpdateCheck
