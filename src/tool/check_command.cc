// scenario-tool check: every error the compile would record in a scenario's
// texts and every warning on what it accepts but an author rarely means, in
// one run, printed as compilers print theirs (or as JSON or SARIF). The
// texts are read into memory and never written back; no file is written.
//
// The compile stops reading a text at its first fault. To find the next one,
// the check blanks the record of the fault just reported in its own copy of
// the text (its bytes give way to nothing but the line ends, so that line
// numbers stay) and compiles again, until no reading fault is left or the
// error limit is reached. The warnings are found on the records of that last
// round.
//
// A round reads the line description, with its line plan, only when its text
// changed since the last round: after a fault in the train description, the
// next round reads the train description on from a copy of the tables (and
// of the records) as the line description left them. Nothing after the line
// description reads the plan, so the copy leaves it out. A round listens to
// the records it reads only when they are looked at (a note on a taken cell,
// the warnings): it is then compiled once more with the observer.
#include <algorithm>
#include <climits>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "compiler/compile_stage.h"
#include "compiler/description_texts.h"
#include "compiler/reading_observer.h"
#include "sources/scenario_folder.h"
#include "tables/error_codes.h"
#include "tables/file_failure.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tables/windows1252.h"
#include "tool/arguments.h"
#include "tool/cell_holders.h"
#include "tool/crew_document_check.h"
#include "tool/diagnostics.h"
#include "tool/text_warnings.h"
#include "tool/tool.h"
#include "tool/warning_names.h"

namespace packager::tool {

namespace {

constexpr char kNoGeneralHeader[] = "no-general-header";

// A description text as the author wrote it, and as the check holds it while
// it blanks the records already reported.
struct AuthorText {
  std::string name;  // as the compile names it, e.g. NAME_linea.txt
  std::string path;  // the author's file, as its folder was named
  std::optional<std::string> original;  // Windows-1252 bytes; none when missing
  std::string current;
};

struct CheckedScenario {
  std::string name;
  std::string train;
  AuthorText line_text;
  AuthorText train_text;
  CrewDocuments crew;
};

// One error to report, and the text it was found in (nullptr for none).
struct Report {
  const AuthorText* text;
  RecordedFault fault;
  std::string note;  // what holds a taken cell
};

struct CheckOptions {
  DiagnosticFormat format = DiagnosticFormat::kText;
  bool warnings_are_errors = false;
  std::set<std::string> silenced;
  std::size_t error_limit = kDefaultErrorLimit;  // 0: none
};

// A line of a text: where its bytes start and how many there are, without
// its end (CR LF, a lone CR or a lone LF, as the reader counts lines).
struct LineSpan {
  std::size_t begin;
  std::size_t length;
};

std::vector<LineSpan> LinesOf(std::string_view bytes) {
  std::vector<LineSpan> lines;
  std::size_t begin = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    lines.push_back({begin, i - begin});
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    begin = i + 1;
  }
  if (begin < bytes.size()) lines.push_back({begin, bytes.size() - begin});
  return lines;
}

// Blanks lines first to last of the text; false when nothing changed.
bool BlankLines(std::string& bytes, int first, int last) {
  std::string blanked = bytes;
  const std::vector<LineSpan> lines = LinesOf(bytes);
  for (std::size_t i = lines.size(); i-- > 0;) {
    const int number = static_cast<int>(i) + 1;
    if (number >= first && number <= last) blanked.erase(lines[i].begin, lines[i].length);
  }
  if (blanked == bytes) return false;
  bytes = std::move(blanked);
  return true;
}

// The record of a fault: from its keyword's line to the last line read.
bool BlankRecord(AuthorText& text, const FaultSource& source) {
  const int first = source.record_line > 0 ? source.record_line : source.line;
  const int last = std::max(source.line, source.last_line);
  return BlankLines(text.current, first, last);
}

AuthorText TextOf(const std::string& directory, const std::string& name,
                  std::optional<std::string> bytes) {
  AuthorText text{name, JoinPath(directory, name), std::move(bytes), ""};
  text.current = text.original.value_or("");
  return text;
}

// A missing hand-over text is the compile's to report, as it reports it.
std::optional<std::string> ReadHandOverText(const std::string& path) {
  std::string bytes;
  const ReadFault fault = TryReadWholeFile(path, bytes);
  if (fault == ReadFault::kMissing) return std::nullopt;
  if (fault != ReadFault::kNone) throw FileFailure(path, "read the file", ReadFaultReason(fault));
  return bytes;
}

CrewDocument HandOverDocument(const std::string& directory, const std::string& name) {
  const std::string path = JoinPath(directory, name);
  return {path, ReadHandOverText(path)};
}

CheckedScenario HandOverScenario(const Arguments& arguments, const std::string& directory) {
  CheckedScenario scenario{arguments.Required("--name"), arguments.Required("--train"), {}, {},
                           {}};
  RequireFileNamePart("--name", scenario.name);
  RequireFileNamePart("--train", scenario.train);
  RequireFileNamesFit(scenario.name, scenario.train);
  const std::string& name = scenario.name;
  const std::string& train = scenario.train;
  for (auto [text, file] : {std::pair{&scenario.line_text, LineDescriptionName(name)},
                            {&scenario.train_text, TrainDescriptionName(name, train)}}) {
    *text = TextOf(directory, file, ReadHandOverText(JoinPath(directory, file)));
  }
  scenario.crew = {HandOverDocument(directory, NotesName(name, train)),
                   HandOverDocument(directory, SlowdownOrderName(name, train)),
                   HandOverDocument(directory, TimetableSheetName(name, train))};
  return scenario;
}

// Throws ScenarioFolderError for a folder the build would refuse.
CheckedScenario FolderScenario(const std::string& directory) {
  const ScenarioFolder folder = ReadScenarioFolder(directory);
  const std::string& name = folder.identity.name;
  const std::string& train = folder.identity.train;
  const auto document = [&](const std::string& file, const FolderText& text) {
    return CrewDocument{JoinPath(directory, file), FileBytes(text)};
  };
  return {name,
          train,
          TextOf(directory, LineDescriptionName(name), FileBytes(folder.line_description)),
          TextOf(directory, TrainDescriptionName(name, train), FileBytes(folder.train_description)),
          {document(NotesName(name, train), folder.notes),
           document(SlowdownOrderName(name, train), folder.slowdown_order),
           document(TimetableSheetName(name, train), folder.timetable_sheet)}};
}

// The records as a RecordCollector collects them, but for blank keywords
// read as no record (a run of commas), which no check looks at: each gives
// way to the next keyword, so that a line of millions of commas does not
// make millions of records.
class CheckedRecords : public RecordCollector {
 public:
  void OnKeyword(const std::string& file, const std::string& keyword, int line,
                 int column) override {
    if (!records_.empty() && IsBlankKeyword(records_.back())) records_.pop_back();
    RecordCollector::OnKeyword(file, keyword, line, column);
  }

 private:
  static bool IsBlankKeyword(const ReadRecord& record) {
    return record.kinds.empty() && record.fields.empty() &&
           record.keyword.find_first_not_of(" \t") == std::string::npos;
  }
};

// The tables and the records as the line description's reading left them,
// for every round while its text stays as it is.
struct LineState {
  LineStage stage;
  TablesWithoutPlan tables;
  CheckedRecords records;
};

struct Round {
  ScenarioTables tables;
  CompileOutcome outcome;
  CheckedRecords records;
};

MemoryTexts TextsOf(const AuthorText& text) {
  MemoryTexts texts;
  if (text.original) texts.Put(text.name, text.current);
  return texts;
}

LineState ReadLine(const CheckedScenario& scenario) {
  ScenarioTables tables;
  tables.scenario_name = scenario.name;
  tables.train_number = scenario.train;
  MemoryTexts texts = TextsOf(scenario.line_text);
  LineState line;
  // With the plan: a curve is read only then, and its faults come from it.
  line.stage = CompileLineDescription(tables, texts, 1, &line.records);
  line.tables = std::move(static_cast<TablesWithoutPlan&>(tables));
  return line;
}

// A round, its records taken only when observed: listening to every record
// costs as much as the reading itself, and only a note on a taken cell and
// the warnings of the last round look at them.
void CompileRound(const CheckedScenario& scenario, const LineState& line, Round& round,
                  bool observed) {
  round = Round{};
  static_cast<TablesWithoutPlan&>(round.tables) = line.tables;
  if (observed) round.records = line.records;
  MemoryTexts texts = TextsOf(scenario.train_text);
  round.outcome = CompileTrainDescription(round.tables, texts, line.stage,
                                          observed ? &round.records : nullptr);
}

AuthorText* TextNamed(CheckedScenario& scenario, const std::string& name) {
  if (name == scenario.line_text.name) return &scenario.line_text;
  if (name == scenario.train_text.name) return &scenario.train_text;
  return nullptr;
}

RecordedFault ReservedSlotFault(std::int32_t code, const ScenarioTables& tables) {
  const RouteCell& cell = tables.route_cells.at(1);
  return {code, std::nullopt,
          {"", 0,
           "cell 1 holds kind " + std::to_string(cell.kind) + ", param1 " +
               std::to_string(cell.param1) + ", param2 " + std::to_string(cell.param2) +
               "; no binary file can be written"}};
}

struct Findings {
  std::vector<Report> errors;
  std::vector<ReadRecord> records;  // of the last round, for the warnings
  std::size_t stopped_after = 0;    // the error limit, when reached with more to find
};

// Reading faults one round each, in the order the texts are read, up to
// error_limit of them (0: no limit); then the post-pass faults of the last
// round and the first taken reserved slot: a slot is taken by what the texts
// hold, whatever else the reading records.
Findings FindErrors(CheckedScenario& scenario, std::size_t error_limit) {
  Findings findings;
  std::vector<Report>& reports = findings.errors;
  std::optional<RecordedFault> reserved_slot;
  std::optional<LineState> line;
  Round round;
  std::optional<Round> at_limit;  // the round of the last fault the limit lets be listed
  for (;;) {
    if (!line) line = ReadLine(scenario);
    CompileRound(scenario, *line, round, false);
    bool observed = false;
    // The same round again, with the same outcome, and its records; before
    // its text changes.
    const auto observe = [&] {
      if (!observed) CompileRound(scenario, *line, round, true);
      observed = true;
    };
    const RecordedFault fault = round.outcome.reading_fault;
    if (at_limit && fault.code != 0) {
      // A fault left unsaid: what is reported stays that of the round of
      // the last fault listed. Without one, this round is the last, as it
      // would be without a limit.
      findings.stopped_after = error_limit;
      round = std::move(*at_limit);
      break;
    }
    const std::int32_t slot_code = round.outcome.reserved_slot_fault;
    if (slot_code != 0 && !reserved_slot) reserved_slot = ReservedSlotFault(slot_code, round.tables);
    if (fault.code == 0) {
      observe();
      break;
    }
    AuthorText* text = TextNamed(scenario, fault.source.file);
    if (IsTakenCellFault(fault.code)) observe();
    reports.push_back({text, fault, TakenCellNote(round.records.records(), fault, round.tables)});
    const bool limit_reached = reports.size() == error_limit;
    if (text == nullptr || fault.source.line <= 0 || limit_reached) observe();
    if (text == nullptr || fault.source.line <= 0) break;
    if (!BlankRecord(*text, fault.source)) {
      observe();
      break;
    }
    if (text == &scenario.line_text) line.reset();
    if (limit_reached) at_limit = std::move(round);
  }
  // A fault of the line description can come to light after those of the
  // train description; a fault that names no line ended the search.
  std::stable_sort(reports.begin(), reports.end(), [&](const Report& a, const Report& b) {
    const auto key = [&](const Report& r) {
      const int line = r.fault.source.line;
      return std::pair{r.text != &scenario.line_text, line > 0 ? line : INT_MAX};
    };
    return key(a) < key(b);
  });
  for (const RecordedFault& fault : round.outcome.post_pass_faults) {
    reports.push_back({&scenario.train_text, fault, ""});
  }
  if (reserved_slot) reports.push_back({&scenario.train_text, *reserved_slot, ""});
  findings.records = round.records.Take();
  return findings;
}

std::string Message(const Report& report) {
  const RecordedFault& fault = report.fault;
  // A detail may quote the text's bytes, Windows-1252 as the text.
  const std::string detail = Utf8From1252(fault.source.detail);
  std::string message;
  if (fault.code == kErrRunTimeFailure && !detail.empty()) {
    message = "the reading failed: " + detail;
  } else {
    const char* meaning = ErrorMeaning(fault.code);
    message = meaning != nullptr ? meaning : "unknown fault";
    if (!detail.empty()) message += " (" + detail + ")";
  }
  if (fault.position) message += " at " + std::to_string(*fault.position) + " m";
  if (!report.note.empty()) message += ": " + report.note;
  return message;
}

// The author's texts, each with its index of lines, by the names the compile
// reads them under.
AuthorFiles FilesOf(const CheckedScenario& scenario) {
  AuthorFiles files;
  for (const AuthorText* text : {&scenario.line_text, &scenario.train_text}) {
    files.try_emplace(text->name, text->path,
                      text->original ? std::string_view(*text->original) : "");
  }
  return files;
}

Diagnostic ErrorDiagnostic(const Report& report, const AuthorFiles& files) {
  const FaultSource& source = report.fault.source;
  const std::string rule = "E" + std::to_string(report.fault.code);
  if (report.text == nullptr || !report.text->original) {
    return DiagnosticAt(Severity::kError, rule, AuthorFile{source.file, {}}, 0, source.column,
                        Message(report));
  }
  return DiagnosticAt(Severity::kError, rule, files.at(report.text->name), source.line,
                      source.column, Message(report));
}

// The train text is searched for its header as the reader does: in any case.
bool HasGeneralHeader(const std::string& bytes) {
  std::string lower = bytes;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower.find("[generale]") != std::string::npos;
}

std::vector<Diagnostic> Warnings(const CheckedScenario& scenario,
                                 const std::vector<ReadRecord>& records,
                                 const AuthorFiles& files) {
  const AuthorText& train = scenario.train_text;
  std::vector<Diagnostic> warnings;
  if (train.original && !HasGeneralHeader(*train.original)) {
    warnings.push_back(DiagnosticAt(
        Severity::kWarning, kNoGeneralHeader, {train.path, *train.original}, 0, 0,
        "the train description has no \"[generale]\" line: nothing of it is read, so the "
        "train has no station, signal or slowdown, and speed 0 and adhesion 0 in every cell"));
  }
  for (Diagnostic& warning : TextWarnings(records, files, train.name)) {
    warnings.push_back(std::move(warning));
  }
  std::vector<ReadRecord> train_records;
  std::copy_if(records.begin(), records.end(), std::back_inserter(train_records),
               [&](const ReadRecord& record) { return record.file == train.name; });
  for (Diagnostic& warning : CheckCrewDocuments(scenario.crew, train_records, scenario.train)) {
    warnings.push_back(std::move(warning));
  }
  return warnings;
}

// Diagnostics of one file stay together, in line order, errors first on a line.
void SortByPlace(std::vector<Diagnostic>& diagnostics, const CheckedScenario& scenario) {
  const auto file_rank = [&](const std::string& path) {
    if (path == scenario.line_text.path) return 0;
    if (path == scenario.train_text.path) return 1;
    return 2;
  };
  std::stable_sort(diagnostics.begin(), diagnostics.end(),
                   [&](const Diagnostic& a, const Diagnostic& b) {
                     const auto key = [&](const Diagnostic& d) {
                       return std::tuple<int, const std::string&, int, bool, int>{
                           file_rank(d.path), d.path, d.line > 0 ? d.line : INT_MAX,
                           d.severity != Severity::kError, d.column};
                     };
                     return key(a) < key(b);
                   });
}

// Takes -Werror and -Wno-NAME out of args; the rest is the command line.
CheckOptions TakeWarningOptions(std::vector<std::string>& args) {
  CheckOptions options;
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

// "path:line: message" as a diagnostic of that file and line.
Diagnostic FolderDiagnostic(const std::string& directory, const std::string& what) {
  Diagnostic diagnostic{Severity::kError, "", "", 0, 0, what, "", 0};
  const std::size_t colon = what.find(": ", what.rfind(directory, 0) == 0 ? directory.size() : 0);
  if (colon == std::string::npos) return diagnostic;
  std::string place = what.substr(0, colon);
  diagnostic.message = what.substr(colon + 2);
  const std::size_t line_colon = place.rfind(':');
  if (line_colon != std::string::npos && line_colon + 1 < place.size() &&
      place.find_first_not_of("0123456789", line_colon + 1) == std::string::npos) {
    diagnostic.line = std::stoi(place.substr(line_colon + 1));
    diagnostic.column = 1;
    diagnostic.display_column = 1;
    place.resize(line_colon);
  }
  diagnostic.path = place;
  return diagnostic;
}

// Every error and every warning, in the order of their places.
CheckResult Diagnose(CheckedScenario& scenario, std::size_t error_limit) {
  const Findings findings = FindErrors(scenario, error_limit);
  const AuthorFiles files = FilesOf(scenario);
  std::vector<Diagnostic> diagnostics;
  for (const Report& report : findings.errors) {
    diagnostics.push_back(ErrorDiagnostic(report, files));
  }
  for (Diagnostic& warning : Warnings(scenario, findings.records, files)) {
    diagnostics.push_back(std::move(warning));
  }
  SortByPlace(diagnostics, scenario);
  ListPerRule(diagnostics);
  return {std::move(diagnostics), findings.stopped_after};
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
  CheckOptions options = TakeWarningOptions(rest);
  const Arguments arguments(rest, {}, {"--name", "--train", "--format", "--error-limit"});
  options.format = FormatNamed(arguments.value("--format"));
  options.error_limit = static_cast<std::size_t>(
      arguments.Number("--error-limit", static_cast<long>(kDefaultErrorLimit), 0));
  arguments.ExpectPositional(1, "the folder DIR");
  const std::string directory = arguments.positional()[0];
  RequireFolder(directory, "read the folder");
  CheckedScenario scenario;
  if (IsScenarioFolder(arguments, directory)) {
    try {
      scenario = FolderScenario(directory);
    } catch (const ScenarioFolderError& error) {
      Print(out, err, options.format, {{FolderDiagnostic(directory, error.what())}});
      return kToolRecordedFault;
    }
  } else {
    scenario = HandOverScenario(arguments, directory);
  }
  CheckResult result = Diagnose(scenario, options.error_limit);
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

CheckResult CheckScenarioFolder(const std::string& directory, std::size_t error_limit) {
  CheckedScenario scenario;
  try {
    scenario = FolderScenario(directory);
  } catch (const ScenarioFolderError& error) {
    return {{FolderDiagnostic(directory, error.what())}};
  }
  return Diagnose(scenario, error_limit);
}

}  // namespace packager::tool
