#include "tool/commands.h"

#include <sstream>
#include <stdexcept>

#include "check/warning_names.h"
#include "tables/replace_file.h"
#include "tool/installed_files.h"
#include "tool/output_file.h"
#include "tool/tool.h"

namespace packager::tool {

const std::vector<CommandLine>& Commands() {
  static const std::vector<CommandLine> commands = {
      {"new",
       "new DIR --name NAME --train NUMBER",
       "writes a new scenario folder DIR to start from: scenario.txt, a short line and\n"
       "    its train that use every record of both texts, with notes for the author\n"
       "    above their [generale], and the three crew documents in step with the train.\n"
       "    It checks with no error and no warning; change it to your line. NAME and\n"
       "    NUMBER follow the rules of scenario.txt. DIR is created when absent; a folder\n"
       "    that holds anything, or a file of that name, is refused: nothing is\n"
       "    overwritten. Exit status: 0 written, 3 a file that cannot be written, 64 usage\n"
       "    (a bad NAME or NUMBER, DIR not new or empty among them).",
       {},
       {"--name", "--train"},
       {},
       NewCommand},
      {"compile",
       "compile DIR --name NAME --train NUMBER [-o OUT] [--no-plan] [--delete-texts] [--json]\n"
       "       scenario-tool compile SCENARIO_DIR [-o OUT] [--no-plan] [--json]",
       "reads DIR/NAME_linea.txt and DIR/NAME_NUMBER-.txt (Windows-1252, as a packager hands\n"
       "    them over) as the packager does and writes the binary files into DIR, or OUT.\n"
       "    The texts are left as they are; --delete-texts deletes them as a run does.\n"
       "    SCENARIO_DIR is a scenario folder (scenario.txt and the five UTF-8 texts): its\n"
       "    texts are converted as the build does, never changed, and the binary files go\n"
       "    into OUT (default: the current folder). Messages name the author's files.\n"
       "    --no-plan builds no line plan and writes no line plan file; --json prints the\n"
       "    outcome as one JSON object on stdout.\n"
       "    Exit status: 0 clean, 1 a fault recorded in the texts (or a scenario folder the\n"
       "    build would refuse), 2 error 1250 or 1251, 3 a file that cannot be read or\n"
       "    written, 64 a usage error, 70 any other failure.",
       {"--no-plan", "--keep", "--delete-texts", "--json"},
       {"--name", "--train", "--output"},
       {},
       CompileCommand},
      {"check",
       "check SCENARIO_DIR [--format text|json|sarif] [--error-limit=N] [-Werror]\n"
       "       [-Wno-NAME ...]\n"
       "       scenario-tool check DIR --name NAME --train NUMBER [options as above]",
       "reports every error the compile would record in the texts of SCENARIO_DIR (a\n"
       "    scenario folder) or of DIR/NAME_linea.txt and DIR/NAME_NUMBER-.txt, in one run:\n"
       "    after each error, the record at fault is set aside in memory and the texts are\n"
       "    read again. Then warnings on what the compile accepts but an author rarely\n"
       "    means (a misspelt keyword, records out of order, values that do not fit their\n"
       "    field, crew documents that disagree with the train, ...), each with a name.\n"
       "    Each is printed as FILE:LINE:COLUMN: error: MESSAGE [ECODE] or\n"
       "    FILE:LINE:COLUMN: warning: MESSAGE [-WNAME] with the line quoted and a caret\n"
       "    under the column, then the counts. --format json or sarif prints them on\n"
       "    stdout instead (SARIF 2.1.0, for code review tools). The search stops after\n"
       "    1000 errors and says so; --error-limit=N sets another limit, 0 none. -Werror\n"
       "    makes warnings errors; -Wno-NAME silences warning NAME. The folder is never\n"
       "    changed and no file is written. Exit status: 0 no error (warnings allowed),\n"
       "    1 an error, 3 a file that cannot be read, 64 usage.",
       {},
       {"--name", "--train", "--format", "--error-limit"},
       {"-Werror", "-Wno-"},
       CheckCommand},
      {"dump",
       "dump FILE [--json] [--every M] [--objects]",
       "decodes a binary file: NAME_linea.dat (the line plan; points every M metres,\n"
       "    default 1000), NAME_NUMBER.sim (the train table) or NAME_NUMBER.dat (the route\n"
       "    grid: every cell that is not all zero, or with --objects every cell that holds\n"
       "    an object). Raw members come with what they mean: km/h, per mille, the\n"
       "    position of the record that put an object in its cell, signal sides, what an\n"
       "    approach mark announces, stop cells, times of day, the reserved stamps. Names\n"
       "    and board cells come from the other file of the train beside it, when there.\n"
       "    --json prints one JSON object. Exit status: 0, 1 when the file does not\n"
       "    decode (the byte offset is named), 3 when it cannot be read, 64 usage.",
       {"--json", "--objects"},
       {"--every"},
       {},
       DumpCommand},
      {"decompile",
       "decompile NAME_linea.dat NAME_NUMBER.sim NAME_NUMBER.dat -o DIR [--texts]\n"
       "       scenario-tool decompile FOLDER -o DIR [--texts]",
       "writes the scenario folder DIR back from the three binary files of a scenario\n"
       "    (or those in FOLDER): scenario.txt, the line and train descriptions with their\n"
       "    records at the places the files give, and crew documents written from the\n"
       "    train. The folder is compiled in memory first and written only when it gives\n"
       "    the three files back byte for byte; notes at the top of NAME_linea.txt say\n"
       "    what the files do not keep (positions within 50 m, speeds within 5 km/h, ...).\n"
       "    DIR is created when absent; a folder that holds anything is refused. A text\n"
       "    of a scenario folder holds at most 1000 lines; --texts writes only the two\n"
       "    description texts as a packager hands them over (Windows-1252, any length),\n"
       "    for `compile DIR --name NAME --train NUMBER`. Exit status: 0 written, 1 files\n"
       "    that do not decode, do not belong together or cannot be given back byte for\n"
       "    byte (the file, byte and member are named), or a line too long for a folder\n"
       "    (nothing is written), 3 a file that cannot be read or written, 64 usage.",
       {"--texts"},
       {"--output"},
       {},
       DecompileCommand},
      {"plan",
       "plan DIR --name NAME --train NUMBER -o FILE.svg\n"
       "       scenario-tool plan SCENARIO_DIR -o FILE.svg",
       "draws the line plan of DIR/NAME_linea.dat as an SVG picture, with kilometre ticks,\n"
       "    the stations of NAME_NUMBER.sim and the signals and slowdowns of NAME_NUMBER.dat\n"
       "    (either may be missing), or of a scenario folder compiled in memory as the build\n"
       "    compiles it. Exit status: 0, 1 when a file does not decode or the scenario does\n"
       "    not compile, 3 when a file cannot be read or written, 64 usage.",
       {},
       {"--name", "--train", "--output"},
       {},
       PlanCommand},
      {"profile",
       "profile DIR --name NAME --train NUMBER -o FILE.svg\n"
       "       scenario-tool profile SCENARIO_DIR -o FILE.svg",
       "draws the line along the distance as an SVG picture, as route-knowledge sheets\n"
       "    are drawn: rows of 20 km, each with the stations, boards, signals, slowdowns\n"
       "    and abbattimento points, a kilometre axis, the train's speed limit with the\n"
       "    speed boards, the elevation from the gradients, the mountain stretches and the\n"
       "    curves. It reads DIR/NAME_linea.dat (may be missing: then no curves),\n"
       "    NAME_NUMBER.sim and NAME_NUMBER.dat, or compiles the scenario folder\n"
       "    SCENARIO_DIR in memory. Exit status: 0, 1 when a file does not decode or the\n"
       "    folder is refused or does not compile, 3 when a file cannot be read or\n"
       "    written, 64 usage.",
       {},
       {"--name", "--train", "--output"},
       {},
       ProfileCommand},
      {"report",
       "report SCENARIO_DIR -o FILE.html",
       "writes one self-contained HTML page on a scenario folder, to open after every\n"
       "    change: the check's errors and warnings with their lines in context, the\n"
       "    profile and the plan, the stations, signals, slowdowns and boards as\n"
       "    compiled, and the sizes of the binary files with the competition codes. The\n"
       "    page needs no network and no other file. Exit status: 0 no error, 1 an error\n"
       "    in the scenario (the page is written all the same), 3 a file that cannot be\n"
       "    read or written, 64 usage.",
       {},
       {"--output"},
       {},
       ReportCommand},
      {"watch",
       "watch SCENARIO_DIR -o FILE.html [--profile FILE.svg] [--port PORT]",
       "does what check, report and profile do whenever a text of the folder is saved:\n"
       "    prints the diagnostics as check prints them, rewrites the report page FILE.html\n"
       "    and, with --profile, the profile picture (left as it was while the scenario\n"
       "    does not compile). It also serves the page on http://127.0.0.1:PORT/ (a free\n"
       "    port unless --port names one; the address is printed at the start), where it\n"
       "    reloads itself after every change; the file FILE.html stands alone as\n"
       "    report writes it. A fault in the texts is printed and watching goes on. Ends\n"
       "    on Ctrl-C or when its terminal closes. Exit status: 0 ended, 3 a file that\n"
       "    cannot be read or written at the start, or a port that cannot be listened on,\n"
       "    64 usage.",
       {},
       {"--output", "--profile", "--port"},
       {},
       WatchCommand},
      {"package",
       "package SCENARIO_DIR --target TARGET -o FILE",
       "makes a packager of a scenario folder without any compiler: the scenario is\n"
       "    checked as check does (an error refuses it), then carried inside a copy of the\n"
       "    prebuilt packager for TARGET (TARGETS) found beside scenario-tool. The result\n"
       "    runs exactly as a packager built with that scenario. Exit status: 0 made, 1 the scenario has an error, 3 a file that\n"
       "    cannot be read or written (the prebuilt packager missing among them), 64 usage.",
       {},
       {"--target", "--output"},
       {},
       PackageCommand},
      {"lsp",
       "lsp",
       "serves the Language Server Protocol on stdin and stdout, for editors: the\n"
       "    check's diagnostics on every scenario folder (or folder of packager texts)\n"
       "    an editor opens a text of, as its author types, with the checker's fixes as\n"
       "    quick fixes, hover on keywords and fields, and completion of the keywords\n"
       "    of the section. Exit status: 0 after shutdown and exit, 1 when the input\n"
       "    ends or exit comes without shutdown, 64 usage.",
       {},
       {},
       {},
       LspCommand},
      {"completions",
       "completions bash|zsh",
       "prints the completion script of the shell for scenario-tool's commands, their\n"
       "    options and the files, folders or words that these take. An installation\n"
       "    puts both where the shells look for them. Exit status: 0, 64 usage.",
       {},
       {},
       {},
       CompletionsCommand},
      {"man",
       "man",
       "prints this manual in the format of man pages, for man -l - (an installation\n"
       "    puts it where man finds it, as scenario-tool(1)). Exit status: 0, 64 usage.",
       {},
       {},
       {},
       ManCommand},
  };
  return commands;
}

const CommandLine& CommandNamed(std::string_view name) {
  for (const CommandLine& command : Commands()) {
    if (command.name == name) return command;
  }
  throw std::logic_error("no command '" + std::string(name) + "' in the table");
}

// --- The help as printed.
namespace {

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::istringstream stream{std::string(text)};
  std::string word;
  while (stream >> word) words.push_back(word);
  return words;
}

// The words of a usage form, a bracketed option with its value kept whole
// ("[-o OUT]").
std::vector<std::string> UsageWords(std::string_view form) {
  std::vector<std::string> words;
  int depth = 0;
  for (const std::string& word : Words(form)) {
    if (depth > 0) {
      words.back() += " " + word;
    } else {
      words.push_back(word);
    }
    for (const char c : word) depth += c == '[' ? 1 : c == ']' ? -1 : 0;
  }
  return words;
}

// The words laid out in lines of at most kHelpWidth columns: the first
// after `lead`, the others after `indent` spaces; a word too long for any
// line has one of its own.
void Wrap(const std::vector<std::string>& words, std::string_view lead, std::size_t indent,
          std::string& text) {
  std::string line(lead);
  bool empty = true;
  for (const std::string& word : words) {
    if (!empty && line.size() + 1 + word.size() > kHelpWidth) {
      text += line + "\n";
      line = std::string(indent, ' ');
      empty = true;
    }
    line += (empty ? "" : " ") + word;
    empty = false;
  }
  text += line + "\n";
}

}  // namespace

std::vector<std::string> UsageForms(const CommandLine& command) {
  std::vector<std::string> forms;
  std::istringstream stream{std::string("scenario-tool ") + command.usage};
  std::string line;
  while (std::getline(stream, line)) {
    const std::size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos) continue;
    line.erase(0, start);
    // A line that does not start a form goes on with the one before.
    if (forms.empty() || line.rfind("scenario-tool ", 0) == 0) {
      forms.push_back(line);
    } else {
      forms.back() += " " + line;
    }
  }
  return forms;
}

std::string CommandSummary(const CommandLine& command, bool all_targets) {
  std::vector<std::string> names;
  for (const PackagerTarget& target : kPackagerTargets) {
    if (all_targets || FileExists(PrebuiltPackagerPath(target))) names.emplace_back(target.name);
  }
  if (names.empty()) {
    for (const PackagerTarget& target : kPackagerTargets) names.emplace_back(target.name);
  }
  std::string targets;
  for (std::size_t i = 0; i < names.size(); ++i) {
    targets += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
  }
  std::string summary;
  for (const std::string& word : Words(command.summary)) {
    summary += (summary.empty() ? "" : " ") + word;
  }
  const std::size_t at = summary.find("TARGETS");
  if (at != std::string::npos) summary.replace(at, 7, targets);
  return summary;
}

std::string CommandUsage(const CommandLine& command, std::string_view lead) {
  std::string text;
  std::string form_lead(lead);
  for (const std::string& form : UsageForms(command)) {
    const std::vector<std::string> words = UsageWords(form);
    // Continued lines start under the command's first argument.
    const std::size_t indent = form_lead.size() + form.find(' ', form.find(' ') + 1) + 1;
    Wrap(words, form_lead, indent, text);
    form_lead.assign(lead.size(), ' ');
  }
  return text;
}

std::string CommandHelp(const CommandLine& command, std::string_view lead) {
  std::string text = CommandUsage(command, lead);
  Wrap(Words(CommandSummary(command)), "    ", 4, text);
  return text;
}
// --- end of the help as printed

Arguments CommandArguments(std::string_view name, const std::vector<std::string>& args) {
  const CommandLine& command = CommandNamed(name);
  return Arguments(args, command.flags, command.valued);
}

// The values of the options and arguments, for the completions and the
// manual page; each command still checks what it is given.
ValueKind OptionValue(std::string_view option) {
  if (option == "--output") return {ValueKind::kFile, {}};
  if (option == "--format") return {ValueKind::kWord, {"text", "json", "sarif"}};
  if (option == "--target") {
    std::vector<std::string> targets;
    for (const PackagerTarget& target : kPackagerTargets) targets.emplace_back(target.name);
    return {ValueKind::kWord, targets};
  }
  if (option == "-Wno-") {
    std::vector<std::string> warnings;
    for (const WarningName* warning = WarningNamesBegin(); warning != WarningNamesEnd(); ++warning)
      warnings.emplace_back(warning->name);
    return {ValueKind::kWord, warnings};
  }
  if (option == "-Werror") return {ValueKind::kNone, {}};
  return {ValueKind::kText, {}};
}

ValueKind PositionalValue(std::string_view command) {
  if (command == "dump" || command == "decompile") return {ValueKind::kFile, {}};
  if (command == "lsp" || command == "man") return {ValueKind::kNone, {}};
  if (command == "completions") {
    std::vector<std::string> shells;
    for (const ShellName& shell : kShells) shells.emplace_back(shell.name);
    return {ValueKind::kWord, shells};
  }
  return {ValueKind::kFolder, {}};  // DIR or SCENARIO_DIR
}

}  // namespace packager::tool
