// A scenario-tool command run in the test's process, with what it printed.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tool/tool.h"

namespace packager::tool {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

inline Outcome Tool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunTool(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace packager::tool
