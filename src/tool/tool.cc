#include "tool/tool.h"

#include <cstdio>
#include <exception>
#include <new>

#include "tables/file_failure.h"
#include "tables/windows1252.h"
#include "tool/arguments.h"
#include "tool/scenario_files.h"

namespace packager::tool {

namespace {

// Every help text ends with where the file formats and error codes are told.
constexpr char kGuideLine[] = "The author's guide: docs/authoring.md\n";

struct Command {
  const char* name;
  const char* usage;
  const char* summary;
  int (*run)(const std::vector<std::string>&, std::ostream&, std::ostream&);
};

const Command kCommands[] = {
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
     CompileCommand},
    {"check", "check SCENARIO_DIR\n       scenario-tool check DIR --name NAME --train NUMBER",
     "reports every error the compile would record in the texts of SCENARIO_DIR (a\n"
     "    scenario folder) or of DIR/NAME_linea.txt and DIR/NAME_NUMBER-.txt, in one run:\n"
     "    after each error, the record at fault is set aside in memory and the texts are\n"
     "    read again. Each error is printed as FILE:LINE:COLUMN: error: MESSAGE [ECODE]\n"
     "    with the line quoted and a caret under the column; errors of the signalling\n"
     "    walk name the cell and its metres. The folder is never changed and no binary\n"
     "    file is written. Exit status: 0 no error, 1 an error, 3 a file that cannot be\n"
     "    read, 64 usage.",
     CheckCommand},
    {"dump", "dump FILE [--json] [--every M]",
     "decodes a binary file: NAME_linea.dat (the line plan; points every M metres,\n"
     "    default 1000), NAME_NUMBER.sim (the train table) or NAME_NUMBER.dat (the route\n"
     "    grid: every cell that is not all zero). Exit status: 0, 1 when the file does\n"
     "    not decode (the byte offset is named), 3 when it cannot be read, 64 usage.",
     DumpCommand},
    {"plan", "plan DIR --name NAME --train NUMBER -o FILE.svg",
     "draws the line plan of DIR/NAME_linea.dat as an SVG picture, with kilometre ticks,\n"
     "    the stations of NAME_NUMBER.sim and the signals and slowdowns of NAME_NUMBER.dat\n"
     "    (either may be missing). Exit status: 0, 1 when a file does not decode, 3 when\n"
     "    a file cannot be read or written, 64 usage.",
     PlanCommand},
};

void PrintUsage(std::ostream& stream) {
  stream << "usage: scenario-tool COMMAND ...\n\ncommands:\n";
  for (const Command& command : kCommands) {
    stream << "  scenario-tool " << command.usage << "\n    " << command.summary << "\n";
  }
  stream << "\nscenario-tool COMMAND --help shows the help of one command.\n" << kGuideLine;
}

bool AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

}  // namespace

int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    PrintUsage(err);
    return kToolUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintUsage(out);
    return kToolClean;
  }
  for (const Command& command : kCommands) {
    if (args[0] != command.name) continue;
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (AsksForHelp(rest)) {
      out << "usage: scenario-tool " << command.usage << "\n    " << command.summary << "\n\n"
          << kGuideLine;
      return kToolClean;
    }
    try {
      return command.run(rest, out, err);
    } catch (const UsageError& error) {
      err << "scenario-tool " << command.name << ": " << error.what() << "\n"
          << "usage: scenario-tool " << command.usage << "\n";
      return kToolUsage;
    } catch (const FileFailure& failure) {
      err << "scenario-tool: " << failure.what() << "\n";
      return kToolFileFailure;
    } catch (const std::bad_alloc&) {
      err << "scenario-tool " << command.name << ": out of memory; nothing more was done\n";
      return kToolFailure;
    } catch (const std::exception& failure) {
      err << "scenario-tool " << command.name << ": unexpected failure: " << failure.what()
          << "; nothing more was done\n";
      return kToolFailure;
    } catch (...) {
      err << "scenario-tool " << command.name << ": unexpected failure; nothing more was done\n";
      return kToolFailure;
    }
  }
  err << "scenario-tool: unknown command '" << args[0] << "'\n";
  PrintUsage(err);
  return kToolUsage;
}

std::string JsonString(const std::string& bytes) {
  std::string json = "\"";
  for (const char c : Utf8From1252(bytes)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '"' || byte == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      json += escape;
    } else {
      json += c;
    }
  }
  return json + "\"";
}

}  // namespace packager::tool
