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
    return packager::tool::RunTool(args, std::cout, std::cerr);
  } catch (...) {
    // RunTool reports its own failures; this is what is left: no memory even
    // for the arguments, or a report that could not be written.
    std::fputs("scenario-tool: unexpected failure\n", stderr);
    return packager::tool::kToolFailure;
  }
}
