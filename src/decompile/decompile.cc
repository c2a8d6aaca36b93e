#include "decompile/decompile.h"

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <system_error>

#include "compiler/compile_stage.h"
#include "compiler/competition_codes.h"
#include "compiler/grammar.h"
#include "compiler/progressive_ordina.h"
#include "compiler/track_plan_builder.h"
#include "decompile/crew_documents.h"
#include "decompile/texts.h"
#include "output/binary_readers.h"
#include "output/record_layouts.h"
#include "tables/file_names.h"
#include "tables/numbers.h"
#include "tables/windows1252.h"

namespace packager::decompile {

namespace {

constexpr int kLinePlanFile = 0;
constexpr int kTrainTableFile = 1;
constexpr int kRouteGridFile = 2;

constexpr std::int64_t kWarningCells = 24;      // 1200 m before a slowdown start
constexpr std::int64_t kFirstSignalCell = 8;    // four marks every other cell before it
constexpr std::int64_t kFirstGridlessStation = 25;

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  const int size = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return std::string(buffer, static_cast<std::size_t>(std::clamp(size, 0, 511)));
}

// ---------------------------------------------------------------------------
// What the three files hold, checked to belong to one train.

struct Tables {
  TrackPlan plan;
  std::array<TableEntry, kScenarioTableSize> table{};
  RouteGrid grid;
  std::int32_t last_cell = 0;  // U
  std::int32_t line_length = 0;
};

// The offset of a table entry's record in the train table file.
std::size_t EntryOffset(const std::array<TableEntry, kScenarioTableSize>& table, int entry) {
  std::size_t offset = 0;
  for (int i = 0; i < entry; ++i) offset += 34 + table[static_cast<std::size_t>(i)].text.size();
  return offset;
}

Tables DecodeAll(const BinaryScenario& binaries) {
  Tables tables;
  const auto decode = [](const BinaryFile& file, auto&& decoder) {
    try {
      return decoder(file.bytes);
    } catch (const DecodeError& error) {
      throw DecompileError(file.name, error.offset(), error.reason());
    }
  };
  tables.table = decode(binaries.train_table, DecodeTrainTable);
  tables.grid = decode(binaries.route_grid, DecodeRouteGrid);
  tables.plan = decode(binaries.line_plan, DecodeLinePlan);
  const auto& table = tables.table;
  const std::string& sim = binaries.train_table.name;
  const std::string& dat = binaries.route_grid.name;
  if (table[kScenarioEntry].int1 != kTableMarker) {
    throw DecompileError(sim, EntryOffset(table, kScenarioEntry) + 16 + table[kScenarioEntry].text.size(),
                         Printf("entry 85 holds %d where a train table holds the marker %d: "
                                "not a train table the packager writes",
                                table[kScenarioEntry].int1, kTableMarker));
  }
  if (tables.grid.last_index() < 1) {
    throw DecompileError(dat, binaries.route_grid.bytes.size(),
                         "the file ends before cell 1, which every route grid the packager "
                         "writes holds: not a route grid file");
  }
  if (tables.grid.at(1).param1 != kGridMarker) {
    throw DecompileError(dat, layout::kCellRecordSize + layout::kCellParam1,
                         Printf("cell 1 lacks the marker %d that every route grid the packager "
                                "writes holds: not a route grid file",
                                kGridMarker));
  }
  tables.line_length = table[kTrainValuesEntry].end;
  tables.last_cell = tables.grid.last_index();
  const std::int64_t plan_last = std::int64_t{tables.line_length} + kPlanLengthMargin;
  if (tables.line_length < 0 || tables.line_length > grammar::kLineLengthLimit ||
      DivRoundHalfEven(plan_last, kCellLength) != tables.last_cell) {
    throw DecompileError(dat, 0,
                         Printf("the route grid has %d cells, but the train table (entry 84) "
                                "gives a line of %d m, which has %lld: the files are of "
                                "different lines",
                                tables.last_cell + 1, tables.line_length,
                                static_cast<long long>(DivRoundHalfEven(plan_last, kCellLength) + 1)));
  }
  if (tables.plan.last() != plan_last) {
    throw DecompileError(binaries.line_plan.name, 0,
                         Printf("the line plan has %d metres, but the train table (entry 84) "
                                "gives a line of %d m, whose plan has %lld: the files are of "
                                "different lines",
                                tables.plan.last() + 1, tables.line_length,
                                static_cast<long long>(plan_last + 1)));
  }
  // The competition codes tie the grid to the train table's name and train.
  ScenarioTables stamps;
  stamps.scenario_table[kScenarioEntry].text = table[kScenarioEntry].text;
  stamps.scenario_table[kSignallingEntry].text = table[kSignallingEntry].text;
  const std::int32_t grid_code = codice_gara_og(stamps);
  const std::int32_t table_code = codice_gara_st(stamps);
  const std::string train_of = "train " + Utf8From1252(table[kSignallingEntry].text) + " of " +
                               Utf8From1252(table[kScenarioEntry].text);
  if (tables.grid.at(1).param2 != grid_code) {
    throw DecompileError(dat, layout::kCellRecordSize + layout::kCellParam2,
                         Printf("the competition code of cell 1 is %d, but the train table's ",
                                tables.grid.at(1).param2) +
                             train_of + Printf(" gives %d: the files are of different trains",
                                               grid_code));
  }
  if (table[kScenarioEntry].seconds != table_code) {
    throw DecompileError(sim, EntryOffset(table, kScenarioEntry + 1) - 4,
                         Printf("the competition code of entry 85 is %d, but its ",
                                table[kScenarioEntry].seconds) +
                             train_of + Printf(" gives %d: the table was changed after it "
                                               "was written",
                                               table_code));
  }
  return tables;
}

// ---------------------------------------------------------------------------
// The decompiler's working state.

class Decompiler {
 public:
  Decompiler(const BinaryScenario& binaries, Tables tables)
      : binaries_(binaries), t_(std::move(tables)), cells_(t_.grid.cells()) {
    // The reserved stamps of cell 1 are the compile's, not a record's.
    cells_[1].param1 = 0;
    cells_[1].param2 = 0;
    claimed_.assign(cells_.size(), false);
  }

  Decompiled Run();

 private:
  void Note(std::string text) { result_.notes.push_back(std::move(text)); }
  // A note on the line just before the record it is about, in the one form
  // a remark takes among records: a field with the separator mark, which
  // the reading drops (without a comma, so that it stays one field).
  static void RecordNote(std::vector<std::string>& out, std::string text) {
    std::replace(text.begin(), text.end(), ',', ';');
    out.push_back(std::string(grammar::kSeparatorMark) + "- note: " + text);
  }
  void Obstacle(int file, std::int64_t where, std::string reason) {
    result_.obstacles.push_back({file, where, std::move(reason)});
  }
  std::int64_t U() const { return t_.last_cell; }
  // The position of a record at cell c: p / 50 = c, or p / 50 + 1 = c.
  static std::int64_t CellPosition(std::int64_t c) { return c * kCellLength; }
  static std::int64_t BoardPosition(std::int64_t c) { return (c - 1) * kCellLength; }

  void Identity();
  void General();
  void Curves();
  void Running(const char* what, std::uint8_t RouteCell::*member, std::vector<std::string>& out,
               const std::function<std::string(std::int64_t, std::int64_t, bool)>& row,
               std::int64_t initial);
  void Mountains();
  void SpeedBoards();
  void IndicatorBoards();
  void TrainGeneral();
  void Stations();
  void Slowdowns();
  void Signals();
  void Abbattimenti();
  void Leftovers();
  std::string LineText() const;
  std::string TrainText(const std::map<std::int64_t, std::string>& abbattimenti) const;

  const BinaryScenario& binaries_;
  Tables t_;
  std::vector<RouteCell> cells_;  // the grid without the stamps of cell 1
  std::vector<bool> claimed_;     // cells a record accounts for
  Decompiled result_;

  // The line description, Windows-1252.
  std::vector<std::string> general_, curves_, gradients_, mountains_, speed_boards_, captions_;
  // The train description.
  std::vector<std::string> train_general_, adhesion_, speeds_, stations_, slowdowns_, signals_;
  std::map<std::int64_t, std::string> abbattimenti_;  // by cell
  int lowest_caption_ = kFirstCaptionEntry + 1;  // the entry of the last caption
  // For the crew documents.
  CrewFacts crew_;
};

void Decompiler::Identity() {
  ScenarioIdentity& identity = result_.identity;
  identity.name = t_.table[kScenarioEntry].text;
  identity.train = t_.table[kSignallingEntry].text;
  const auto refuse = [&](const char* key, const std::string& value, int entry) {
    const std::string problem = IdentityProblem(key, value);
    if (problem.empty()) return;
    throw DecompileError(binaries_.train_table.name, EntryOffset(t_.table, entry) + 16,
                         Printf("entry %d holds the %s '", entry,
                                entry == kScenarioEntry ? "scenario name" : "train number") +
                             Utf8From1252(value) + "', which no scenario folder can name: " +
                             problem);
  };
  refuse("name", identity.name, kScenarioEntry);
  refuse("train", identity.train, kSignallingEntry);
}

// The general part of the line: length, progressive rows, backgrounds, cab
// signalling.
void Decompiler::General() {
  const auto& table = t_.table;
  general_.push_back(Printf("lunghezza percorso,    %d", t_.line_length));
  // The progressive rows as read go through the ordering: find the rows
  // that it turns into entries 81 to 83 as they stand.
  const int finals[3] = {kProgressiveTreEntry, kProgressiveDueEntry, kProgressiveUnoEntry};
  int order[3] = {0, 1, 2};
  bool found = false;
  std::array<TableEntry, 3> read{};
  do {
    ScenarioTables trial;
    for (int slot = 0; slot < 3; ++slot) {
      TableEntry entry;
      const TableEntry& final_entry = table[static_cast<std::size_t>(finals[order[slot]])];
      entry.start = final_entry.start;
      entry.end = final_entry.end - (final_entry.position == 1 ? 100 : 0);
      entry.position = final_entry.position;
      trial.scenario_table[static_cast<std::size_t>(finals[slot])] = entry;
      read[static_cast<std::size_t>(slot)] = entry;
    }
    progressive_ordina(trial);
    found = true;
    for (const int entry : finals) {
      const TableEntry& a = trial.scenario_table[static_cast<std::size_t>(entry)];
      const TableEntry& b = table[static_cast<std::size_t>(entry)];
      found = found && a.start == b.start && a.end == b.end && a.position == b.position;
    }
  } while (!found && std::next_permutation(order, order + 3));
  if (!found) {
    Obstacle(kTrainTableFile, kProgressiveTreEntry,
             "no three progressive rows are put into this order by the compile's ordering");
    for (int slot = 0; slot < 3; ++slot) {
      const TableEntry& e = table[static_cast<std::size_t>(finals[slot])];
      read[static_cast<std::size_t>(slot)] = e;
    }
  }
  const char* names[3] = {"tre", "due", "uno"};
  for (int slot = 2; slot >= 0; --slot) {
    const TableEntry& e = read[static_cast<std::size_t>(slot)];
    general_.push_back(Printf("progressiva chilometrica %s,    %d,    %d,    %d", names[slot],
                              e.start, e.end, e.position));
  }
  if (found && (table[kProgressiveTreEntry].start != 0 || table[kProgressiveDueEntry].start != 0 ||
                table[kProgressiveUnoEntry].start != 0 || table[kProgressiveTreEntry].end != 0)) {
    Note("The files keep the kilometric progressive rows in their sorted order only: which of "
         "them was 'uno', 'due' or 'tre' is not known; the rows are named in an order that "
         "sorts the same.");
  }
  const TableEntry& scenario = table[kScenarioEntry];
  general_.push_back(Printf("sfondo uno,    %d", scenario.start));
  general_.push_back(Printf("sfondo due,    %d", scenario.position));
  general_.push_back(Printf("sfondo tre,    %d", scenario.end));
  const TableEntry& cab = table[kSignallingEntry];
  int codes = cab.position == 9 ? 9 : 4;
  if (!(cab.position == 4 || cab.position == 9 || (cab.position == 0 && cab.end == 0))) {
    Obstacle(kTrainTableFile, kSignallingEntry,
             Printf("the cab signalling has %d codes, and a row gives 4 or 9 (0 only with a "
                    "second position of 0)",
                    cab.position));
  }
  if (cab.position == 0 && cab.end == 0 && cab.start != 0) codes = 4;
  general_.push_back(Printf("ripetizione segnali %d codici,    %d    ,%d", codes, cab.start, cab.end));
}

// The curves, from the steps of the line plan: every metre from 2 follows
// the two before it straight or turned by one of the twelve curvatures.
void Decompiler::Curves() {
  const TrackPlan& plan = t_.plan;
  const std::int64_t last = plan.last();
  const auto value = [&](std::int64_t m, int c) { return plan.at(m, c); };
  // The seed and the two empty metres at the end.
  const auto expect = [&](std::int64_t m, const PlanValue& x, const PlanValue& y) {
    if (value(m, 0) != x || value(m, 1) != y) {
      Obstacle(kLinePlanFile, m,
               Printf("metre %lld of the plan is not what every compile puts there",
                      static_cast<long long>(m)));
    }
  };
  expect(0, PlanValue::Int16(0), PlanValue::Int16(0));
  expect(1, PlanValue::Int16(0), PlanValue::Int16(1));
  expect(last - 1, PlanValue{}, PlanValue{});
  expect(last, PlanValue{}, PlanValue{});
  double k_all[13] = {0.0};
  for (int c = 1; c <= 6; ++c) {
    k_all[2 * c - 1] = CurvatureOfClass(c);
    k_all[2 * c] = -CurvatureOfClass(c);
  }
  // Runs of metres turned by one curvature: [first, last] and its index.
  struct Run {
    std::int64_t first, last;
    int k;
  };
  std::vector<Run> runs;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 1;
  int current = 0;
  bool reported = false;
  for (std::int64_t j = 2; j <= last - 2; ++j) {
    const PlanValue vx = value(j, 0), vy = value(j, 1);
    const double x = vx.AsReal(), y = vy.AsReal();
    const auto same = [](double a, double b) {
      return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
    };
    const double d0 = x1 - x0, d1 = y1 - y0;
    const auto fits = [&](int k) {
      if (k == 0) return same(x, x1 + d0) && same(y, y1 + d1);
      const double kk = k_all[k];
      return same(x, x1 + (d0 + kk * d1)) && same(y, y1 + (d1 - kk * d0));
    };
    int rule = -1;
    if (vx.tag == PlanValue::Tag::kReal && vy.tag == PlanValue::Tag::kReal) {
      if (fits(current)) {
        rule = current;
      } else {
        for (int k = 0; k <= 12 && rule < 0; ++k) {
          if (fits(k)) rule = k;
        }
      }
    }
    if (rule < 0) {
      if (!reported) {
        Obstacle(kLinePlanFile, j,
                 Printf("metre %lld of the plan follows neither a straight step nor a curve "
                        "of class 1 to 6 from the two metres before it",
                        static_cast<long long>(j)));
        reported = true;
      }
      rule = 0;
    }
    if (rule != 0) {
      if (!runs.empty() && runs.back().k == rule && runs.back().last == j - 1) {
        runs.back().last = j;
      } else {
        runs.push_back({j, j, rule});
      }
    }
    current = rule;
    x0 = x1, y0 = y1, x1 = x, y1 = y;
  }
  const std::int64_t latest_start = std::int64_t{U()} * kCellLength - grammar::kRecordGridExtra;
  std::int64_t built = 2;  // the plan builder's next metre
  for (const Run& run : runs) {
    std::int64_t start = run.first - 1;
    if (start > latest_start) {
      start = std::max(latest_start, built - 1);
      Note(Printf("The curve that bends metres %lld to %lld starts too near the end of the "
                  "grid for a record there: its record starts at %lld, and the plan bends "
                  "only the metres from %lld all the same.",
                  static_cast<long long>(run.first), static_cast<long long>(run.last),
                  static_cast<long long>(start), static_cast<long long>(run.first)));
      RecordNote(curves_, Printf("the curve below bends metres %lld to %lld; a record cannot "
                                 "start later than %lld m so it starts before its bend",
                                 static_cast<long long>(run.first),
                                 static_cast<long long>(run.last),
                                 static_cast<long long>(latest_start)));
    }
    if (run.last > kPlanIndexLimit) {
      Obstacle(kLinePlanFile, run.last,
               "a curve that bends metres past 1000000, which no compile builds (error 103)");
    }
    const int curve_class = (run.k + 1) / 2;
    const char side = run.k % 2 == 1 ? 'd' : 's';
    curves_.push_back(Printf("curva%c%d,  %lld,  %lld", side, curve_class,
                             static_cast<long long>(start),
                             static_cast<long long>(run.last - start)));
    built = run.last + 1;
  }
}

// A running value (gradient, speed, adhesion): one record at 0, then one
// where the value changes; the grid's last three cells keep 0 unless
// records repeated at the last position reach them.
void Decompiler::Running(const char* what, std::uint8_t RouteCell::*member,
                         std::vector<std::string>& out,
                         const std::function<std::string(std::int64_t, std::int64_t, bool)>& row,
                         std::int64_t initial) {
  (void)initial;
  const std::int64_t tail = U() - grammar::kRunningTailCells;  // first cell the tail leaves
  out.push_back(row(0, cells_[0].*member, true));
  for (std::int64_t c = 1; c < tail; ++c) {
    if (cells_[static_cast<std::size_t>(c)].*member != cells_[static_cast<std::size_t>(c - 1)].*member) {
      out.push_back(row(CellPosition(c), cells_[static_cast<std::size_t>(c)].*member, false));
    }
  }
  std::int64_t highest = -1;
  for (std::int64_t c = tail; c <= U(); ++c) {
    if (cells_[static_cast<std::size_t>(c)].*member != 0) highest = c;
  }
  if (highest < 0) return;
  // Records at the last position a record may take: each after the first
  // fills one more cell with the value before it.
  const std::int64_t at = CellPosition(tail);
  RecordNote(out, Printf("the %s records below repeat the position %lld m: only so do the grid's "
                         "last three cells (%lld to %lld) get a value",
                         what, static_cast<long long>(at), static_cast<long long>(tail),
                         static_cast<long long>(U())));
  out.push_back(row(at, cells_[static_cast<std::size_t>(tail)].*member, false));
  for (std::int64_t c = tail; c < highest; ++c) {
    out.push_back(row(at, cells_[static_cast<std::size_t>(c + 1)].*member, false));
  }
  Note(Printf("The %s of the grid's last three cells (%lld to %lld) is not 0, which only "
              "records repeated at %lld m give: the %s records there repeat the position.",
              what, static_cast<long long>(tail), static_cast<long long>(U()),
              static_cast<long long>(at), what));
}

void Decompiler::Mountains() {
  std::int64_t previous_end = 0;
  bool any = false;
  int count = 0;
  const auto n = static_cast<std::int64_t>(cells_.size());
  for (std::int64_t a = 0; a < n;) {
    const std::uint8_t kind = cells_[static_cast<std::size_t>(a)].mountain_kind;
    if (kind == 0) {
      if (cells_[static_cast<std::size_t>(a)].kind == kCellMountainMarker) {
        Obstacle(kRouteGridFile, a, "a mountain marker on a cell of no mountain stretch");
      }
      ++a;
      continue;
    }
    std::int64_t run_end = a;
    while (run_end + 1 < n && cells_[static_cast<std::size_t>(run_end + 1)].mountain_kind == kind) {
      ++run_end;
    }
    // Stretches that follow each other without a gap show as one run: their
    // markers, every fourth cell of each, tell where one ends.
    std::int64_t b = run_end;
    bool marked = false;
    std::int64_t last_marker = a - 1;
    for (std::int64_t c = a; c <= run_end; ++c) {
      const std::uint8_t cell_kind = cells_[static_cast<std::size_t>(c)].kind;
      const bool phase = (c - a + 1) % 4 == 0;
      if (cell_kind == kCellMountainMarker && !phase && c - 3 > a) {
        b = c - 4;
        break;
      }
      if (phase && cell_kind == kCellEmpty && marked) {
        // The stretch ends before c; the next one starts where its own
        // markers, further on, have their phase.
        std::int64_t next = c;
        for (std::int64_t m = c + 1; m <= run_end; ++m) {
          if (cells_[static_cast<std::size_t>(m)].kind != kCellMountainMarker) continue;
          const std::int64_t shift = ((c - (m - 3)) % 4 + 4) % 4;
          if (c - shift > last_marker) next = c - shift;
          break;
        }
        b = next - 1;
        break;
      }
      if (cell_kind != kCellMountainMarker) continue;
      if (phase && !marked) {
        // The first marker: an empty cell where an earlier one belonged
        // means an unmarked stretch before a marked one.
        std::int64_t empty = -1;
        for (std::int64_t e = a + 3; e < c; e += 4) {
          if (cells_[static_cast<std::size_t>(e)].kind == kCellEmpty) empty = e;
        }
        if (empty >= 0) {
          std::int64_t next = c - 3;
          while (next - 4 > empty) next -= 4;
          b = next - 1;
          break;
        }
      }
      claimed_[static_cast<std::size_t>(c)] = true;
      if (phase) {
        last_marker = c;
        marked = true;
      } else {
        Obstacle(kRouteGridFile, c,
                 "a mountain marker off the every-fourth-cell pattern of its stretch");
      }
    }
    std::int64_t inizio = CellPosition(a);
    std::int64_t fine = CellPosition(b + 1);
    std::string at_record;  // what the note at the stretch's record says
    const bool forced_three = any && inizio - previous_end <= 150;
    if (forced_three && kind != 3) {
      // Positions within their cells: the start as late, the end before as
      // early as they round to the same cells.
      if (inizio + 24 - previous_end > 150) {
        inizio += 24;
        Note(Printf("The mountain stretch from cell %lld starts within 150 m of the one "
                    "before, which would make it type 3: its start is written as %lld m, "
                    "late in its cell.",
                    static_cast<long long>(a), static_cast<long long>(inizio)));
        at_record = "the stretch below starts late in its cell: more than 150 m after the one "
                    "before it keeps its own type";
      } else {
        RecordNote(mountains_, Printf("a reset record: the stretch after it lies within 150 m "
                                      "of the one before and keeps its type %d",
                                      kind));
        mountains_.push_back("montagna,   0,  0,  0");
        ++count;
        Note(Printf("The mountain stretch from cell %lld (type %d) lies within 150 m of the "
                    "one before, which a text can only give after a stretch that covers no "
                    "cell: the record 'montagna, 0, 0, 0' before it is such a reset.",
                    static_cast<long long>(a), kind));
      }
    }
    std::int64_t tipo = kind;
    if (marked) {
      tipo += 10;
    } else if (kind > 10) {
      tipo -= 256;  // a byte above 10 without markers: only a wrapped type stores it
      Note(Printf("The mountain stretch at cell %lld has type %d without markers, which a "
                  "record can only give as %lld (stored in one byte).",
                  static_cast<long long>(a), kind, static_cast<long long>(tipo)));
      at_record += (at_record.empty() ? "" : "; ") +
                   Printf("the type below is %lld: stored in one byte it gives %d without "
                          "markers",
                          static_cast<long long>(tipo), kind);
    }
    if (!at_record.empty()) RecordNote(mountains_, at_record);
    mountains_.push_back(Printf("montagna,   %lld,  %lld,  %lld", static_cast<long long>(inizio),
                                static_cast<long long>(fine), static_cast<long long>(tipo)));
    if (a > U() - 2) {
      Obstacle(kRouteGridFile, a, "a mountain stretch starts too near the end of the grid for a record");
    }
    ++count;
    previous_end = fine;
    any = true;
    a = b + 1;
  }
  if (count > kMountainSlots - 1) {
    Obstacle(kRouteGridFile, 0, Printf("%d mountain stretches, more than the 80 a line takes", count));
  }
}

void Decompiler::SpeedBoards() {
  for (std::size_t c = 0; c < cells_.size(); ++c) {
    const RouteCell& cell = cells_[c];
    // A stop point is written over whatever its cell holds: the params
    // after the first that it leaves are a board's, read before the train.
    const bool hidden = cell.kind == kCellStationStop &&
                        (cell.param2 != 0 || cell.param3 != 0 || cell.param4 != 0);
    if (cell.kind != kCellSpeedBoard && !hidden) continue;
    if (hidden) {
      Note(Printf("The stop point of station entry %d, in cell %lld, lies on a speed board's "
                  "speeds, which only a board under it leaves: the board is written there, its "
                  "first speeds (the stop point's entry now) as 0.",
                  cell.param1, static_cast<long long>(c)));
      RecordNote(speed_boards_,
                 Printf("the board below lies under the stop point of station entry %d: only "
                        "its second and third speeds and its stripes are kept",
                        cell.param1));
    }
    claimed_[c] = true;
    // param = vas * 20 + vad / 5: speeds in steps of 5 give vas a multiple of
    // 5, so the hundreds are the left side and the rest the right.
    const auto split = [](std::int16_t param, std::int64_t& left, std::int64_t& right) {
      std::int64_t hundreds = param / 100, rest = param % 100;
      if (rest < 0) rest += 100, hundreds -= 1;
      left = hundreds * 5;
      right = rest * 5;
    };
    std::int64_t vas, vad, vbs, vbd, vcs, vcd;
    split(hidden ? std::int16_t{0} : cell.param1, vas, vad);
    split(cell.param2, vbs, vbd);
    split(cell.param3, vcs, vcd);
    const int strisces = cell.param4 / 10, strisced = cell.param4 % 10;
    const auto side = [](std::int64_t a, std::int64_t b, std::int64_t c, bool blank) {
      if (blank) return std::string("  ,  ,  ");
      return Printf("  %lld,  %lld,  %lld", static_cast<long long>(a), static_cast<long long>(b),
                    static_cast<long long>(c));
    };
    const bool right_blank = vad == 0 && vbd == 0 && vcd == 0;
    speed_boards_.push_back(Printf("indicatori_vmax,  %lld,", static_cast<long long>(
                                                              BoardPosition(static_cast<std::int64_t>(c)))) +
                            side(vas, vbs, vcs, false) + Printf(",  %d,", strisces) +
                            side(vad, vbd, vcd, right_blank) + Printf(",  %d", strisced));
    if (!hidden) crew_.speed_boards.push_back({BoardPosition(static_cast<std::int64_t>(c)), vcs});
  }
}

void Decompiler::IndicatorBoards() {
  std::map<int, std::int64_t> by_slot;  // slot -> cell
  for (std::size_t c = 0; c < cells_.size(); ++c) {
    if (cells_[c].kind != kCellIndicatorBoard) continue;
    claimed_[c] = true;
    const int slot = cells_[c].param1;
    if (slot < 0 || slot > kFirstCaptionEntry || by_slot.count(slot) != 0) {
      Obstacle(kRouteGridFile, static_cast<std::int64_t>(c),
               Printf("an indicator board whose caption entry %d is not one a board takes", slot));
      continue;
    }
    by_slot[slot] = static_cast<std::int64_t>(c);
  }
  lowest_caption_ = kFirstCaptionEntry + 1;
  bool in_order = true;
  std::int64_t previous_cell = -1;
  for (int slot = kFirstCaptionEntry; slot >= 0; --slot) {
    const auto board = by_slot.find(slot);
    if (board == by_slot.end()) break;
    const std::string& text = t_.table[static_cast<std::size_t>(slot)].text;
    captions_.push_back(Printf("cartello_indicatore,  %lld,   ",
                               static_cast<long long>(BoardPosition(board->second))) +
                        text);
    crew_.captions.push_back({BoardPosition(board->second), text});
    if (text.empty() || text.find(',') != std::string::npos ||
        text.find_first_of(" \t") == 0 || text.find_first_of("\r\n") != std::string::npos) {
      Obstacle(kTrainTableFile, slot,
               "a caption that no text field reads back whole (empty, with a comma or "
               "starting with a blank)");
    }
    in_order = in_order && board->second > previous_cell;
    previous_cell = board->second;
    lowest_caption_ = slot;
    by_slot.erase(board);
  }
  for (const auto& [slot, cell] : by_slot) {
    Obstacle(kRouteGridFile, cell,
             Printf("an indicator board with caption entry %d, after a gap in the entries from 80 down",
                    slot));
  }
  if (!in_order) {
    Note("The indicator boards are numbered in the order of their records, which is not the "
         "order of their positions here: their records keep the files' numbering.");
  }
}

void Decompiler::TrainGeneral() {
  const auto& table = t_.table;
  train_general_.push_back(Printf("numero vetture,    %d", table[kTrainValuesEntry].position));
  train_general_.push_back(Printf("percentuale massa frenata,    %d", table[kTrainValuesEntry].start));
  train_general_.push_back(Printf("sabbia,    %d", table[kSignallingEntry].int1));
  train_general_.push_back(Printf("orologio,    %d              %d             %d ",
                                  table[kSignallingEntry].int3, table[kSignallingEntry].int4,
                                  table[kSignallingEntry].int5));
  crew_.braked_mass = table[kTrainValuesEntry].start;
  crew_.vehicles = table[kTrainValuesEntry].position;
}

void Decompiler::Stations() {
  const auto& table = t_.table;
  int count = 0;
  for (int i = kFirstStationEntry; i < lowest_caption_; ++i) {
    const TableEntry& e = table[static_cast<std::size_t>(i)];
    const bool blank = e.kind == 0 && e.start == 0 && e.end == 0 && e.position == 0 &&
                       e.text.empty() && e.seconds == 0 && e.byte1 == 0 && e.int1 == 0;
    if (blank) break;
    count = i;
  }
  for (int i = count + 1; i < lowest_caption_; ++i) {
    const TableEntry& e = table[static_cast<std::size_t>(i)];
    if (e.kind != 0 || e.position != 0 || !e.text.empty() || e.start != 0 || e.end != 0) {
      Obstacle(kTrainTableFile, i, "a station entry after an empty one: stations fill the entries from 1 without a gap");
    }
  }
  bool lost_columns = false;
  for (int i = 1; i <= count; ++i) {
    const TableEntry& e = table[static_cast<std::size_t>(i)];
    const std::int64_t p = e.position;
    std::int64_t length = 0;
    int byte4 = e.byte4;
    const int kind = e.kind;
    if (kind == 5 || kind == 6) {
      length = p - e.start;
      if (e.end != p + 150) Obstacle(kTrainTableFile, i, "the station's end is not 150 m after its position, as its kind gives");
    } else if (kind == 7 || kind == 8) {
      length = p - e.start;
      if (e.end != p + length) Obstacle(kTrainTableFile, i, "the station's end and start do not lie its length around its position, as its kind gives");
    } else {
      length = 2 * (p - e.start);
      const std::int64_t extra = e.end - (p + length / 2);
      if (i == 1) byte4 = extra == 50 ? 1 : 0;
      if (extra != (byte4 != 0 ? 50 : 0)) {
        Obstacle(kTrainTableFile, i, "the station's end is not half its length after its position (50 m more with column 6)");
      }
    }
    if (kind == 5 || kind == 6 || kind == 7 || kind == 8) {
      if (byte4 != 0) Obstacle(kTrainTableFile, i, "column 6 is stored for a station of kind 5 to 8, which clears it");
    }
    int byte5 = e.byte5;
    if ((length < 600 || i == 1) && byte5 != 0) {
      Obstacle(kTrainTableFile, i, "column 5 is stored for a station that clears it (the first, or one shorter than 600 m)");
    }
    if (kind == 5 || kind == 6 || kind == 7 || kind == 8 || length < 600 || i == 1) lost_columns = true;
    const std::int64_t hours = e.seconds / 3600, minutes = e.seconds / 60 % 60, seconds = e.seconds % 60;
    stations_.push_back(
        Printf("stazione,%8lld,%3d,%5lld,  %d, %d, %d,  %d,%d,%d,  %d,%d,%d,%5d,%4lld,%2lld,%2lld, ",
               static_cast<long long>(p), kind, static_cast<long long>(length), e.byte1, byte5,
               byte4, e.int1, e.int2, e.byte2, e.int3, e.int4, e.int5, e.byte3,
               static_cast<long long>(hours), static_cast<long long>(minutes),
               static_cast<long long>(seconds)) +
        e.text);
    crew_.stations.push_back({p, kind, e.text, e.seconds});
    if (e.text.empty() || e.text.find(',') != std::string::npos || e.text.front() == ' ') {
      Obstacle(kTrainTableFile, i, "a station name that no text field reads back whole (empty, with a comma or starting with a blank)");
    }
    if (kind < kFirstGridlessStation) {
      const std::int64_t stop = DivRoundHalfEven(e.end, kCellLength) - 1;
      if (stop < 0 || stop > U() || cells_[static_cast<std::size_t>(stop)].kind != kCellStationStop ||
          cells_[static_cast<std::size_t>(stop)].param1 != i) {
        Obstacle(kRouteGridFile, std::clamp<std::int64_t>(stop, 0, U()),
                 Printf("station %d (entry %d) has no stop point in its cell", i, i));
      } else {
        claimed_[static_cast<std::size_t>(stop)] = true;
      }
    }
  }
  if (lost_columns) {
    Note("Columns 5 and 6 of a station are not stored where the compile clears them (the first "
         "station, a station shorter than 600 m, kinds 5 to 8): they are written as 0 there, "
         "and column 6 of the first station as what its end shows.");
  }
}

void Decompiler::Slowdowns() {
  const std::int64_t n = static_cast<std::int64_t>(cells_.size());
  for (std::int64_t b = 0; b < n; ++b) {
    const RouteCell& start = cells_[static_cast<std::size_t>(b)];
    if (start.kind != kCellSlowdownStart) continue;
    std::int64_t e = b + 1;
    while (e < n && cells_[static_cast<std::size_t>(e)].kind != kCellSlowdownEnd &&
           cells_[static_cast<std::size_t>(e)].kind != kCellSlowdownStart) {
      ++e;
    }
    claimed_[static_cast<std::size_t>(b)] = true;
    if (e >= n || cells_[static_cast<std::size_t>(e)].kind != kCellSlowdownEnd) {
      Obstacle(kRouteGridFile, b, "a slowdown start with no end cell after it");
      continue;
    }
    claimed_[static_cast<std::size_t>(e)] = true;
    const RouteCell& end = cells_[static_cast<std::size_t>(e)];
    const std::int64_t x = BoardPosition(b), l = (e - b) * kCellLength;
    const int v = start.param1, d_v = start.param2, f_tt = start.param3;
    if (end.param1 != v || end.param2 != d_v || end.param3 != f_tt) {
      Obstacle(kRouteGridFile, e, "the slowdown's end cell does not repeat its start's speed, value and flag");
    }
    bool boards = false;
    if (grammar::SlowdownHasWarning(x)) {
      const std::int64_t a = b - kWarningCells;
      const RouteCell& warning = cells_[static_cast<std::size_t>(a)];
      if (warning.kind != kCellSlowdownWarning || warning.param1 != v) {
        Obstacle(kRouteGridFile, a, "the slowdown's warning cell, 1200 m before its start, holds no warning of its speed");
      } else {
        claimed_[static_cast<std::size_t>(a)] = true;
      }
      boards = a - 4 >= 0;
      for (int i = 0; i < 4 && boards; ++i) {
        const RouteCell& board = cells_[static_cast<std::size_t>(a - 1 - i)];
        boards = board.kind == kCellOrientationBoard && board.param1 == i + 1;
      }
      if (boards) {
        for (int i = 0; i < 4; ++i) claimed_[static_cast<std::size_t>(a - 1 - i)] = true;
      }
    }
    slowdowns_.push_back(Printf("rallentamento,%8lld,%6d,%5lld,%2d,%3d,%3d", static_cast<long long>(x),
                                v, static_cast<long long>(l), f_tt, boards ? 1 : 0, d_v));
    crew_.slowdowns.push_back({x, v, l, f_tt != 0, boards});
  }
}

void Decompiler::Signals() {
  bool lost_time = false;
  for (std::size_t c = 0; c < cells_.size(); ++c) {
    const RouteCell& cell = cells_[c];
    if (cell.kind != kCellSignal) continue;
    claimed_[c] = true;
    const int p1 = cell.param1, p2 = cell.param2, p3 = cell.param3, p4 = cell.param4;
    const int rapp = p4 / 10, sides = p4 % 10;
    const int sx = sides / 3, dx = sides % 3;
    int tempo = 0;
    if (sx == 2) {
      tempo = cell.signal_time;
      if (tempo >= 1 && tempo <= 100) {
        tempo += 256;
        Note(Printf("The signal at %lld m has the time %d, which a record raises to 101: its "
                    "record gives %d, stored in one byte.",
                    static_cast<long long>(BoardPosition(static_cast<std::int64_t>(c))),
                    cell.signal_time, tempo));
        RecordNote(signals_, Printf("the time below is %d: a time of %d is raised to 101; "
                                    "%d stored in one byte gives %d",
                                    tempo, cell.signal_time, tempo, cell.signal_time));
      }
    } else {
      lost_time = true;
      if (cell.signal_time != 0) {
        Obstacle(kRouteGridFile, static_cast<std::int64_t>(c),
                 "a time on a signal whose left side is not 2, which a record never stores");
      }
    }
    if (static_cast<std::int64_t>(c) < kFirstSignalCell) {
      Obstacle(kRouteGridFile, static_cast<std::int64_t>(c), "a signal nearer the start than 350 m");
    }
    signals_.push_back(Printf("segnale,%8lld,%4d,%2d,%2d,%3d,%2d,%5d,%3d,%d,%d,%2d",
                              static_cast<long long>(BoardPosition(static_cast<std::int64_t>(c))),
                              sx, p1 / 10, p2 / 10, p3 / 10, rapp, dx, p1 % 10, p2 % 10, p3 % 10,
                              tempo));
  }
  if (lost_time) {
    Note("A signal whose left side is not 2 keeps no time: its 'tempo' is written as 0.");
  }
}

std::string Decompiler::LineText() const {
  std::vector<std::string> lines;
  for (const auto& [header, records] :
       {std::pair{"[generale]", &general_}, {"[curve]", &curves_}, {"[pendenze]", &gradients_},
        {"[montagne]", &mountains_}, {"[cartelli]", &speed_boards_},
        {"[indicazioni]", &captions_}}) {
    lines.push_back(header);
    lines.insert(lines.end(), records->begin(), records->end());
  }
  lines.push_back("[fine]");
  return JoinLines(lines);
}

std::string Decompiler::TrainText(const std::map<std::int64_t, std::string>& abbattimenti) const {
  std::vector<std::string> lines;
  for (const auto& [header, records] :
       {std::pair{"[generale]", &train_general_}, {"[aderenze]", &adhesion_},
        {"[vel_limite]", &speeds_}, {"[stazioni]", &stations_}, {"[rallentamenti]", &slowdowns_},
        {"[segnali]", &signals_}}) {
    lines.push_back(header);
    lines.insert(lines.end(), records->begin(), records->end());
  }
  if (!abbattimenti.empty()) {
    lines.push_back("[abbattimenti]");
    for (const auto& [cell, row] : abbattimenti) lines.push_back(row);
  }
  lines.push_back("[codici]");
  lines.push_back("[fine]");
  return JoinLines(lines);
}

// The abbattimento points that the post-pass does not add by itself: the
// train is compiled without them, then with those the result lacks, until
// the compile's grid holds every point of the file.
void Decompiler::Abbattimenti() {
  std::map<std::int64_t, const RouteCell*> points;
  for (std::size_t c = 0; c < cells_.size(); ++c) {
    const std::uint8_t kind = cells_[c].kind;
    if (kind == kCellAbbattimento || kind == kCellPlainAbbattimento) {
      points[static_cast<std::int64_t>(c)] = &cells_[c];
      claimed_[c] = true;
      if (kind == kCellPlainAbbattimento && cells_[c].param1 != 0) {
        Obstacle(kRouteGridFile, static_cast<std::int64_t>(c),
                 "a plain abbattimento point with a value, which no record leaves");
      }
      if (static_cast<std::int64_t>(c) > U() - 2) {
        Obstacle(kRouteGridFile, static_cast<std::int64_t>(c),
                 "an abbattimento point too near the end of the grid for a record");
      }
    }
  }
  if (points.empty()) return;
  const std::string name = result_.identity.name, train = result_.identity.train;
  ScenarioTables line_tables;
  line_tables.scenario_name = name;
  line_tables.train_number = train;
  MemoryTexts line_texts;
  line_texts.Put(LineDescriptionName(name), CrLf(LineText()));
  const LineStage line = CompileLineDescription(line_tables, line_texts, 0);
  std::set<std::int64_t> explicit_cells;
  for (int round = 0; round < 8; ++round) {
    std::map<std::int64_t, std::string> rows;
    for (const std::int64_t c : explicit_cells) {
      const RouteCell& cell = *points[c];
      const int value = cell.kind == kCellAbbattimento ? cell.param1 : 0;
      rows[c] = Printf("abbattimento,%8lld,%6d", static_cast<long long>(CellPosition(c)), value);
    }
    ScenarioTables tables;
    static_cast<TablesWithoutPlan&>(tables) = static_cast<const TablesWithoutPlan&>(line_tables);
    MemoryTexts texts;
    texts.Put(TrainDescriptionName(name, train), CrLf(TrainText(rows)));
    CompileTrainDescription(tables, texts, line);
    std::set<std::int64_t> wanted;
    const RouteGrid& grid = tables.route_cells;
    for (const auto& [c, cell] : points) {
      if (explicit_cells.count(c) != 0) {
        wanted.insert(c);
        continue;
      }
      const bool own = grid.contains(c) && grid.at(c).kind == cell->kind &&
                       (c == 1 || grid.at(c).param1 == cell->param1);
      if (!own) wanted.insert(c);
    }
    abbattimenti_ = rows;
    if (wanted == explicit_cells) break;
    explicit_cells = wanted;
    if (round == 7) {
      for (const std::int64_t c : explicit_cells) {
        const RouteCell& cell = *points[c];
        abbattimenti_[c] = Printf("abbattimento,%8lld,%6d", static_cast<long long>(CellPosition(c)),
                                  cell.kind == kCellAbbattimento ? cell.param1 : 0);
      }
    }
  }
}

void Decompiler::Leftovers() {
  for (std::size_t c = 0; c < cells_.size(); ++c) {
    if (claimed_[c] || cells_[c].kind == kCellEmpty) continue;
    Obstacle(kRouteGridFile, static_cast<std::int64_t>(c),
             Printf("cell %lld holds an object of kind %d that no record accounts for",
                    static_cast<long long>(c), cells_[c].kind));
  }
}

Decompiled Decompiler::Run() {
  Identity();
  General();
  Curves();
  Running("gradient", &RouteCell::gradient_code, gradients_,
          [](std::int64_t p, std::int64_t code, bool) {
            return Printf("pendenza,  %lld,   %lld", static_cast<long long>(p),
                          static_cast<long long>(code - grammar::kGradientOffset));
          },
          grammar::kGradientOffset);
  Mountains();
  SpeedBoards();
  IndicatorBoards();
  TrainGeneral();
  Running("adhesion", &RouteCell::adhesion, adhesion_,
          [](std::int64_t p, std::int64_t value, bool first) {
            return first ? Printf("aderenza,   0,    %lld", static_cast<long long>(value))
                         : Printf("aderenza,%8lld,%7lld", static_cast<long long>(p),
                                  static_cast<long long>(value));
          },
          0);
  Running("speed", &RouteCell::speed_code, speeds_,
          [this](std::int64_t p, std::int64_t code, bool first) {
            crew_.speeds.push_back({p, code * grammar::kSpeedStep});
            return first ? Printf("velocita,   0,%6lld", static_cast<long long>(code * grammar::kSpeedStep))
                         : Printf("velocita,%8lld,%6lld", static_cast<long long>(p),
                                  static_cast<long long>(code * grammar::kSpeedStep));
          },
          0);
  Stations();
  Slowdowns();
  Signals();
  Abbattimenti();
  Leftovers();
  Note("Positions are the multiples of 50 m whose cells the files hold, speeds the multiples "
       "of 5 km/h, and the records of each kind stand in position order: where a record stood "
       "within its cell, an exact speed between two steps and an order that leaves no trace "
       "are not kept by the files.");

  const ScenarioIdentity& id = result_.identity;
  result_.files[kScenarioFileName] = ScenarioFileText(id);
  const std::string line_text = LinePreamble(id, binaries_, result_.notes) + LineText();
  const std::string train_text = TrainPreamble(id) + TrainText(abbattimenti_);
  result_.files[LineDescriptionName(id.name)] = Utf8From1252(line_text);
  result_.files[TrainDescriptionName(id.name, id.train)] = Utf8From1252(train_text);
  result_.descriptions[LineDescriptionName(id.name)] = CrLf(line_text);
  result_.descriptions[TrainDescriptionName(id.name, id.train)] = CrLf(train_text);
  crew_.identity = id;
  result_.files[NotesName(id.name, id.train)] = Utf8From1252(NotesText(crew_));
  result_.files[SlowdownOrderName(id.name, id.train)] = Utf8From1252(SlowdownOrderText(crew_));
  result_.files[TimetableSheetName(id.name, id.train)] = Utf8From1252(TimetableSheetText(crew_));
  return std::move(result_);
}

}  // namespace

Decompiled Decompile(const BinaryScenario& binaries) {
  Tables tables = DecodeAll(binaries);
  return Decompiler(binaries, std::move(tables)).Run();
}

int BinaryKindOf(const std::string& file_name) {
  const auto ends = [&](std::string_view suffix) {
    return file_name.size() > suffix.size() &&
           file_name.compare(file_name.size() - suffix.size(), suffix.size(), suffix) == 0;
  };
  if (ends("_linea.dat")) return kLinePlanFile;
  if (ends(".sim")) return kTrainTableFile;
  if (ends(".dat")) return kRouteGridFile;
  return -1;
}

BinaryPaths BinaryPathsIn(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> found[3];
  std::error_code error;
  for (fs::directory_iterator it(NativePath(folder), error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = PathText(it->path().filename());
    const int kind = BinaryKindOf(name);
    if (kind >= 0 && it->is_regular_file(error)) found[kind].push_back(name);
  }
  if (error) throw DecompileError(folder, 0, "cannot read the folder: " + error.message());
  for (auto& names : found) std::sort(names.begin(), names.end());
  const char* what[3] = {"line plan file NAME_linea.dat", "train table file NAME_NUMBER.sim",
                         "route grid file NAME_NUMBER.dat"};
  for (int kind = 0; kind < 3; ++kind) {
    if (found[kind].empty()) {
      throw DecompileError(folder, 0, std::string("the folder holds no ") + what[kind]);
    }
  }
  // The grid is the .dat of the train table's name.
  if (found[kTrainTableFile].size() > 1) {
    throw DecompileError(folder, 0, "the folder holds more than one train table file (.sim): "
                                    "name the three files");
  }
  const std::string sim = found[kTrainTableFile][0];
  const std::string dat = sim.substr(0, sim.size() - 4) + ".dat";
  if (std::find(found[kRouteGridFile].begin(), found[kRouteGridFile].end(), dat) ==
      found[kRouteGridFile].end()) {
    throw DecompileError(folder, 0, "the folder holds no route grid file " + dat + " beside " + sim);
  }
  if (found[kLinePlanFile].size() > 1) {
    throw DecompileError(folder, 0, "the folder holds more than one line plan file "
                                    "(_linea.dat): name the three files");
  }
  return {JoinPath(folder, found[kLinePlanFile][0]), JoinPath(folder, sim), JoinPath(folder, dat)};
}

}  // namespace packager::decompile
