#include "check/check.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "check/cell_holders.h"
#include "check/crew_document_check.h"
#include "check/diagnostics.h"
#include "check/lost_records.h"
#include "check/reading_faults.h"
#include "check/text_warnings.h"
#include "check/train_checks.h"
#include "compiler/compile_stage.h"
#include "compiler/grammar.h"
#include "compiler/memorizza_dati.h"
#include "compiler/description_texts.h"
#include "compiler/reading_observer.h"
#include "sources/scenario_folder.h"
#include "tables/error_codes.h"
#include "tables/file_failure.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tables/scenario_tables.h"
#include "tables/windows1252.h"

namespace packager::tool {

namespace {

constexpr char kNoGeneralHeader[] = "no-general-header";

// Where a line of a text starts: line 1 at byte 0, or one found before.
struct LineStart {
  int line = 1;
  std::size_t begin = 0;
};

// A description text as the author wrote it, and as the check holds it while
// it blanks the records already reported.
struct AuthorText {
  std::string name;  // as the compile names it, e.g. NAME_linea.txt
  std::string path;  // the author's file, as its folder was named
  std::optional<std::string> original;  // Windows-1252 bytes; none when missing
  std::string current;
  // The first line blanked last: blanking changes nothing above it, and the
  // next record blanked most often lies below it.
  LineStart blanked = {};
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
  TakenCell taken;             // what holds a taken cell
  std::int64_t grid_end = 0;   // metres, where the route grid ended at the fault
  std::string message = {};    // said instead of the code's meaning, when not empty
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

// Blanks lines first to last of the text; false when nothing changed. A
// check of many faults blanks a record a round: the lines are counted from
// `known` (a line start of the text, at or above first; else from the top),
// which becomes the start of line first; the line ends are found by a
// search of each kind of end, the lines past the last are not looked at.
bool BlankLines(std::string& bytes, int first, int last, LineStart& known) {
  if (last < 1 || first > last) return false;
  if (known.line > first) known = {};
  const std::string_view text = bytes;
  std::vector<LineSpan> lines;  // first to last
  std::size_t begin = known.begin;
  std::size_t next_cr = text.find('\r', begin);
  std::size_t next_lf = text.find('\n', begin);
  for (int number = known.line; number <= last && begin < text.size(); ++number) {
    if (next_cr < begin) next_cr = text.find('\r', begin);
    if (next_lf < begin) next_lf = text.find('\n', begin);
    const std::size_t end = std::min({next_cr, next_lf, text.size()});
    if (number == first) known = {first, begin};
    if (number >= first) lines.push_back({begin, end - begin});
    begin = end + 1;
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++begin;
  }
  bool changed = false;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (line->length == 0) continue;
    bytes.erase(line->begin, line->length);
    changed = true;
  }
  return changed;
}

// The record of a fault: from its keyword's line to the last line read.
bool BlankRecord(AuthorText& text, const FaultSource& source) {
  const int first = source.record_line > 0 ? source.record_line : source.line;
  const int last = std::max(source.line, source.last_line);
  return BlankLines(text.current, first, last, text.blanked);
}

// A file of the sources as its diagnostics name it.
std::string PathOf(const ScenarioSources& sources, const std::string& file) {
  return sources.folder.empty() ? file : JoinPath(sources.folder, file);
}

AuthorText TextOf(const ScenarioSources& sources, const std::string& name,
                  std::optional<std::string> bytes) {
  AuthorText text{name, PathOf(sources, name), std::move(bytes), "", {}};
  text.current = text.original.value_or("");
  return text;
}

std::optional<std::string> FileOf(const ScenarioSources& sources, const std::string& name) {
  const auto found = sources.files.find(name);
  if (found == sources.files.end()) return std::nullopt;
  return found->second;
}

// The texts a packager hands over, as they are: a missing description is the
// compile's to report, as it reports it.
CheckedScenario HandOverScenario(const ScenarioSources& sources) {
  const std::string& name = sources.name;
  const std::string& train = sources.train;
  CheckedScenario scenario{name, train, {}, {}, {}};
  for (auto [text, file] : {std::pair{&scenario.line_text, LineDescriptionName(name)},
                            {&scenario.train_text, TrainDescriptionName(name, train)}}) {
    *text = TextOf(sources, file, FileOf(sources, file));
  }
  const auto document = [&](const std::string& file) {
    return CrewDocument{PathOf(sources, file), FileOf(sources, file)};
  };
  scenario.crew = {document(NotesName(name, train)), document(SlowdownOrderName(name, train)),
                   document(TimetableSheetName(name, train))};
  return scenario;
}

// The texts of a folder as the build reads them, their problems left out.
CheckedScenario FolderScenario(const ScenarioSources& sources, const ScenarioFolder& folder) {
  const std::string& name = folder.identity.name;
  const std::string& train = folder.identity.train;
  const auto document = [&](const std::string& file, const FolderText& text) {
    std::optional<std::string> bytes;
    if (sources.files.count(file) != 0) bytes = FileBytes(text);
    return CrewDocument{PathOf(sources, file), std::move(bytes)};
  };
  return {name,
          train,
          TextOf(sources, LineDescriptionName(name), FileBytes(folder.line_description)),
          TextOf(sources, TrainDescriptionName(name, train), FileBytes(folder.train_description)),
          {document(NotesName(name, train), folder.notes),
           document(SlowdownOrderName(name, train), folder.slowdown_order),
           document(TimetableSheetName(name, train), folder.timetable_sheet)}};
}

// The texts of a folder as the author's editor shows them, whatever they
// were saved as (TextAsShown), each made once however many problems it has.
class ShownTexts {
 public:
  explicit ShownTexts(const ScenarioSources& sources) : sources_(sources) {}

  // None for a file the folder does not hold.
  const LineIndex* LinesOf(const std::string& file) {
    auto found = texts_.find(file);
    if (found == texts_.end()) {
      const auto contents = sources_.files.find(file);
      if (contents == sources_.files.end()) return nullptr;
      found = texts_.emplace(file, std::make_unique<Shown>(TextAsShown(contents->second))).first;
    }
    return &found->second->lines;
  }

 private:
  struct Shown {
    explicit Shown(std::string shown) : text(std::move(shown)), lines(text) {}
    std::string text;
    LineIndex lines;  // views text
  };
  const ScenarioSources& sources_;
  std::map<std::string, std::unique_ptr<Shown>> texts_;
};

// A problem of the folder where it stands, its line quoted as the author
// sees it.
Diagnostic FolderDiagnostic(const ScenarioSources& sources, ShownTexts& shown,
                            const FolderProblem& problem) {
  Diagnostic diagnostic;
  diagnostic.severity = Severity::kError;
  diagnostic.path = PathOf(sources, problem.file);
  diagnostic.message = problem.message;
  const LineIndex* lines = problem.line > 0 ? shown.LinesOf(problem.file) : nullptr;
  if (lines == nullptr) return diagnostic;
  const std::string_view line = lines->Line(problem.line);
  diagnostic.line = problem.line;
  diagnostic.column = std::max(problem.column, 1);
  diagnostic.end_line = problem.line;
  diagnostic.end_column = diagnostic.column + (problem.column > 0 ? 1 : 0);
  QuoteUtf8(diagnostic, line.ends_with('\r') ? line.substr(0, line.size() - 1) : line,
            diagnostic.column);
  return diagnostic;
}

// The records and what they did as a ReadingLog collects them, with the
// cell the walk served first.
class CheckedRecords : public ReadingLog {
 public:
  // While a round is compiled with these tables: the cell whose slowdown
  // start or warning the walk after the reading served when it put a point
  // in cell 1, read from the walk's own counter of the cell it stands on
  // (tables.scratch4), which it never lets another stage write.
  void Watch(const ScenarioTables* tables) { tables_ = tables; }
  std::optional<std::int64_t> cell_one_served() const { return cell_one_served_; }
  void OnCellWrite(const CellWrite& write) override {
    // Only the walk writes objects with no line of a text.
    if (tables_ != nullptr && write.by.line == 0 && write.part == CellPart::kObject &&
        write.first_cell == 1 && !cell_one_served_) {
      cell_one_served_ = tables_->scratch4;
    }
    ReadingLog::OnCellWrite(write);
  }

 private:
  const ScenarioTables* tables_ = nullptr;
  std::optional<std::int64_t> cell_one_served_;
};

// The tables and the records as the line description's reading left them,
// for every round while its text stays as it is.
struct LineState {
  LineStage stage;
  TablesWithoutPlan tables;
  CheckedRecords records;
};

}  // namespace

// A line description's reading, and what it was read from.
struct CheckCache::LineReading {
  std::string name;
  std::string train;
  std::optional<std::string> text;  // none for a missing description
  LineState state;
};

namespace {

struct Round {
  ScenarioTables tables;  // an observed round's; a round read on from a pause leaves them empty
  CompileOutcome outcome;
  CheckedRecords records;
  std::int64_t grid_end = 0;  // metres, where the route grid ends; 0 without one
};

// The text as the reading sees it: lent, not copied, as a round reads it
// whole or from a pause, and it stays as it is while it is read.
MemoryTexts TextsOf(const AuthorText& text) {
  MemoryTexts texts;
  if (text.original) texts.Lend(text.name, text.current);
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

// The reading of the line description as it stands: the cache's when it
// read the same, else read now, and kept in the cache when the text is the
// author's (not one with records blanked), as the next check starts with it.
std::shared_ptr<const CheckCache::LineReading> LineReadingOf(const CheckedScenario& scenario,
                                                             CheckCache* cache) {
  const AuthorText& text = scenario.line_text;
  if (cache != nullptr && cache->line != nullptr) {
    const CheckCache::LineReading& kept = *cache->line;
    const bool same_text = text.original ? kept.text && *kept.text == text.current : !kept.text;
    if (same_text && kept.name == scenario.name && kept.train == scenario.train) {
      return cache->line;
    }
  }
  std::optional<std::string> bytes;
  if (text.original) bytes = text.current;
  auto reading = std::make_shared<const CheckCache::LineReading>(CheckCache::LineReading{
      scenario.name, scenario.train, std::move(bytes), ReadLine(scenario)});
  if (cache != nullptr && text.current == text.original.value_or("")) cache->line = reading;
  return reading;
}

std::int64_t GridEnd(const RouteGrid& grid) {
  return grid.exists() ? std::int64_t{kCellLength} * grid.last_index() : 0;
}

// The train's reading paused before the record set aside last (at first,
// before its top), on tables of its own that each round reads on: their
// route grid keeps in its journal what a round changes, and the next round
// puts it back, so that a round costs what it reads, not a copy of the
// grid. The texts a round reads must stay as they were before the pause.
class TrainPause {
 public:
  explicit TrainPause(const LineState& line) : line_(line) {
    static_cast<TablesWithoutPlan&>(tables_) = line.tables;
    Settle();
  }

  // A round read on from the pause, without observer: its reading fault
  // and its reserved slot fault; the tables stay as it left them.
  CompileOutcome Round(const CheckedScenario& scenario) {
    Rewind();
    moved_on_ = true;
    MemoryTexts texts = TextsOf(scenario.train_text);
    return CompileTrainDescription(tables_, texts, line_.stage, nullptr, from(),
                                   AfterTheReading::kReservedSlotsOnly);
  }

  // Reads on to the pause before the record of line `first`, as long as
  // what it read stays as it is once lines from `first` on change; false,
  // the pause lost, when it cannot.
  bool MoveTo(const CheckedScenario& scenario, int first) {
    Rewind();
    // Read on for good: a reading that does not get there loses the pause.
    tables_.route_cells.StopJournal();
    TrainReadingPause next;
    next.line = first;
    MemoryTexts texts = TextsOf(scenario.train_text);
    if (!memorizza_treno(tables_, texts, line_.stage.line, nullptr, from(), &next) ||
        !next.Before(first)) {
      return false;
    }
    pause_ = next;
    Settle();
    return true;
  }

  const ScenarioTables& tables() const { return tables_; }

 private:
  const TrainReadingPause* from() const { return pause_ ? &*pause_ : nullptr; }

  // The tables as they stand become those of the pause.
  void Settle() {
    tables_.route_cells.StartJournal();
    RouteGrid grid = std::move(tables_.route_cells);
    at_pause_ = tables_;
    tables_.route_cells = std::move(grid);
  }

  // The tables as they stood at the pause.
  void Rewind() {
    if (!moved_on_) return;
    moved_on_ = false;
    RouteGrid grid = std::move(tables_.route_cells);
    grid.Restore();
    static_cast<TablesWithoutPlan&>(tables_) = at_pause_;
    tables_.route_cells = std::move(grid);
  }

  const LineState& line_;
  ScenarioTables tables_;
  TablesWithoutPlan at_pause_;  // all but the route grid, as at the pause
  std::optional<TrainReadingPause> pause_;  // none: before the top
  bool moved_on_ = false;  // a round read on from the pause since
};

// A round, its records taken only when observed: listening to every record
// costs as much as the reading itself, and only a note on a taken cell and
// the warnings of the last round look at them. One not observed goes on
// from the pause, which it starts when there is none.
void CompileRound(const CheckedScenario& scenario, const LineState& line, Round& round,
                  bool observed, std::optional<TrainPause>* pause = nullptr) {
  round = Round{};
  if (!observed && pause != nullptr) {
    if (!*pause) pause->emplace(line);
    round.outcome = (*pause)->Round(scenario);
    round.grid_end = GridEnd((*pause)->tables().route_cells);
    return;
  }
  static_cast<TablesWithoutPlan&>(round.tables) = line.tables;
  if (observed) round.records = line.records;
  MemoryTexts texts = TextsOf(scenario.train_text);
  if (observed) round.records.Watch(&round.tables);
  round.outcome = CompileTrainDescription(round.tables, texts, line.stage,
                                          observed ? &round.records : nullptr);
  round.records.Watch(nullptr);
  round.grid_end = GridEnd(round.tables.route_cells);
}

AuthorText* TextNamed(CheckedScenario& scenario, const std::string& name) {
  if (name == scenario.line_text.name) return &scenario.line_text;
  if (name == scenario.train_text.name) return &scenario.train_text;
  return nullptr;
}

// The first taken reserved slot; at the slowdown whose abbattimento point
// the walk put in cell 1, when it did.
Report ReservedSlotFault(std::int32_t code, const Round& round, const AuthorText* train) {
  const RouteCell& cell = round.tables.route_cells.at(1);
  Report report{train,
                {code, std::nullopt,
                 {"", 0,
                  "cell 1 holds kind " + std::to_string(cell.kind) + ", param1 " +
                      std::to_string(cell.param1) + ", param2 " + std::to_string(cell.param2) +
                      "; no binary file can be written"}},
                {},
                0};
  const auto served = round.records.cell_one_served();
  if (!served) return report;
  const auto explained = ExplainPointInCellOne(round.records, round.tables.route_cells, *served);
  if (!explained) return report;
  report.fault.source = {train->name, explained->line, "", explained->column,
                         explained->first_line, explained->last_line};
  report.message = explained->message;
  return report;
}

// Whether the record of a fault is the line length record.
bool IsLineLengthRecord(const AuthorText& text, const FaultSource& source) {
  const int first = source.record_line > 0 ? source.record_line : source.line;
  const std::vector<LineSpan> lines = LinesOf(text.current);
  if (first < 1 || static_cast<std::size_t>(first) > lines.size()) return false;
  const LineSpan span = lines[static_cast<std::size_t>(first) - 1];
  const std::string_view line = std::string_view(text.current).substr(span.begin, span.length);
  return grammar::Matches(grammar::kLineLength, line.substr(0, line.find(',')));
}

struct Findings {
  std::vector<Report> errors;
  // The search ended on a fault that leaves the texts unread past it: what
  // the train's records would say is not looked at.
  bool reading_ended = false;
  CheckedRecords log;  // of the last round, for the warnings
  RouteGrid grid;      // as the last round left it
  std::size_t stopped_after = 0;    // the error limit, when reached with more to find
};

// The multiples of 50 either side of a value that is none: "1200 or 1250".
std::string MultiplesAround(std::int64_t value) {
  const std::int64_t below = value - ((value % kCellLength) + kCellLength) % kCellLength;
  return std::to_string(below) + " or " + std::to_string(below + kCellLength);
}

// The progressive records of the line description whose first or second
// value is not a multiple of 50: the packager finds them only once the
// train is read, and names no record; each is reported at its own field.
std::vector<Report> ProgressiveReports(const std::vector<ReadRecord>& records,
                                       const AuthorText& line_text, const RecordedFault& fault) {
  std::vector<Report> reports;
  for (const ReadRecord& record : records) {
    if (record.file != line_text.name) continue;
    const bool progressive = std::any_of(
        record.kinds.begin(), record.kinds.end(), [](const std::string& kind) {
          return kind == grammar::kProgressiveUno.name || kind == grammar::kProgressiveDue.name ||
                 kind == grammar::kProgressiveTre.name;
        });
    if (!progressive) continue;
    for (std::size_t i = 0; i < std::min<std::size_t>(2, record.fields.size()); ++i) {
      const ReadField& field = record.fields[i];
      const std::int64_t value = static_cast<std::int32_t>(field.value);
      if (value % kCellLength == 0) continue;
      RecordedFault at = fault;
      at.source = {line_text.name, field.line,
                   std::string(i == 0 ? "first" : "second") + " value " + std::to_string(value) +
                       "; write " + MultiplesAround(value),
                   field.column, record.line, field.line};
      reports.push_back({&line_text, std::move(at), {}, 0});
    }
  }
  return reports;
}

// Reading faults one round each, in the order the texts are read, up to
// error_limit of them (0: no limit); then the post-pass faults of the last
// round and the first taken reserved slot: a slot is taken by what the texts
// hold, whatever else the reading records.
Findings FindErrors(CheckedScenario& scenario, std::size_t error_limit, CheckCache* cache) {
  Findings findings;
  std::vector<Report>& reports = findings.errors;
  std::optional<Report> reserved_slot;
  std::shared_ptr<const CheckCache::LineReading> line;
  Round round;
  std::optional<Round> at_limit;  // the round of the last fault the limit lets be listed
  bool length_set_aside = false;  // the line length record, blanked for a fault of its own
  // The first round is observed at once: most checks, as those after an
  // edit, end with it and look at its records.
  bool first_round = true;
  std::optional<TrainPause> pause;  // before the train's record set aside last
  for (;;) {
    if (!line) line = LineReadingOf(scenario, cache);
    CompileRound(scenario, line->state, round, first_round, &pause);
    bool observed = first_round;
    first_round = false;
    // The same round again, with the same outcome, and its records; before
    // its text changes.
    const auto observe = [&] {
      if (!observed) CompileRound(scenario, line->state, round, true);
      observed = true;
    };
    RecordedFault fault = round.outcome.reading_fault;
    if (at_limit && fault.code != 0) {
      // A fault left unsaid: what is reported stays that of the round of
      // the last fault listed. Without one, this round is the last, as it
      // would be without a limit.
      findings.stopped_after = error_limit;
      round = std::move(*at_limit);
      break;
    }
    const std::int32_t slot_code = round.outcome.reserved_slot_fault;
    if (slot_code != 0 && !reserved_slot) {
      observe();
      reserved_slot = ReservedSlotFault(slot_code, round, &scenario.train_text);
    }
    if (fault.code == 0) {
      observe();
      break;
    }
    AuthorText* text = TextNamed(scenario, fault.source.file);
    if (fault.code == kErrProgressiveNotMultiple) {
      // Found at the end of the train's reading: the texts were read whole.
      observe();
      std::vector<Report> found =
          ProgressiveReports(round.records.records(), scenario.line_text, fault);
      if (!found.empty()) {
        for (Report& report : found) reports.push_back(std::move(report));
        break;
      }
    }
    if (fault.code == kErrNoLineLength && length_set_aside) {
      // Not a fault of its own: the length record is the error already said.
      observe();
      findings.reading_ended = true;
      break;
    }
    const bool explainable = MayExplain(fault);
    if (IsTakenCellFault(fault.code) || explainable) observe();
    // The record at fault, when the compile names another place.
    std::string explanation;
    const auto explained =
        explainable ? ExplainReadingFault(round.records.records(), round.tables, fault)
                    : std::nullopt;
    if (explained) {
      fault.source.line = explained->line;
      fault.source.column = explained->column;
      fault.source.record_line = explained->first_line;
      fault.source.last_line = explained->last_line;
      explanation = explained->message;
    }
    reports.push_back({text, fault, TakenCellOf(round.records.records(), fault, round.tables),
                       round.grid_end, std::move(explanation)});
    const bool limit_reached = reports.size() == error_limit;
    if (text == nullptr || fault.source.line <= 0 || limit_reached) observe();
    if (text == nullptr || fault.source.line <= 0) {
      findings.reading_ended = true;
      break;
    }
    if (text == &scenario.line_text && IsLineLengthRecord(*text, fault.source)) {
      length_set_aside = true;
    }
    if (text == &scenario.train_text) {
      const int first = fault.source.record_line > 0 ? fault.source.record_line : fault.source.line;
      if (!pause) pause.emplace(line->state);
      if (!pause->MoveTo(scenario, first)) pause.reset();
    } else {
      pause.reset();
    }
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
    Report report{&scenario.train_text, fault, {}, 0};
    if (const auto explained =
            ExplainSignalBeforeWarning(round.records, round.tables.route_cells, fault)) {
      report.fault.source = {scenario.train_text.name, explained->line, "", explained->column,
                             explained->first_line, explained->last_line};
      report.message = explained->message;
    }
    reports.push_back(std::move(report));
  }
  if (reserved_slot) reports.push_back(std::move(*reserved_slot));
  findings.log = std::move(round.records);
  findings.grid = std::move(round.tables.route_cells);
  return findings;
}

std::string Message(const Report& report) {
  if (!report.message.empty()) return report.message;
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
  if (!report.taken.note.empty()) {
    message += ": " + report.taken.note + "; move one of the two records to a free cell";
  }
  if (fault.code == kErrStationPosition && fault.position) {
    message += "; write a multiple of 50: " + MultiplesAround(*fault.position);
  }
  if (fault.code == kErrBeyondGrid && report.grid_end > 0) {
    message += ": the grid ends at " + std::to_string(report.grid_end) + " m, the line's " +
               "length and " + std::to_string(kPlanLengthMargin) +
               " m more, and a record may stand up to " +
               std::to_string(report.grid_end - grammar::kRecordGridExtra) + " m (a station up to " +
               std::to_string(report.grid_end - grammar::kStationGridExtra) +
               " m); the packager reads nothing after this record in its text: move it there or "
               "before, or give the line a greater length (lunghezza percorso)";
  }
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
  Diagnostic diagnostic = DiagnosticAt(Severity::kError, rule, files.at(report.text->name),
                                       source.line, source.column, Message(report));
  if (const auto& holder = report.taken.holder) {
    const auto file = files.find(holder->file);
    if (file != files.end()) {
      diagnostic.related.push_back(RelatedAt(file->second, holder->line, holder->column,
                                             "this record put " + holder->object +
                                                 " on the cell"));
    }
  }
  return diagnostic;
}

// The train text is searched for its header as the reader does: in any case.
bool HasGeneralHeader(const std::string& bytes) {
  std::string lower = bytes;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower.find("[generale]") != std::string::npos;
}

// A train text the reader skips whole: said at the header meant, the first
// line in brackets that begins like "[generale]" (a slip of the spelling
// or the language), with its fix; else at the first line.
Diagnostic NoGeneralHeader(const AuthorText& train) {
  const std::string& bytes = *train.original;
  const std::vector<LineSpan> lines = LinesOf(bytes);
  std::size_t meant = lines.size();
  std::size_t first = 0;
  std::size_t end = 0;
  for (std::size_t i = 0; i < lines.size() && meant == lines.size(); ++i) {
    const std::string_view line = std::string_view(bytes).substr(lines[i].begin, lines[i].length);
    first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] != '[') continue;
    end = line.find(']', first);
    std::string header(line.substr(first, end == std::string_view::npos ? line.size() - first
                                                                        : end + 1 - first));
    for (char& c : header) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (header.starts_with("[gen")) meant = i;
  }
  const std::string message =
      "the train description has no \"[generale]\" line: nothing of it is read, so the "
      "train has no station, signal or slowdown, and speed 0 and adhesion 0 in every cell";
  if (meant == lines.size()) {
    return DiagnosticAt(Severity::kWarning, kNoGeneralHeader, {train.path, bytes},
                        lines.empty() ? 0 : 1, lines.empty() ? 0 : 1, message);
  }
  const int line = static_cast<int>(meant) + 1;
  const int column = static_cast<int>(first) + 1;
  const int end_column = end == std::string_view::npos
                             ? static_cast<int>(lines[meant].length) + 1
                             : static_cast<int>(end) + 2;
  Diagnostic diagnostic =
      DiagnosticAt(Severity::kWarning, kNoGeneralHeader, {train.path, bytes}, line, column,
                   message + "; this header is read as no section: write \"[generale]\"");
  diagnostic.end_line = line;
  diagnostic.end_column = end_column;
  diagnostic.fixes.push_back(
      {"write \"[generale]\"", {{train.path, line, column, end_column, "[generale]"}}});
  return diagnostic;
}

// Records written above "[generale]", which the reader takes as the
// author's notes: a clock or a speed put first is never read. A line counts
// when its first field is a train record's keyword and its second a number,
// so that notes that name a record ("aderenza, p, a") are left alone.
std::vector<Diagnostic> RecordsAboveGeneral(const AuthorText& train) {
  std::vector<Diagnostic> found;
  const std::string& bytes = *train.original;
  const std::vector<LineSpan> lines = LinesOf(bytes);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = std::string_view(bytes).substr(lines[i].begin, lines[i].length);
    if (HasGeneralHeader(std::string(line))) break;
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) continue;
    const std::string_view keyword = line.substr(0, comma);
    const auto kind = std::find_if(
        std::begin(grammar::kTrainRecords), std::end(grammar::kTrainRecords),
        [&](const grammar::RecordKind* record) { return grammar::Matches(*record, keyword); });
    std::string_view value = line.substr(comma + 1);
    value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
    if (value.starts_with('-')) value.remove_prefix(1);
    if (kind == std::end(grammar::kTrainRecords) || value.empty() ||
        !std::isdigit(static_cast<unsigned char>(value.front()))) {
      continue;
    }
    const std::size_t first = keyword.find_first_not_of(" \t");
    found.push_back(DiagnosticAt(
        Severity::kWarning, "above-general", {train.path, bytes}, static_cast<int>(i) + 1,
        static_cast<int>(first == std::string_view::npos ? 0 : first) + 1,
        "this " + std::string((*kind)->spelling) +
            " record stands above \"[generale]\": everything above that line is read as the "
            "author's notes, so the record is not read; move it below \"[generale]\""));
  }
  return found;
}

// The warnings on what was read. When the train description was not read
// to its end (or the error limit stopped the reading: stopped), what its records would say of the train and of the crew
// documents is not looked at, and a note says so once: each would only
// repeat that the train lacks what the text could not give.
std::vector<Diagnostic> Warnings(const CheckedScenario& scenario,
                                 const std::vector<ReadRecord>& records, const AuthorFiles& files,
                                 bool reading_ended, bool stopped) {
  const AuthorText& train = scenario.train_text;
  std::vector<Diagnostic> warnings;
  const bool headless = train.original && !HasGeneralHeader(*train.original);
  if (headless) warnings.push_back(NoGeneralHeader(train));
  if (train.original && !headless) {
    for (Diagnostic& warning : RecordsAboveGeneral(train)) warnings.push_back(std::move(warning));
  }
  for (Diagnostic& warning : TextWarnings(records, files, train.name, !stopped)) {
    warnings.push_back(std::move(warning));
  }
  if (reading_ended || stopped || headless || !train.original) {
    Diagnostic note;
    note.severity = Severity::kNote;
    note.path = train.path;
    note.message =
        headless ? "the train's own checks and the crew documents are not compared with the "
                   "train: nothing of its description was read; give it its \"[generale]\" "
                   "line and check again"
                 : "the train's own checks and the crew documents are not compared with the "
                   "train: the train description could not be read whole; fix the errors "
                   "above and check again";
    warnings.push_back(std::move(note));
    return warnings;
  }
  for (Diagnostic& warning : TrainWarnings(records, files)) warnings.push_back(std::move(warning));
  std::vector<ReadRecord> train_records;
  std::copy_if(records.begin(), records.end(), std::back_inserter(train_records),
               [&](const ReadRecord& record) { return record.file == train.name; });
  const auto train_file = files.find(train.name);
  for (Diagnostic& warning :
       CheckCrewDocuments(scenario.crew, train_records, scenario.train,
                          train_file != files.end() ? &train_file->second : nullptr)) {
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

// Records beyond the grid because the line is short are said once, at the
// line length record, when they are many or when the length reads as
// kilometres: one error a record would only repeat it.
constexpr std::size_t kShortLineRecords = 3;

std::optional<Diagnostic> ShortLine(std::vector<Report>& reports, const CheckedScenario& scenario,
                                    const AuthorFiles& files, std::int32_t last_cell) {
  const AuthorText& line = scenario.line_text;
  std::vector<const Report*> beyond;
  std::int64_t farthest = 0;
  for (const Report& report : reports) {
    if (report.fault.code != kErrBeyondGrid || report.text == nullptr) continue;
    beyond.push_back(&report);
    farthest = std::max<std::int64_t>(farthest, report.fault.position.value_or(0));
  }
  if (beyond.empty() || !line.original) return std::nullopt;
  // The length record as the author wrote it, and its value.
  const std::string_view bytes = *line.original;
  const std::vector<LineSpan> spans = LinesOf(bytes);
  int record_line = 0;
  std::optional<std::int64_t> length;
  for (std::size_t i = 0; i < spans.size() && record_line == 0; ++i) {
    const std::string_view text = bytes.substr(spans[i].begin, spans[i].length);
    const std::size_t comma = text.find(',');
    if (!grammar::Matches(grammar::kLineLength, text.substr(0, comma))) continue;
    record_line = static_cast<int>(i) + 1;
    if (comma == std::string_view::npos) break;
    std::string_view value = text.substr(comma + 1);
    value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error == std::errc() && end != value.data()) length = number;
  }
  if (record_line == 0 || !length) return std::nullopt;
  // Kilometres: the farthest record lies in the last half of the length
  // read as kilometres.
  const bool kilometres = *length > 0 && *length * 1000 <= grammar::kLineLengthLimit &&
                          farthest <= *length * 1000 && 2 * farthest > *length * 1000;
  if (beyond.size() < kShortLineRecords && !kilometres) return std::nullopt;
  const std::int64_t grid_end = std::int64_t{kCellLength} * last_cell;
  const Report& first = *beyond.front();
  std::string message = "the line is " + std::to_string(*length) + " m long and its grid ends at " +
                        std::to_string(grid_end) + " m (a record may stand up to " +
                        std::to_string(grid_end - grammar::kRecordGridExtra) + " m): " +
                        std::to_string(beyond.size()) +
                        (beyond.size() == 1 ? " record lies" : " records lie") + " beyond it, from " +
                        std::to_string(first.fault.position.value_or(0)) + " m to " +
                        std::to_string(farthest) + " m";
  message += kilometres ? "; lengths are in metres: did you mean " +
                              std::to_string(*length * 1000) + "?"
                        : "; give the line its whole length";
  Diagnostic diagnostic = DiagnosticAt(Severity::kError, "E" + std::to_string(kErrBeyondGrid),
                                       files.at(line.name), record_line, 0, message);
  diagnostic.related.push_back(RelatedAt(files.at(first.text->name), first.fault.source.line,
                                         first.fault.source.column,
                                         "the first record beyond the grid"));
  std::erase_if(reports, [&](const Report& report) {
    return report.fault.code == kErrBeyondGrid && report.text != nullptr;
  });
  return diagnostic;
}

// A curve said to swallow the curves after it is their cause: what each of
// them leaves is not said again at them.
void DropSwallowedCurves(std::vector<Diagnostic>& diagnostics) {
  std::set<std::pair<std::string, int>> swallowed;
  for (const Diagnostic& diagnostic : diagnostics) {
    if (diagnostic.rule != "curve-swallows") continue;
    for (const RelatedPlace& place : diagnostic.related) swallowed.insert({place.path, place.line});
  }
  if (swallowed.empty()) return;
  std::erase_if(diagnostics, [&](const Diagnostic& diagnostic) {
    return diagnostic.rule == "no-effect" && swallowed.contains({diagnostic.path, diagnostic.line});
  });
}

// Every error and every warning, in the order of their places.
CheckResult Diagnose(CheckedScenario& scenario, std::size_t error_limit, CheckCache* cache,
                     std::vector<Diagnostic> diagnostics = {}) {
  Findings findings = FindErrors(scenario, error_limit, cache);
  const AuthorFiles files = FilesOf(scenario);
  // Records of the train set aside for their faults leave it without what
  // they said: compared with the crew documents, it would lack them.
  const bool train_set_aside =
      std::any_of(findings.errors.begin(), findings.errors.end(),
                  [&](const Report& report) {
                    return report.text == &scenario.train_text && report.fault.source.line > 0;
                  });
  const std::int32_t last_cell = findings.grid.exists() ? findings.grid.last_index() : 0;
  if (auto short_line = ShortLine(findings.errors, scenario, files, last_cell)) {
    diagnostics.push_back(std::move(*short_line));
  }
  for (const Report& report : findings.errors) {
    diagnostics.push_back(ErrorDiagnostic(report, files));
  }
  for (Diagnostic& warning : Warnings(scenario, findings.log.records(), files,
                                      findings.reading_ended || train_set_aside,
                                      findings.stopped_after != 0)) {
    diagnostics.push_back(std::move(warning));
  }
  for (Diagnostic& warning : LostRecordWarnings(findings.log, findings.grid, files)) {
    diagnostics.push_back(std::move(warning));
  }
  DropSwallowedCurves(diagnostics);
  SortByPlace(diagnostics, scenario);
  ListPerRule(diagnostics);
  return {std::move(diagnostics), findings.stopped_after};
}

}  // namespace

CheckResult CheckScenario(const ScenarioSources& sources, const CheckOptions& options,
                          CheckCache* cache) {
  if (sources.packager_texts) {
    CheckedScenario scenario = HandOverScenario(sources);
    return Diagnose(scenario, options.error_limit, cache);
  }
  FolderReading reading = ReadFolderFiles(sources.files, sources.other_files);
  std::vector<Diagnostic> problems;
  ShownTexts shown(sources);
  for (const FolderProblem& problem : reading.problems) {
    problems.push_back(FolderDiagnostic(sources, shown, problem));
  }
  // Without its identity or a description the folder is not read on: the
  // descriptions are read only as a whole scenario. A crew document missing
  // is said, and the rest read all the same.
  const std::string& name = reading.folder.identity.name;
  const std::string& train = reading.folder.identity.train;
  const auto holds = [&](const std::string& file) { return sources.files.count(file) != 0; };
  if (!reading.identity || !holds(LineDescriptionName(name)) ||
      !holds(TrainDescriptionName(name, train))) {
    ListPerRule(problems);
    return {std::move(problems), 0, std::nullopt};
  }
  const std::set<std::string> crew_files = {NotesName(name, train),
                                            SlowdownOrderName(name, train),
                                            TimetableSheetName(name, train)};
  const bool crew_problems_alone =
      std::all_of(reading.problems.begin(), reading.problems.end(),
                  [&](const FolderProblem& problem) { return crew_files.count(problem.file); });
  CheckedScenario scenario = FolderScenario(sources, reading.folder);
  CheckResult result = Diagnose(scenario, options.error_limit, cache, std::move(problems));
  if (reading.problems.empty()) {
    result.folder = std::move(reading.folder);
  } else if (crew_problems_alone) {
    result.descriptions = std::move(reading.folder);
  }
  return result;
}

std::optional<ScenarioFolder> ReadFolderChecked(const ScenarioSources& sources,
                                                std::vector<Diagnostic>& problems) {
  FolderReading reading = ReadFolderFiles(sources.files, sources.other_files);
  ShownTexts shown(sources);
  for (const FolderProblem& problem : reading.problems) {
    problems.push_back(FolderDiagnostic(sources, shown, problem));
  }
  if (!reading.problems.empty()) return std::nullopt;
  return std::move(reading.folder);
}

ScenarioSources ReadScenarioSources(const std::string& directory) {
  ScenarioSources sources;
  sources.folder = directory;
  sources.files = LoadFolderFiles(directory);
  sources.other_files = ScenarioTextsIn(directory);
  return sources;
}

CheckResult CheckScenarioFolder(const std::string& directory, std::size_t error_limit) {
  return CheckScenario(ReadScenarioSources(directory), {error_limit});
}

ScenarioSources ReadPackagerTexts(const std::string& directory, const std::string& name,
                                  const std::string& train) {
  ScenarioSources sources{directory, true, name, train, {}, {}};
  for (const std::string& file :
       {LineDescriptionName(name), TrainDescriptionName(name, train), NotesName(name, train),
        SlowdownOrderName(name, train), TimetableSheetName(name, train)}) {
    const std::string path = JoinPath(directory, file);
    std::string bytes;
    const ReadFault fault = TryReadWholeFile(path, bytes);
    if (fault == ReadFault::kMissing && !IsSymbolicLink(path)) continue;
    if (fault != ReadFault::kNone) throw FileFailure(path, "read the file", ReadFaultReason(fault, path));
    sources.files.emplace(file, std::move(bytes));
  }
  return sources;
}

}  // namespace packager::tool
