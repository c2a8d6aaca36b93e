#include "tool/installed_files.h"

#include <string>
#include <string_view>
#include <vector>

#include "tool/arguments.h"
#include "tool/commands.h"
#include "tool/tool.h"
#include "version/version.h"

namespace packager::tool {

namespace {

// Every option of a command as its line spells it: the flags, the valued
// ones ("-o" beside "--output"), the starts of its own, and the help.
std::vector<std::string> OptionsOf(const CommandLine& command) {
  std::vector<std::string> options;
  for (const std::string& flag : command.flags) options.push_back(flag);
  for (const std::string& option : command.valued) {
    if (option == "--output") options.push_back("-o");
    options.push_back(option);
  }
  for (const std::string& own : command.own_options) options.push_back(own);
  options.push_back("-h");
  options.push_back("--help");
  return options;
}

// An own option that is the start of a word ("-Wno-" of -Wno-NAME) rather
// than a whole one ("-Werror").
bool IsOptionStart(std::string_view option) { return option.size() > 2 && option.back() == '-'; }

// The help's first words, up to its first pause, for a list of commands.
std::string FirstPhrase(std::string_view summary) {
  std::string_view phrase = summary.substr(0, summary.find_first_of(":;,(\n"));
  while (!phrase.empty() && phrase.back() == ' ') phrase.remove_suffix(1);
  return std::string(phrase);
}

std::string Joined(const std::vector<std::string>& words, std::string_view separator) {
  std::string text;
  for (const std::string& word : words) {
    if (!text.empty()) text += separator;
    text += word;
  }
  return text;
}

// Text between single quotes in either shell.
std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

// Every valued option of any command, once, and every start of an own option.
std::vector<std::string> ValuedOptions(bool starts) {
  std::vector<std::string> options;
  for (const CommandLine& command : Commands()) {
    const auto add = [&options](const std::string& option) {
      for (const std::string& known : options) {
        if (known == option) return;
      }
      options.push_back(option);
    };
    if (starts) {
      for (const std::string& own : command.own_options) {
        if (IsOptionStart(own)) add(own);
      }
    } else {
      for (const std::string& option : command.valued) add(option);
    }
  }
  return options;
}

// The arguments of _scenario_tool_reply that complete a value; none for
// a value that has nothing to complete.
std::string BashReply(const ValueKind& value) {
  switch (value.type) {
    case ValueKind::kFile:
      return "file";
    case ValueKind::kFolder:
      return "folder";
    case ValueKind::kWord:
      return "words " + Quoted(Joined(value.words, " "));
    case ValueKind::kNone:
    case ValueKind::kText:
      break;
  }
  return "";
}

void WriteBash(std::ostream& out) {
  out << "# bash completion of scenario-tool: its commands, their options and the\n"
         "# values these take. Written by `scenario-tool completions bash`.\n\n"
         "_scenario_tool_reply() {\n"
         "  case $1 in\n"
         "    words) mapfile -t COMPREPLY < <(compgen -W \"$2\" -- \"$cur\") ;;\n"
         "    file) compopt -o filenames 2>/dev/null\n"
         "      mapfile -t COMPREPLY < <(compgen -f -- \"$cur\") ;;\n"
         "    folder) compopt -o filenames 2>/dev/null\n"
         "      mapfile -t COMPREPLY < <(compgen -d -- \"$cur\") ;;\n"
         "  esac\n"
         "  return 0\n"
         "}\n\n"
         "_scenario_tool() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=\"\" at=$((COMP_CWORD - 1))\n"
         "  # --option=VALUE comes in three words: the option, '=' and the value.\n"
         "  if [[ $cur == \"=\" ]]; then\n"
         "    cur=\"\"\n"
         "  elif (( at > 0 )) && [[ ${COMP_WORDS[at]} == \"=\" ]]; then\n"
         "    at=$((at - 1))\n"
         "  fi\n"
         "  (( at >= 0 )) && prev=${COMP_WORDS[at]}\n"
         "  COMPREPLY=()\n"
         "  if (( COMP_CWORD == 1 )); then\n";
  std::vector<std::string> first;
  for (const CommandLine& command : Commands()) first.emplace_back(command.name);
  for (const char* other : {"help", "version", "--help", "--version"}) first.emplace_back(other);
  out << "    _scenario_tool_reply words " << Quoted(Joined(first, " ")) << "\n"
      << "    return 0\n  fi\n"
      << "  local options=\"\" arguments=()\n"
      << "  case ${COMP_WORDS[1]} in\n";
  for (const CommandLine& command : Commands()) {
    out << "    " << command.name << ") options=" << Quoted(Joined(OptionsOf(command), " "))
        << "; arguments=(" << BashReply(PositionalValue(command.name)) << ") ;;\n";
  }
  out << "    *) return 0 ;;\n  esac\n  case $prev in\n";
  for (const std::string& option : ValuedOptions(false)) {
    const std::string reply = BashReply(OptionValue(option));
    out << "    " << (option == "--output" ? "-o|--output" : option) << ") "
        << (reply.empty() ? "" : "_scenario_tool_reply " + reply + "; ") << "return 0 ;;\n";
  }
  out << "  esac\n  case $cur in\n";
  for (const std::string& start : ValuedOptions(true)) {
    const ValueKind value = OptionValue(start);
    out << "    " << start << "*) [[ \" $options \" == *\" " << start << " \"* ]] && "
        << "mapfile -t COMPREPLY < <(compgen -P " << Quoted(start) << " -W "
        << Quoted(Joined(value.words, " ")) << " -- \"${cur#" << start << "}\"); return 0 ;;\n";
  }
  // The start of an option word ("-Wno-") takes the rest without a space.
  out << "    -*) _scenario_tool_reply words \"$options\"\n"
         "      [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *- ]] && compopt -o nospace 2>/dev/null\n"
         "      return 0 ;;\n"
         "  esac\n"
         "  (( ${#arguments[@]} > 0 )) && _scenario_tool_reply \"${arguments[@]}\"\n"
         "  return 0\n"
         "}\n\n"
         "complete -F _scenario_tool scenario-tool\n";
}

// How zsh's _arguments completes a value: ":MESSAGE:ACTION".
std::string ZshAction(const ValueKind& value, std::string_view message) {
  std::string action = ":" + std::string(message) + ":";
  switch (value.type) {
    case ValueKind::kFile:
      return action + "_files";
    case ValueKind::kFolder:
      return action + "_files -/";
    case ValueKind::kWord:
      return action + "(" + Joined(value.words, " ") + ")";
    case ValueKind::kNone:
    case ValueKind::kText:
      break;
  }
  return action + " ";
}

void WriteZsh(std::ostream& out) {
  out << "#compdef scenario-tool\n"
         "# zsh completion of scenario-tool: its commands, their options and the\n"
         "# values these take. Written by `scenario-tool completions zsh`.\n\n"
         "_scenario-tool() {\n"
         "  if (( CURRENT == 2 )); then\n"
         "    local -a commands\n"
         "    commands=(\n";
  for (const CommandLine& command : Commands()) {
    out << "      " << Quoted(std::string(command.name) + ":" + FirstPhrase(command.summary))
        << "\n";
  }
  out << "    )\n"
         "    _describe -t commands 'scenario-tool command' commands\n"
         "    compadd -- --help --version\n"
         "    return\n"
         "  fi\n"
         "  local command=$words[2]\n"
         "  shift words\n"
         "  (( CURRENT-- ))\n"
         "  case $command in\n";
  for (const CommandLine& command : Commands()) {
    out << "    (" << command.name << ")\n      _arguments";
    for (const std::string& option : OptionsOf(command)) {
      std::string entry;
      if (option == "-h" || option == "--help") {
        entry = "(-h --help)" + option + "[show the help of the command]";
      } else if (IsOptionStart(option)) {
        entry = "*" + option + "-" + ZshAction(OptionValue(option), option + "NAME");
      } else if (option == "-o") {
        entry = "-o" + ZshAction(OptionValue("--output"), "file");
      } else if (command.valued.count(option) != 0) {
        entry = option + "=" + ZshAction(OptionValue(option), option.substr(2));
      } else {
        entry = option;
      }
      out << " \\\n        " << Quoted(entry);
    }
    const ValueKind positional = PositionalValue(command.name);
    if (positional.type != ValueKind::kNone) {
      const char* what = positional.type == ValueKind::kFolder ? "folder"
                         : positional.type == ValueKind::kFile ? "file"
                                                               : "word";
      out << " \\\n        " << Quoted("*" + ZshAction(positional, what));
    }
    out << "\n      ;;\n";
  }
  out << "  esac\n"
         "}\n\n"
         "_scenario-tool \"$@\"\n";
}

// A line of text in roff: backslashes kept, a leading control character
// made text, and the hyphens of options (words that start with '-', after
// any '[') the minus signs that a terminal shows as '-'.
std::string Roff(std::string_view line) {
  std::string text;
  if (!line.empty() && (line[0] == '.' || line[0] == '\'')) text += "\\&";
  bool option_word = false;
  bool word_start = true;
  for (const char c : line) {
    if (c == ' ') {
      word_start = true;
      option_word = false;
    } else if (word_start && c != '[' && c != '(') {
      option_word = c == '-';
      word_start = false;
    }
    if (c == '\\') {
      text += "\\e";
    } else if (c == '-' && option_word) {
      text += "\\-";
    } else {
      text += c;
    }
  }
  return text;
}

void WriteManual(std::ostream& out) {
  out << ".TH SCENARIO-TOOL 1 \"\" \"scenario-tool " << ProjectVersion()
      << "\" \"User Commands\"\n"
         ".nh\n"  // options and file names are never hyphenated
         ".SH NAME\n"
         "scenario-tool \\- the scenario author's companion of the packager\n"
         ".SH SYNOPSIS\n"
         ".B scenario-tool\n.I COMMAND\n.RI [ OPTION ...]\n.br\n"
         ".B scenario-tool\n.I COMMAND\n.B \\-\\-help\n.br\n"
         ".B scenario-tool \\-\\-help\n.br\n"
         ".B scenario-tool \\-\\-version\n"
         ".SH DESCRIPTION\n"
         ".B scenario-tool\n"
         "compiles the texts of a scenario with the packager's own stages, checks them for\n"
         "every error at once, decodes the binary files, draws the line's plan and profile,\n"
         "writes a report page on a scenario folder and makes packagers without a compiler.\n"
         "A scenario folder holds scenario.txt and the five UTF\\-8 texts of one scenario.\n"
         ".SH COMMANDS\n";
  for (const CommandLine& command : Commands()) {
    out << ".SS " << command.name << "\n.nf\n";
    for (const std::string& form : UsageForms(command)) out << Roff(form) << "\n";
    out << ".fi\n.PP\n" << Roff(CommandSummary(command, true)) << "\n";
    out << ".PP\nOptions:";
    const std::vector<std::string> options = OptionsOf(command);
    for (std::size_t i = 0; i < options.size(); ++i) {
      const std::string shown = IsOptionStart(options[i]) ? options[i] + "NAME" : options[i];
      out << (i == 0 ? " " : ", ") << "\\fB" << Roff(shown) << "\\fR";
    }
    out << ".\n";
  }
  out << ".SH OPTIONS\n"
         ".TP\n.BR \\-h \", \" \\-\\-help\n"
         "shows the help of the command, or after no command that of the tool; nothing\n"
         "else is done.\n"
         ".TP\n.B \\-\\-version\n"
         "prints the tool's name and version.\n"
         ".TP\n.BI \\-o \" FILE\"\n"
         "the short spelling of\n.BI \\-\\-output \" FILE\"\\fR.\n"
         "An option's value may also follow an equals sign, as in\n"
         ".BR \\-\\-output=FILE .\n"
         ".SH EXIT STATUS\n"
         "Each command's statuses are given with it. All share these:\n"
         ".TP\n" << kToolClean << "\nthe command did what it was asked.\n"
      << ".TP\n" << kToolUsage << "\na command line the tool cannot run; the message says why.\n"
      << ".TP\n" << kToolFailure
      << "\nany other failure (out of memory, a fault of the tool); nothing more was done.\n"
         ".SH SEE ALSO\n"
         "The author's guide, authoring.md, tells the texts of a scenario, the binary\n"
         "files and the error codes: in docs/ of the sources, in share/doc/scenario\\-tool\n"
         "of an installation.\n";
}

}  // namespace

void WriteCompletion(Shell shell, std::ostream& out) {
  if (shell == Shell::kBash) {
    WriteBash(out);
  } else {
    WriteZsh(out);
  }
}

void WriteManualPage(std::ostream& out) { WriteManual(out); }

int CompletionsCommand(const std::vector<std::string>& args, std::ostream& out,
                       std::ostream& /*err*/) {
  const Arguments arguments = CommandArguments("completions", args);
  arguments.ExpectPositional(1, "the shell: bash or zsh");
  const std::string& name = arguments.positional()[0];
  for (const ShellName& shell : kShells) {
    if (name != shell.name) continue;
    WriteCompletion(shell.shell, out);
    return kToolClean;
  }
  throw UsageError("unknown shell '" + name + "': give bash or zsh");
}

int ManCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& /*err*/) {
  const Arguments arguments = CommandArguments("man", args);
  arguments.ExpectPositional(0, "nothing");
  WriteManualPage(out);
  return kToolClean;
}

}  // namespace packager::tool
