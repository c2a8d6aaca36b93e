// scenario-tool lsp: the language server (lsp/lsp.h) on standard input and
// output, in binary mode so that the byte counts of its messages hold.
#include <iostream>
#include <string>
#include <vector>

#include "lsp/server.h"
#include "lsp/stdio_platform.h"
#include "tool/arguments.h"
#include "tool/commands.h"
#include "tool/tool.h"

namespace packager::tool {

int LspCommand(const std::vector<std::string>& args, std::ostream& /*out*/, std::ostream& /*err*/) {
  const Arguments arguments = CommandArguments("lsp", args);
  arguments.ExpectPositional(0, "nothing");
  lsp::UseBinaryStdio();
  std::ios::sync_with_stdio(false);
  return lsp::Serve(std::cin, std::cout, lsp::WaitForStdin);
}

}  // namespace packager::tool
