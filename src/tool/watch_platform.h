// What watch needs of the system: to hear that its user wants it to end
// (Ctrl-C, a closed terminal or console window, a request to terminate) and
// to pause between polls. POSIX signals on Linux (watch_platform_posix.cc),
// console control events on Windows (watch_platform_windows.cc).
#pragma once

#include <chrono>

namespace packager::tool {

// From now on, a stop request is remembered rather than ending the process.
void ListenForStop();

// A stop has been asked for since ListenForStop.
bool StopAsked();

// Sleeps for `duration`, or less when a stop is asked for.
void PauseWatch(std::chrono::milliseconds duration);

// Watch has ended its work: a console being closed may take the process now.
void WatchEnded();

}  // namespace packager::tool
