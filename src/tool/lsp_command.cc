// scenario-tool lsp: the language server (lsp/lsp.h) on standard input and
// output, in binary mode so that the byte counts of its messages hold.
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "lsp/server.h"
#include "tool/arguments.h"
#include "tool/commands.h"
#include "tool/tool.h"

namespace packager::tool {

int LspCommand(const std::vector<std::string>& args, std::ostream& /*out*/, std::ostream& /*err*/) {
  const Arguments arguments = CommandArguments("lsp", args);
  arguments.ExpectPositional(0, "nothing");
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::ios::sync_with_stdio(false);
  return lsp::Serve(std::cin, std::cout);
}

}  // namespace packager::tool
