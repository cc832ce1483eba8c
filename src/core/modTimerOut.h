#pragma once

// Waits that keep the program responsive: both process pending events.
namespace modTimerOut {

// Processes pending events until the given number of seconds has passed.
void WaitSeconds(double seconds);
// 10 x count cycles of a 1 ms sleep followed by processing pending events.
void PauseBriefly(int count);

} // namespace modTimerOut
