// scenario-tool: compile, check, inspect and draw a scenario.
#include <iostream>
#include <string>
#include <vector>

#include "tool/tool.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return packager::tool::RunTool(args, std::cout, std::cerr);
}
