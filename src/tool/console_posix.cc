// A POSIX system hands over the bytes of the command line as they are, and
// a terminal shows what the locale says: nothing to do.
#include "tool/console.h"

namespace packager::tool {

std::vector<std::string> ToolArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
}

bool StartedInItsOwnWindow() { return false; }

void WaitForKey() {}

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

}  // namespace packager::tool
