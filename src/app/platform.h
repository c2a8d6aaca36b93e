// What the run needs from the platform: where the program lives, the wait
// window, the error box, a line of report for the user, a failure the user
// must see, and the end of the program. The console layer serves Linux; a
// windowed layer serves Windows.
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

  // One line for the user about a recorded fault.
  virtual void Report(const std::string& line) = 0;

  // A failure that stops the run (a file that cannot be written, no memory):
  // the line as Report writes it, e.g. "/dir/NAME_5608.sim: cannot write the
  // file: No space left on device", and where a line may go unseen, also in
  // an error box that leads with the headline, e.g. "The packager could not
  // write its files.". Returns when the user has seen it.
  virtual void ShowFailure(const std::string& headline, const std::string& line) = 0;

  // Closes what is open, removes the window and ends the process.
  [[noreturn]] virtual void EndProgram(int status) = 0;
};

// The layer of the system the program is built for. On Windows: the window
// with the label "Attendere", a message box for the error prompt and one with
// the error icon for a failure. Elsewhere, the console: "Attendere" on stderr
// when stderr is a terminal, the error prompt, reports and failures on stderr.
std::unique_ptr<Platform> MakeNativePlatform();

}  // namespace packager
