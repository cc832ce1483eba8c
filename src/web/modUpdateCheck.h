#pragma once

// The release check against the maker's version file.
namespace modUpdateCheck {

// Compares the running version with the newest release; interactive checks
// report every outcome.
void CheckForUpdate(bool interactive);
bool IsInternetConnected();

} // namespace modUpdateCheck
