// The commands of scenario-tool in one table: each command's name, its
// usage and help, and the options its command line takes. The help, the
// parsing of each command line and (one day) shell completions read it.
#pragma once

#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tool/arguments.h"

namespace packager::tool {

struct CommandLine {
  const char* name;
  const char* usage;             // after "scenario-tool "; further forms on lines of their own
  const char* summary;           // the help, indented by four spaces from its second line
  std::set<std::string> flags;   // options without a value
  std::set<std::string> valued;  // options with one: "--name NAME" or "--name=NAME"
  // The starts of options that the command takes out of its line itself before
  // the others are parsed (check's "-Werror" and "-Wno-NAME").
  std::vector<std::string> own_options;
  int (*run)(const std::vector<std::string>&, std::ostream&, std::ostream&);
};

// Every command, in the order the help lists them.
const std::vector<CommandLine>& Commands();

// The command of that name; throws std::logic_error for a name not in the
// table (a fault of the tool, not of its user).
const CommandLine& CommandNamed(std::string_view name);

// The command line of a command, parsed with the command's options from the
// table; throws UsageError as Arguments does.
Arguments CommandArguments(std::string_view name, const std::vector<std::string>& args);

}  // namespace packager::tool
