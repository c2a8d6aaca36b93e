#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "lsp/stdio_platform.h"

namespace packager::lsp {

void UseBinaryStdio() {}

bool WaitForStdin(std::chrono::milliseconds limit) {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const int ready = ::poll(&input, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
    if (ready >= 0) return ready > 0;
    if (errno != EINTR) return true;  // a fault of the stream shows when it is read
  }
}

}  // namespace packager::lsp
