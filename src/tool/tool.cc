#include "tool/tool.h"

#include <cstdio>
#include <exception>

#include "tables/file_failure.h"
#include "tool/arguments.h"

namespace packager::tool {

namespace {

struct Command {
  const char* name;
  const char* usage;
  const char* summary;
  int (*run)(const std::vector<std::string>&, std::ostream&, std::ostream&);
};

const Command kCommands[] = {
    {"compile", "compile DIR --name NAME --train NUMBER [--no-plan] [--keep] [--json]",
     "reads DIR/NAME_linea.txt and DIR/NAME_NUMBER-.txt as the packager does and writes the\n"
     "    binary files into DIR. The texts are deleted as in a run, unless --keep.\n"
     "    --no-plan builds no line plan and writes no line plan file; --json prints the\n"
     "    outcome as one JSON object on stdout.\n"
     "    Exit status: 0 clean, 1 a fault recorded in the texts, 2 error 1250 or 1251,\n"
     "    3 a file that cannot be read or written, 64 a usage error.",
     CompileCommand},
    {"dump", "dump FILE [--json] [--every M]",
     "decodes a binary file: NAME_linea.dat (the line plan; points every M metres,\n"
     "    default 1000), NAME_NUMBER.sim (the train table) or NAME_NUMBER.dat (the route\n"
     "    grid: every cell that is not all zero). Exit status: 0, 1 when the file does\n"
     "    not decode (the byte offset is named), 3 when it cannot be read, 64 usage.",
     DumpCommand},
    {"plan", "plan DIR --name NAME --train NUMBER -o FILE.svg",
     "draws the line plan of DIR/NAME_linea.dat as an SVG picture, with kilometre ticks,\n"
     "    the stations of NAME_NUMBER.sim and the signals and slowdowns of NAME_NUMBER.dat.",
     PlanCommand},
};

void PrintUsage(std::ostream& stream) {
  stream << "usage: scenario-tool COMMAND ...\n\ncommands:\n";
  for (const Command& command : kCommands) {
    stream << "  scenario-tool " << command.usage << "\n    " << command.summary << "\n";
  }
  stream << "\nscenario-tool COMMAND --help shows the help of one command.\n";
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
      out << "usage: scenario-tool " << command.usage << "\n    " << command.summary << "\n";
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
    }
  }
  err << "scenario-tool: unknown command '" << args[0] << "'\n";
  PrintUsage(err);
  return kToolUsage;
}

std::string JsonString(const std::string& bytes) {
  // Windows-1252 bytes 0x80 to 0x9F that are not Latin-1 controls.
  static const char16_t kHigh[32] = {
      0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  std::string json = "\"";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '"' || byte == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      json += escape;
    } else if (byte < 0x80) {
      json += c;
    } else {
      const char32_t code = byte < 0xA0 ? kHigh[byte - 0x80] : byte;
      if (code < 0x800) {
        json += static_cast<char>(0xC0 | (code >> 6));
        json += static_cast<char>(0x80 | (code & 0x3F));
      } else {
        json += static_cast<char>(0xE0 | (code >> 12));
        json += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        json += static_cast<char>(0x80 | (code & 0x3F));
      }
    }
  }
  return json + "\"";
}

}  // namespace packager::tool
