#include "tool/watch_platform.h"

#include <windows.h>

#include <atomic>

namespace packager::tool {

namespace {

std::atomic<bool> stop_asked{false};
std::atomic<bool> ended{false};

// Closing the console ends the process once the handler returns: it waits
// (the system allows a few seconds) for watch to stop its server.
BOOL WINAPI RememberStop(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      stop_asked = true;
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      stop_asked = true;
      for (int waited = 0; waited < 40 && !ended; ++waited) Sleep(100);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void ListenForStop() { SetConsoleCtrlHandler(RememberStop, TRUE); }

bool StopAsked() { return stop_asked; }

void PauseWatch(std::chrono::milliseconds duration) {
  constexpr long kStep = 50;
  for (long left = static_cast<long>(duration.count()); left > 0 && !stop_asked; left -= kStep) {
    Sleep(static_cast<DWORD>(left < kStep ? left : kStep));
  }
}

void WatchEnded() { ended = true; }

}  // namespace packager::tool
