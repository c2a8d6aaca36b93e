// scenario-tool check: the checker (check/check.h) on a scenario folder or
// on the texts a packager hands over, its diagnostics printed as compilers
// print theirs, or as JSON or SARIF. The texts are read into memory and
// never written back; no file is written.
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "check/check.h"
#include "check/diagnostics.h"
#include "check/warning_names.h"
#include "tool/arguments.h"
#include "tool/commands.h"
#include "tool/diagnostic_formats.h"
#include "tool/tool.h"

namespace packager::tool {

namespace {

struct CommandOptions {
  DiagnosticFormat format = DiagnosticFormat::kText;
  bool warnings_are_errors = false;
  std::set<std::string> silenced;
  std::size_t error_limit = kDefaultErrorLimit;  // 0: none
};

// Takes -Werror and -Wno-NAME out of args; the rest is the command line.
CommandOptions TakeWarningOptions(std::vector<std::string>& args) {
  CommandOptions options;
  std::vector<std::string> rest;
  for (const std::string& arg : args) {
    if (arg == "-Werror") {
      options.warnings_are_errors = true;
    } else if (arg.rfind("-Wno-", 0) == 0) {
      const std::string name = arg.substr(5);
      if (WarningSummary(name) == nullptr) {
        throw UsageError("unknown warning '" + name + "' in '" + arg + "'");
      }
      options.silenced.insert(name);
    } else {
      rest.push_back(arg);
    }
  }
  args = std::move(rest);
  return options;
}

DiagnosticFormat FormatNamed(const std::optional<std::string>& name) {
  if (!name || *name == "text") return DiagnosticFormat::kText;
  if (*name == "json") return DiagnosticFormat::kJson;
  if (*name == "sarif") return DiagnosticFormat::kSarif;
  throw UsageError("unknown format '" + *name + "': give text, json or sarif");
}

void Print(std::ostream& out, std::ostream& err, DiagnosticFormat format,
           const CheckResult& result) {
  const std::vector<Diagnostic>& diagnostics = result.diagnostics;
  const std::size_t stopped_after = result.stopped_after;
  switch (format) {
    case DiagnosticFormat::kText: PrintDiagnosticsText(err, diagnostics, stopped_after); break;
    case DiagnosticFormat::kJson: PrintDiagnosticsJson(out, diagnostics, stopped_after); break;
    case DiagnosticFormat::kSarif: PrintDiagnosticsSarif(out, diagnostics, stopped_after); break;
  }
}

}  // namespace

int CheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> rest = args;
  CommandOptions options = TakeWarningOptions(rest);
  const Arguments arguments = CommandArguments("check", rest);
  options.format = FormatNamed(arguments.value("--format"));
  options.error_limit = static_cast<std::size_t>(
      arguments.Number("--error-limit", static_cast<long>(kDefaultErrorLimit), 0));
  arguments.ExpectPositional(1, "the folder DIR");
  const std::string directory = arguments.positional()[0];
  RequireFolder(directory, "read the folder");
  ScenarioSources sources;
  if (IsScenarioFolder(arguments, directory)) {
    sources = ReadScenarioSources(directory);
  } else {
    const std::string name = arguments.Required("--name");
    const std::string train = arguments.Required("--train");
    RequireFileNamePart("--name", name);
    RequireFileNamePart("--train", train);
    RequireFileNamesFit(name, train);
    sources = ReadPackagerTexts(directory, name, train);
  }
  CheckResult result = CheckScenario(sources, {options.error_limit});
  std::vector<Diagnostic> diagnostics;
  for (Diagnostic& diagnostic : result.diagnostics) {
    if (diagnostic.severity == Severity::kWarning) {
      if (options.silenced.count(diagnostic.rule) != 0) continue;
      if (options.warnings_are_errors) {
        diagnostic.severity = Severity::kError;
        diagnostic.promoted = true;
      }
    }
    diagnostics.push_back(std::move(diagnostic));
  }
  result.diagnostics = std::move(diagnostics);
  Print(out, err, options.format, result);
  return CountOf(result.diagnostics, Severity::kError) == 0 ? kToolClean : kToolRecordedFault;
}

}  // namespace packager::tool
