#include "tool/watch_platform.h"

#include <csignal>
#include <ctime>

namespace packager::tool {

namespace {

volatile std::sig_atomic_t stop_signal = 0;

extern "C" void RememberStop(int signal_number) { stop_signal = signal_number; }

}  // namespace

void ListenForStop() {
  struct sigaction action = {};
  action.sa_handler = RememberStop;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a pause ends at once.
  for (const int signal_number : {SIGINT, SIGHUP, SIGTERM}) {
    sigaction(signal_number, &action, nullptr);
  }
  // A page reader or a terminal that has gone away makes a write fail, not
  // the process end.
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

bool StopAsked() { return stop_signal != 0; }

void PauseWatch(std::chrono::milliseconds duration) {
  if (StopAsked()) return;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
  timespec pause = {};
  pause.tv_sec = static_cast<std::time_t>(seconds.count());
  pause.tv_nsec = static_cast<long>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(duration - seconds).count());
  nanosleep(&pause, nullptr);
}

void WatchEnded() {}

}  // namespace packager::tool
