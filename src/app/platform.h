// What the run needs from the platform: where the program lives, the wait
// window, the error box, a line of report for the user, and the end of the
// program. The console layer serves Linux; a windowed layer serves Windows.
#pragma once

#include <memory>
#include <string>

namespace packager {

class Platform {
 public:
  virtual ~Platform() = default;

  // The directory that holds the running executable (never the working
  // directory), without a trailing separator.
  virtual std::string ProgramDirectory() = 0;

  // Shows "Attendere" and paints it once; the run handles no events after.
  virtual void ShowWaitWindow() = 0;

  // Shows the prompt modally with one OK button; returns when it is closed.
  virtual void ShowErrorBox(const std::string& prompt) = 0;

  // One line for the user about a recorded fault or a file failure.
  virtual void Report(const std::string& line) = 0;

  // Closes what is open, removes the window and ends the process.
  [[noreturn]] virtual void EndProgram(int status) = 0;
};

// The layer of the system the program is built for. On Windows: the window
// with the label "Attendere", a message box for the error prompt. Elsewhere,
// the console: "Attendere" on stderr when stderr is a terminal, the error
// prompt and reports on stderr.
std::unique_ptr<Platform> MakeNativePlatform();

}  // namespace packager
