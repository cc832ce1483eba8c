#pragma once

#include <QString>
#include <functional>

// The running copy's hand-over channel: one local socket per user. A second
// copy connects, sends "ZettlorLaunched" and ends; the first copy answers by
// calling the handler given to StartExplorerMonitor.
namespace modExplorerMonitor {

// Full path of this user's socket.
QString ServerPath();
// Tells a running copy that another start happened; false when none answers.
bool NotifyRunningCopy();
// Starts listening. False when another copy owns the socket (a stale socket
// left by a crash is removed and taken over).
bool StartExplorerMonitor(std::function<void()> onLaunched);
void StopExplorerMonitor();

} // namespace modExplorerMonitor
