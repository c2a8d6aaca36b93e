// The commands of scenario-tool in one table: each command's name, its
// usage and help, and the options its command line takes. The help, the
// parsing of each command line, the manual page and the shell completions
// read it.
#pragma once

#include <cstddef>
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

// --- The help as printed: the table's texts wrapped to kHelpWidth columns.
// A console of 80 columns on Windows moves to its next line once its last
// column is written, so that a line of 80 would be followed by an empty one.
inline constexpr std::size_t kHelpWidth = 79;

// Each form of the command's usage on one line, from "scenario-tool ".
std::vector<std::string> UsageForms(const CommandLine& command);

// The command's help as one paragraph. TARGETS in it names the packager
// targets: those whose prebuilt packager is found (every one when none is),
// or every one when all_targets is set (the manual page).
std::string CommandSummary(const CommandLine& command, bool all_targets = false);

// The command's usage, each form starting a line with `lead` ("usage: ", or
// "  " in the list of commands) and wrapped between its words; no line is
// wider than kHelpWidth.
std::string CommandUsage(const CommandLine& command, std::string_view lead);

// The command's usage, then its help indented by four spaces, wrapped alike.
std::string CommandHelp(const CommandLine& command, std::string_view lead);
// --- end of the help as printed

// What a value on a command line is, for the shell completions and the
// manual page: nothing to complete, free text, a file, a folder, or one word
// of a few.
struct ValueKind {
  enum Type { kNone, kText, kFile, kFolder, kWord } type;
  std::vector<std::string> words;  // the words of kWord
};

// The value of an option that takes one (valued, or a start of own_options
// such as "-Wno-"): the same in every command that takes it.
ValueKind OptionValue(std::string_view option);

// What a command's positional arguments are.
ValueKind PositionalValue(std::string_view command);

}  // namespace packager::tool
