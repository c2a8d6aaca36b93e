#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "lsp/stdio_platform.h"

namespace packager::lsp {

void UseBinaryStdio() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

bool WaitForStdin(std::chrono::milliseconds limit) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  // Only a pipe, as an editor starts the server with, tells what it holds;
  // for anything else the edits are checked at once.
  if (input == INVALID_HANDLE_VALUE || GetFileType(input) != FILE_TYPE_PIPE) return false;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    DWORD available = 0;
    // A pipe that cannot be looked into (or has ended): check now.
    if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available > 0) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    Sleep(10);
  }
}

}  // namespace packager::lsp
