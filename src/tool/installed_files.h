// The files an installation puts beside scenario-tool for the shells and
// for man, written from the table of commands (commands.h), so that they
// name every command and option the tool takes and no other.
#pragma once

#include <ostream>

namespace packager::tool {

enum class Shell { kBash, kZsh };

struct ShellName {
  const char* name;  // as `scenario-tool completions` takes it
  Shell shell;
};

inline constexpr ShellName kShells[] = {{"bash", Shell::kBash}, {"zsh", Shell::kZsh}};

// The completion script of the shell: the commands, then each command's
// options and the values they take, files and folders where they take a path.
// The bash one defines _scenario_tool and registers it for scenario-tool; the
// zsh one is the _scenario-tool of a folder of $fpath.
void WriteCompletion(Shell shell, std::ostream& out);

// The manual page scenario-tool(1) in roff (man -l): every command with its
// usage, its help and its options, then what all commands share.
void WriteManualPage(std::ostream& out);

}  // namespace packager::tool
