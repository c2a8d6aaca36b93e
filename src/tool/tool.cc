#include "tool/tool.h"

#include <charconv>
#include <cmath>
#include <exception>
#include <filesystem>
#include <new>
#include <string>

#include <nlohmann/json.hpp>

#include "tables/file_failure.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tool/arguments.h"
#include "explain/shown_text.h"
#include "tool/commands.h"
#include "version/version.h"

namespace packager::tool {

namespace {

using explain::Controls;
using explain::ShownText;

// Every help text ends with where the file formats and error codes are told:
// the guide an installation puts in its folder of documents, found from the
// tool's own folder, the page of the Windows kit beside it, or else docs/ of
// the sources and of the kit.
std::string GuideLine() {
  std::string guide = "docs/authoring.md";
  const std::string program = RunningProgramPath();
  const std::size_t separator = program.find_last_of("/\\");
  if (separator != std::string::npos) {
    const std::string page =
        JoinPath(JoinPath(program.substr(0, separator), "docs"), "authoring.html");
    if (FileExists(page)) guide = page;
  }
#ifdef GUIDE_FROM_TOOL
  const std::filesystem::path installed =
      std::filesystem::path(RunningProgramPath()).parent_path() / GUIDE_FROM_TOOL / "authoring.md";
  if (FileExists(installed.lexically_normal().string())) guide = installed.lexically_normal().string();
#endif
  return "The author's guide: " + guide + "\n";
}


void PrintUsage(std::ostream& stream) {
  stream << "usage: scenario-tool COMMAND ...\n\ncommands:\n";
  for (const CommandLine& command : Commands()) {
    stream << CommandHelp(command, "  ");
  }
  stream << "\nscenario-tool COMMAND --help shows the help of one command;\n"
            "scenario-tool --version its version.\n"
         << GuideLine();
}

bool AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

}  // namespace

void PrintShortUsage(std::ostream& out, std::string_view program) {
  const std::string name(program);
  out << "scenario-tool " << ProjectVersion()
      << ", the scenario author's companion, runs in a command prompt:\n"
         "  " << name << " check FOLDER                  lists a scenario's faults\n"
         "  " << name << " report FOLDER -o report.html  a page on it, for a browser\n"
         "  " << name << " --help                        every command\n"
      << GuideLine();
}

int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    PrintUsage(err);
    return kToolUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintUsage(out);
    return kToolClean;
  }
  if (args[0] == "--version" || args[0] == "version") {
    out << "scenario-tool " << ProjectVersion() << "\n";
    return kToolClean;
  }
  for (const CommandLine& command : Commands()) {
    if (args[0] != command.name) continue;
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (AsksForHelp(rest)) {
      out << CommandHelp(command, "usage: ") << "\n" << GuideLine();
      return kToolClean;
    }
    try {
      return command.run(rest, out, err);
    } catch (const UsageError& error) {
      err << "scenario-tool " << command.name << ": "
          << ShownText(error.what(), Controls::kEscaped) << "\n"
          << CommandUsage(command, "usage: ");
      return kToolUsage;
    } catch (const FileFailure& failure) {
      err << "scenario-tool: " << ShownText(failure.what(), Controls::kEscaped) << "\n";
      return kToolFileFailure;
    } catch (const std::bad_alloc&) {
      err << "scenario-tool " << command.name << ": out of memory; nothing more was done\n";
      return kToolFailure;
    } catch (const std::exception& failure) {
      err << "scenario-tool " << command.name
          << ": unexpected failure: " << ShownText(failure.what(), Controls::kEscaped)
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

namespace {

void AppendJson(std::string& text, const nlohmann::ordered_json& value);

void AppendObject(std::string& text, const nlohmann::ordered_json& object) {
  text += '{';
  for (auto member = object.begin(); member != object.end(); ++member) {
    if (member != object.begin()) text += ", ";
    AppendJson(text, member.key());
    text += ": ";
    AppendJson(text, member.value());
  }
  text += '}';
}

void AppendArray(std::string& text, const nlohmann::ordered_json& array) {
  text += '[';
  for (std::size_t i = 0; i < array.size(); ++i) {
    if (i > 0) text += ',';
    if (array[i].is_object()) {
      text += "\n  ";
    } else if (i > 0) {
      text += ' ';
    }
    AppendJson(text, array[i]);
  }
  text += ']';
}

void AppendJson(std::string& text, const nlohmann::ordered_json& value) {
  if (value.is_object()) {
    AppendObject(text, value);
  } else if (value.is_array()) {
    AppendArray(text, value);
  } else if (value.is_number_float() && std::isfinite(value.get<double>())) {
    char number[64];
    const auto written = std::to_chars(number, number + sizeof number, value.get<double>());
    text.append(number, written.ptr);
  } else {
    text += value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  }
}

}  // namespace

std::string JsonText(const nlohmann::ordered_json& value) {
  std::string text;
  AppendJson(text, value);
  return text;
}

}  // namespace packager::tool
