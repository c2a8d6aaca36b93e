// Standard input and output as the language server needs them, one file per
// platform (stdio_posix.cc, stdio_windows.cc): binary mode, so that the byte
// counts of its messages hold, and a wait for input with a time limit, so
// that a burst of edits is checked once it settles.
#pragma once

#include <chrono>

namespace packager::lsp {

// Puts standard input and output in binary mode (nothing to do on POSIX).
void UseBinaryStdio();

// Waits at most `limit` for standard input to have bytes to read (or to
// end); false when the time ran out first.
bool WaitForStdin(std::chrono::milliseconds limit);

}  // namespace packager::lsp
