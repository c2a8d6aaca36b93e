// scenario-tool: compile, check, inspect and draw a scenario.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "tool/console.h"
#include "tool/tool.h"

int main(int argc, char** argv) {
  try {
    const packager::tool::Utf8Console console;
    const std::vector<std::string> args = packager::tool::ToolArguments(argc, argv);
    if (args.empty() && packager::tool::StartedInItsOwnWindow()) {
      // Opened from Explorer: the window closes when the tool ends.
      packager::tool::PrintShortUsage(std::cout, "scenario-tool.exe");
      std::cout << "Or drop a scenario folder on check-and-report.bat.\n\nPress a key to close"
                << std::flush;
      packager::tool::WaitForKey();
      return packager::tool::kToolUsage;
    }
    return packager::tool::RunTool(args, std::cout, std::cerr);
  } catch (...) {
    // RunTool reports its own failures; this is what is left: no memory even
    // for the arguments, or a report that could not be written.
    std::fputs("scenario-tool: unexpected failure\n", stderr);
    return packager::tool::kToolFailure;
  }
}
