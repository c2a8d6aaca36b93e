// The tool's command line and console as the system gives them: arguments
// in UTF-8, as every path and message inside the tool is, and a console that
// shows UTF-8 while the tool runs. One source per platform: console_posix.cc
// or console_windows.cc.
#pragma once

#include <string>
#include <vector>

namespace packager::tool {

// The arguments after the program's name. On Windows they are taken from
// the wide command line, not from argv, which holds them in the code page
// of the moment ("Città" may arrive as "Citt?").
std::vector<std::string> ToolArguments(int argc, char** argv);

// Whether the tool was started in a console window of its own, as a
// double-click in Explorer starts it: no other program shares the console
// and both input and output are that console, so what it prints is gone the
// moment it ends. Always false on POSIX, and wherever either is redirected.
bool StartedInItsOwnWindow();

// Waits until a key is pressed in the console; at once when there is none.
void WaitForKey();

// While it lives, a console the tool writes to shows its UTF-8 as text; the
// console's own setting is given back after.
class Utf8Console {
 public:
  Utf8Console();
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  // The console's code page before; 0: nothing to give back (always, on POSIX).
  [[maybe_unused]] unsigned previous_ = 0;
};

}  // namespace packager::tool
