// scenario-tool check: every error the compile would record in a scenario's
// texts, in one run, printed as compilers print theirs. The texts are read
// into memory and never written back; no binary file is written.
//
// The compile stops reading a text at its first fault. To find the next one,
// the check blanks the record of the fault just reported in its own copy of
// the text (its bytes give way to nothing but the line ends, so that line
// numbers stay) and compiles again, until no reading fault is left.
#include <algorithm>
#include <climits>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile_stage.h"
#include "compiler/description_texts.h"
#include "sources/scenario_folder.h"
#include "tables/error_codes.h"
#include "tables/file_failure.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tables/windows1252.h"
#include "tool/arguments.h"
#include "tool/tool.h"

namespace packager::tool {

namespace {

// More rounds than any text has records worth reporting one by one.
constexpr int kRoundLimit = 1000;

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
};

// One error to print, and the text it was found in (nullptr for none).
struct Report {
  const AuthorText* text;
  RecordedFault fault;
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

std::string_view LineOf(std::string_view bytes, int number) {
  const std::vector<LineSpan> lines = LinesOf(bytes);
  if (number < 1 || static_cast<std::size_t>(number) > lines.size()) return {};
  const LineSpan span = lines[static_cast<std::size_t>(number) - 1];
  return bytes.substr(span.begin, span.length);
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

CheckedScenario HandOverScenario(const Arguments& arguments, const std::string& directory) {
  CheckedScenario scenario{arguments.Required("--name"), arguments.Required("--train"), {}, {}};
  RequireFileNamePart("--name", scenario.name);
  RequireFileNamePart("--train", scenario.train);
  RequireFileNamesFit(scenario.name, scenario.train);
  for (auto [text, name] : {std::pair{&scenario.line_text, LineDescriptionName(scenario.name)},
                            {&scenario.train_text,
                             TrainDescriptionName(scenario.name, scenario.train)}}) {
    *text = TextOf(directory, name, ReadHandOverText(JoinPath(directory, name)));
  }
  return scenario;
}

// Throws ScenarioFolderError for a folder the build would refuse.
CheckedScenario FolderScenario(const std::string& directory) {
  const ScenarioFolder folder = ReadScenarioFolder(directory);
  const std::string& name = folder.identity.name;
  const std::string& train = folder.identity.train;
  return {name, train,
          TextOf(directory, LineDescriptionName(name), FileBytes(folder.line_description)),
          TextOf(directory, TrainDescriptionName(name, train), FileBytes(folder.train_description))};
}

struct Round {
  ScenarioTables tables;
  CompileOutcome outcome;
};

void CompileRound(const CheckedScenario& scenario, Round& round) {
  round.tables.scenario_name = scenario.name;
  round.tables.train_number = scenario.train;
  MemoryTexts texts;
  for (const AuthorText* text : {&scenario.line_text, &scenario.train_text}) {
    if (text->original) texts.Put(text->name, text->current);
  }
  round.outcome = CompileScenario(round.tables, texts, 1);
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

// Reading faults one round each, in the order the texts are read; then the
// post-pass faults of the last round and the first taken reserved slot: a
// slot is taken by what the texts hold, whatever else the reading records.
std::vector<Report> FindErrors(CheckedScenario& scenario) {
  std::vector<Report> reports;
  std::optional<RecordedFault> reserved_slot;
  Round round;
  for (int count = 0; count < kRoundLimit; ++count) {
    round = Round{};
    CompileRound(scenario, round);
    const std::int32_t slot_code = round.outcome.reserved_slot_fault;
    if (slot_code != 0 && !reserved_slot) reserved_slot = ReservedSlotFault(slot_code, round.tables);
    const RecordedFault& fault = round.outcome.reading_fault;
    if (fault.code == 0) break;
    AuthorText* text = TextNamed(scenario, fault.source.file);
    reports.push_back({text, fault});
    if (text == nullptr || fault.source.line <= 0 || !BlankRecord(*text, fault.source)) break;
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
    reports.push_back({&scenario.train_text, fault});
  }
  if (reserved_slot) reports.push_back({&scenario.train_text, *reserved_slot});
  return reports;
}

std::string Message(const RecordedFault& fault) {
  const std::string& detail = fault.source.detail;
  std::string message;
  if (fault.code == kErrRunTimeFailure && !detail.empty()) {
    message = "the reading failed: " + detail;
  } else {
    const char* meaning = ErrorMeaning(fault.code);
    message = meaning != nullptr ? meaning : "unknown fault";
    if (!detail.empty()) message += " (" + detail + ")";
  }
  if (fault.position) message += " at " + std::to_string(*fault.position) + " m";
  return message + " [E" + std::to_string(fault.code) + "]";
}

// The failing field's column, or the first non-blank one of the line.
int ColumnOf(const FaultSource& source, std::string_view line) {
  if (source.column > 0) return source.column;
  const std::size_t first = line.find_first_not_of(" \t");
  return first == std::string_view::npos ? 1 : static_cast<int>(first) + 1;
}

// "    5 | the line" and, under it, a caret under the column.
void PrintQuote(std::ostream& err, int number, std::string_view line, int column) {
  std::string caret;
  for (std::size_t i = 0; i + 1 < static_cast<std::size_t>(column); ++i) {
    caret += i < line.size() && line[i] == '\t' ? '\t' : ' ';
  }
  std::string margin = std::to_string(number);
  if (margin.size() < 5) margin.insert(0, 5 - margin.size(), ' ');
  err << margin << " | " << Utf8From1252(line) << "\n"
      << std::string(margin.size(), ' ') << " | " << Utf8From1252(caret) << "^\n";
}

void PrintReport(std::ostream& err, const Report& report) {
  const FaultSource& source = report.fault.source;
  std::string file = report.text != nullptr ? report.text->path : source.file;
  if (file.empty()) file = "scenario-tool";  // as a compiler names itself
  const std::string message = Message(report.fault);
  if (source.line <= 0 || report.text == nullptr || !report.text->original) {
    err << file << ": error: " << message << "\n";
    return;
  }
  const std::string_view line = LineOf(*report.text->original, source.line);
  const int column = ColumnOf(source, line);
  err << file << ':' << source.line << ':' << column << ": error: " << message << "\n";
  PrintQuote(err, source.line, line, column);
}

void PrintCounts(std::ostream& err, std::size_t errors) {
  err << errors << (errors == 1 ? " error\n" : " errors\n");
}

// "path:line: message" as "path:line: error: message".
void PrintFolderError(std::ostream& err, const std::string& directory, const std::string& what) {
  const std::size_t colon = what.find(": ", what.rfind(directory, 0) == 0 ? directory.size() : 0);
  if (colon == std::string::npos) {
    err << "error: " << what << "\n";
  } else {
    err << what.substr(0, colon) << ": error: " << what.substr(colon + 2) << "\n";
  }
  PrintCounts(err, 1);
}

}  // namespace

int CheckCommand(const std::vector<std::string>& args, std::ostream& /*out*/, std::ostream& err) {
  const Arguments arguments(args, {}, {"--name", "--train"});
  arguments.ExpectPositional(1, "the folder DIR");
  const std::string directory = arguments.positional()[0];
  RequireFolder(directory, "read the folder");
  CheckedScenario scenario;
  if (IsScenarioFolder(arguments, directory)) {
    try {
      scenario = FolderScenario(directory);
    } catch (const ScenarioFolderError& error) {
      PrintFolderError(err, directory, error.what());
      return kToolRecordedFault;
    }
  } else {
    scenario = HandOverScenario(arguments, directory);
  }
  const std::vector<Report> reports = FindErrors(scenario);
  for (const Report& report : reports) PrintReport(err, report);
  PrintCounts(err, reports.size());
  return reports.empty() ? kToolClean : kToolRecordedFault;
}

}  // namespace packager::tool
