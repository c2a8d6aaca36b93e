#include "check/text_warnings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <set>
#include <sstream>

#include "compiler/grammar.h"
#include "tables/numbers.h"
#include "tables/windows1252.h"

namespace packager::tool {

namespace {

constexpr std::int64_t kCell = kCellLength;

// The keywords as texts spell them, for suggestions: every record of the
// parts, and a right-hand curve beside the left-hand one the model spells.
std::vector<std::string> KeywordsOf(std::initializer_list<grammar::Part> parts) {
  std::vector<std::string> keywords;
  for (const grammar::Part part : parts) {
    for (const grammar::RecordKind* kind : grammar::RecordsOf(part)) {
      keywords.emplace_back(kind->spelling);
      if (kind == &grammar::kCurve) keywords.push_back(std::string(kind->word) + "d1");
    }
  }
  return keywords;
}
const std::vector<std::string> kLineKeywords =
    KeywordsOf({grammar::Part::kLineGeneral, grammar::Part::kLineBody});
const std::vector<std::string> kTrainKeywords = KeywordsOf({grammar::Part::kTrain});

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// "velocita" with accents and case as written, for messages; a long word
// cut (diagnostics.h).
std::string Quoted(std::string_view bytes) { return QuotedWord(bytes, '"'); }

std::string Metres(std::int64_t value) { return std::to_string(value) + " m"; }

bool IsHeader(const std::string& keyword) {
  return keyword.find('[') != std::string::npos && keyword.find(']') != std::string::npos;
}


// The cell rule of a record's position: p / 50 or p / 50 + 1 (kNone for a
// record whose position takes no cell of that kind).
grammar::CellRule PositionRule(const std::string& kind) {
  const grammar::RecordKind* record = grammar::FindRecord(kind);
  if (record == nullptr) return grammar::CellRule::kNone;
  const grammar::CellRule rule = record->cell_rule;
  return rule == grammar::CellRule::kCell || rule == grammar::CellRule::kBoardCell
             ? rule
             : grammar::CellRule::kNone;
}

bool IsRunning(const std::string& kind) {
  const grammar::RecordKind* record = grammar::FindRecord(kind);
  return record != nullptr && grammar::IsRunningValue(*record);
}

std::string CellText(std::int64_t cell) {
  return "cell " + std::to_string(cell) + " (" + std::to_string(cell * kCell) + " m)";
}

// Kinds whose records are expected in ascending order of position.
bool IsOrdered(const std::string& kind) {
  return kind == grammar::kCurve.name || PositionRule(kind) != grammar::CellRule::kNone;
}

// The reading of a fraction an author likely meant: a distance in metres
// written in kilometres ("29.2": 29200), an adhesion written as a share of
// one ("0.8": 80).
struct Scaled {
  std::int64_t value;
  std::string as;  // "29.2 km is 29200 m"
};
std::optional<Scaled> ScaledReading(const grammar::Field& field, const std::string& raw) {
  double number = 0;
  std::istringstream in(raw);
  if (!(in >> number) || number <= 0) return std::nullopt;
  if (field.unit == "m" && number * 1000 <= static_cast<double>(grammar::kLineLengthLimit)) {
    const auto metres = static_cast<std::int64_t>(number * 1000 + 0.5);
    return Scaled{metres, "if " + raw + " is in kilometres: " + std::to_string(metres) + " m"};
  }
  if (field.name == "adhesion" && number < 2) {
    const auto share = static_cast<std::int64_t>(number * 100 + 0.5);
    return Scaled{share, "if " + raw + " is a share of 1: " + std::to_string(share)};
  }
  return std::nullopt;
}

class Checker {
 public:
  Checker(const AuthorFiles& files, const std::string& train_text)
      : files_(files), train_text_(train_text) {}

  std::vector<Diagnostic> Run(const std::vector<ReadRecord>& records, bool whole);

 private:
  // other: a record the warning names, shown as a related place saying
  // other_what.
  void Warn(const char* rule, const ReadRecord& record, int line, int column,
            std::string message, std::optional<Fix> fix = std::nullopt,
            const ReadRecord* other = nullptr, const std::string& other_what = "") {
    std::vector<Fix> fixes;
    if (fix) fixes.push_back(std::move(*fix));
    WarnFixes(rule, record, line, column, std::move(message), std::move(fixes), other,
              other_what);
  }
  // The same with every fix offered, the first the likeliest.
  void WarnFixes(const char* rule, const ReadRecord& record, int line, int column,
                 std::string message, std::vector<Fix> fixes, const ReadRecord* other = nullptr,
                 const std::string& other_what = "");
  void Warn(const char* rule, const ReadRecord& record, const ReadField& field,
            std::string message, std::optional<Fix> fix = std::nullopt,
            const ReadRecord* other = nullptr, const std::string& other_what = "") {
    Warn(rule, record, field.line, field.column, std::move(message), std::move(fix), other,
         other_what);
  }
  // The fix that writes `text` in place of `written`, which stands at the
  // line and column of the record's text; none unless it stands there.
  std::optional<Fix> Replacing(const ReadRecord& record, int line, int column,
                               std::string_view written, const std::string& text,
                               std::string description) const;

  void CheckLines(const std::vector<ReadRecord>& records);
  void CheckHeaderless(const std::vector<ReadRecord>& records);
  // Whether a line record stands above the line's first section header.
  bool InGeneralPart(const ReadRecord& record) const {
    return first_header_line_ == 0 || record.line < first_header_line_;
  }
  void CheckSwallowingCurves(const std::vector<ReadRecord>& records);
  void CheckKeyword(const ReadRecord& record);
  void CheckFields(const ReadRecord& record);
  void CheckRecord(const ReadRecord& record);
  void CheckOrder(const ReadRecord& record, const std::string& kind);
  void CheckPlacement(const ReadRecord& record, const std::string& kind);
  void CheckCurve(const ReadRecord& record);
  void CheckValues(const ReadRecord& record, const std::string& kind);
  void CheckBoardSpeeds(const ReadRecord& record);
  void CheckMeant(const ReadRecord& record, const grammar::RecordKind& model);
  void CheckSignalHeads(const ReadRecord& record);
  void CheckStretches(const ReadRecord& record, const std::string& kind);
  void CheckStartValues(const std::vector<ReadRecord>& records);

  const AuthorFiles& files_;
  const std::string& train_text_;
  DiagnosticList found_;
  // The last record of each kind, by text, for the order and overlap checks.
  std::map<std::pair<std::string, std::string>, const ReadRecord*> previous_;
  // Body records of the line read in its general part, said once a run.
  std::set<const ReadRecord*> headerless_;
  int first_header_line_ = 0;  // of the line description; 0: none
  // Curves that start within a curve said to swallow them.
  std::set<const ReadRecord*> swallowed_;
};

std::optional<Fix> Checker::Replacing(const ReadRecord& record, int line, int column,
                                     std::string_view written, const std::string& text,
                                     std::string description) const {
  const auto file = files_.find(record.file);
  if (file == files_.end() || column < 1 || written.empty()) return std::nullopt;
  const std::string_view bytes = file->second.lines.Line(line);
  const auto at = static_cast<std::size_t>(column - 1);
  if (bytes.substr(at, written.size()) != written) return std::nullopt;
  const int end = column + static_cast<int>(written.size());
  return Fix{std::move(description),
             {TextEdit{file->second.path, line, column, end, Utf8From1252(text)}}};
}

void Checker::WarnFixes(const char* rule, const ReadRecord& record, int line, int column,
                        std::string message, std::vector<Fix> fixes, const ReadRecord* other,
                        const std::string& other_what) {
  if (!found_.Lists(rule)) {
    found_.Add({Severity::kWarning, rule, "", 0, 0, "", "", 0});  // counted only
    return;
  }
  const auto file = files_.find(record.file);
  Diagnostic diagnostic =
      file != files_.end()
          ? DiagnosticAt(Severity::kWarning, rule, file->second, line, column, std::move(message))
          : DiagnosticAt(Severity::kWarning, rule, AuthorFile{record.file, {}}, line, column,
                         std::move(message));
  if (!fixes.empty()) {
    const TextEdit& edit = fixes.front().edits.front();
    if (edit.line == diagnostic.line && edit.column == diagnostic.column) {
      diagnostic.end_line = edit.line;
      diagnostic.end_column = edit.end_column;
    }
    diagnostic.fixes = std::move(fixes);
  }
  if (other != nullptr) {
    const auto other_file = files_.find(other->file);
    const AuthorFile unquoted(other->file, {});
    const AuthorFile& file = other_file != files_.end() ? other_file->second : unquoted;
    diagnostic.related.push_back(RelatedAt(file, other->line, other->column, other_what));
  }
  found_.Add(std::move(diagnostic));
}

std::optional<std::int64_t> Number(const ReadRecord& record, std::size_t index) {
  if (index >= record.fields.size() || !record.fields[index].number) return std::nullopt;
  return record.fields[index].value;
}

// The line's section of a keyword that no record of the general part
// matches: a body record there means the header above it is missing.
const grammar::Section* SectionOf(const std::string& keyword) {
  for (const grammar::Section& section : grammar::kLineSections) {
    if (grammar::Matches(*section.kind, keyword)) return &section;
  }
  return nullptr;
}

// A header deleted leaves the body records under it in the general part,
// which reads none of them: said once, at the first of the run, with the
// header as its fix, instead of once a record.
void Checker::CheckHeaderless(const std::vector<ReadRecord>& records) {
  for (std::size_t i = 0; i < records.size(); ++i) {
    const ReadRecord& record = records[i];
    if (record.file == train_text_ || !record.kinds.empty() || IsHeader(record.keyword) ||
        headerless_.contains(&record)) {
      continue;
    }
    const grammar::Section* section = SectionOf(record.keyword);
    if (section == nullptr) continue;
    // The run: up to the next header or record read as one, values left
    // over on a run's lines included.
    const ReadRecord* last = &record;
    for (std::size_t j = i; j < records.size(); ++j) {
      const ReadRecord& next = records[j];
      if (next.file != record.file || !next.kinds.empty() || IsHeader(next.keyword)) break;
      headerless_.insert(&next);
      if (SectionOf(next.keyword) != nullptr) last = &next;
    }
    const std::string header(section->header);
    const std::string name = RecordName(section->kind->name);
    std::string message = Quoted(Trimmed(record.keyword)) + " is a " + name +
                          " record above the line's first section header: the general part, "
                          "from \"[generale]\" to that header, reads no " + name + ", so ";
    message += last == &record ? "this line is skipped"
                               : "lines " + std::to_string(record.line) + " to " +
                                     std::to_string(last->line) + " are skipped";
    message += "; header \"" + header + "\" missing?";
    std::vector<Fix> fixes;
    const auto file = files_.find(record.file);
    if (file != files_.end()) {
      // A lone LF ends a line wherever it stands, as the reader counts lines.
      fixes.push_back({"insert \"" + header + "\" above this line",
                       {TextEdit{file->second.path, record.line, 1, 1, header + "\n"}}});
    }
    WarnFixes("missing-header", record, record.line, record.column, std::move(message),
              std::move(fixes), last == &record ? nullptr : last, "the last line skipped");
  }
}

// A curve whose length reaches past the starts of two or more curves after
// it (a slip of its length): said once at it, each curve it swallows named,
// instead of at each of them.
void Checker::CheckSwallowingCurves(const std::vector<ReadRecord>& records) {
  std::vector<const ReadRecord*> curves;
  for (const ReadRecord& record : records) {
    if (record.kinds.size() == 1 && record.kinds.front() == grammar::kCurve.name &&
        Number(record, 0) && Number(record, 1)) {
      curves.push_back(&record);
    }
  }
  for (std::size_t i = 0; i < curves.size(); ++i) {
    if (swallowed_.contains(curves[i])) continue;
    const std::int64_t start = *Number(*curves[i], 0);
    const std::int64_t end = start + *Number(*curves[i], 1);
    std::vector<const ReadRecord*> inside;
    // The curves after it in the text up to the first that starts past it.
    for (std::size_t j = i + 1; j < curves.size(); ++j) {
      const std::int64_t other = *Number(*curves[j], 0);
      if (other < start || other >= end) break;
      inside.push_back(curves[j]);
    }
    if (inside.size() < 2) continue;
    const std::string message =
        "this curve from " + Metres(start) + " is " + Metres(end - start) + " long, to " +
        Metres(end) + ": it swallows the " + std::to_string(inside.size()) +
        " curves that start within it (from line " + std::to_string(inside.front()->line) +
        " to line " + std::to_string(inside.back()->line) +
        "), which bend nothing of their own; is its length a slip?";
    const auto file = files_.find(curves[i]->file);
    if (!found_.Lists("curve-swallows") || file == files_.end()) continue;
    Diagnostic diagnostic = DiagnosticAt(Severity::kWarning, "curve-swallows", file->second,
                                         curves[i]->fields[1].line, curves[i]->fields[1].column,
                                         message);
    for (const ReadRecord* other : inside) {
      swallowed_.insert(other);
      diagnostic.related.push_back(RelatedAt(file->second, other->line, other->column,
                                             "a curve it swallows, from " +
                                                 Metres(*Number(*other, 0))));
    }
    found_.Add(std::move(diagnostic));
  }
}

std::vector<Diagnostic> Checker::Run(const std::vector<ReadRecord>& records, bool whole) {
  for (const ReadRecord& record : records) {
    if (record.file != train_text_ && IsHeader(record.keyword) &&
        Lower(record.keyword).find(grammar::kGeneralHeader) == std::string::npos) {
      first_header_line_ = record.line;
      break;
    }
  }
  CheckSwallowingCurves(records);
  CheckHeaderless(records);
  CheckLines(records);
  for (const ReadRecord& record : records) {
    CheckFields(record);
    if (record.kinds.size() == 1) CheckRecord(record);
  }
  if (whole) CheckStartValues(records);
  return found_.Take();
}

// ", the last as its text "BORGO"" when the record ends with a text field.
std::string LastText(const ReadRecord& record) {
  if (record.fields.empty() || record.fields.back().number) return "";
  return ", the last as its text " + Quoted(record.fields.back().raw);
}

// The first keyword of a line is the author's; a later one on the same line
// is a value its record did not read, itself read as a keyword.
void Checker::CheckLines(const std::vector<ReadRecord>& records) {
  const ReadRecord* owner = nullptr;  // the record whose line the reading is on
  int owner_last_line = 0;
  bool line_reported = false;
  for (const ReadRecord& record : records) {
    if (Trimmed(record.keyword).empty() && record.kinds.empty()) continue;
    if (owner != nullptr && record.file == owner->file && record.line == owner_last_line) {
      if (!line_reported && !owner->kinds.empty()) {
        Warn("leftover-fields", record, record.line, record.column,
             "the " + std::string(RecordName(owner->kinds.front())) + " record of line " +
                 std::to_string(owner->line) + " reads " + std::to_string(owner->fields.size()) +
                 " values" + LastText(*owner) + "; " + Quoted(record.keyword) +
                 " and what follows on this line are left over and read as keywords",
             std::nullopt, owner, "the record that reads this line");
      }
      line_reported = true;
      continue;
    }
    owner = &record;
    owner_last_line = record.fields.empty() ? record.line : record.fields.back().line;
    line_reported = false;
    CheckKeyword(record);
  }
}

std::string Suggestion(const std::string& keyword, const std::vector<std::string>& known) {
  const std::string lower = Lower(Trimmed(keyword));
  std::string best;
  std::size_t best_distance = std::max<std::size_t>(2, lower.size() / 4) + 1;
  for (const std::string& candidate : known) {
    // The distance is at least the difference of the lengths.
    if (lower.size() >= candidate.size() + best_distance) continue;
    const std::size_t distance = EditDistance(lower, candidate);
    if (distance < best_distance) {
      best = candidate;
      best_distance = distance;
    }
  }
  if (!best.empty()) return best;
  // "numero carrozze": a keyword that shares a whole word with a known one.
  std::istringstream words(lower);
  for (std::string word; words >> word;) {
    if (word.size() < 4) continue;
    for (const std::string& candidate : known) {
      if ((" " + candidate + " ").find(" " + word + " ") != std::string::npos) return candidate;
    }
  }
  return "";
}

void Checker::CheckKeyword(const ReadRecord& record) {
  const bool train = record.file == train_text_;
  if (record.kinds.empty()) {
    if (IsHeader(record.keyword) || headerless_.contains(&record)) return;
    std::string message = Quoted(Trimmed(record.keyword)) + " is no keyword of the " +
                          (train ? "train" : "line") +
                          " description: the line is skipped, each of its values read as a "
                          "keyword that matches nothing";
    const std::string near = Suggestion(record.keyword, train ? kTrainKeywords : kLineKeywords);
    const std::string other = Suggestion(record.keyword, train ? kLineKeywords : kTrainKeywords);
    std::optional<Fix> fix;
    if (!near.empty() && !train && SectionOf(near) != nullptr && InGeneralPart(record)) {
      // Spelt right, it would still be read as no record here: the fix
      // would be asked for again.
      message += "; \"" + near + "\" is a record of the line's body, which starts at the "
                 "first section header: a header above this line missing?";
    } else if (!near.empty()) {
      message += "; did you mean \"" + near + "\"?";
      const std::string written = Trimmed(record.keyword);
      const auto file = files_.find(record.file);
      if (file != files_.end()) {
        // The keyword stands where the record starts, after any blanks.
        const std::string_view line = file->second.lines.Line(record.line);
        const std::size_t at = line.find(written, static_cast<std::size_t>(
                                                      std::max(record.column, 1) - 1));
        if (at != std::string_view::npos) {
          fix = Replacing(record, record.line, static_cast<int>(at) + 1, written, near,
                          "write \"" + near + "\"");
        }
      }
    } else if (!other.empty()) {
      message += "; \"" + other + "\" is a record of the " + (train ? "line" : "train") +
                 " description";
    }
    Warn("unknown-keyword", record, record.line, record.column, message, std::move(fix));
  } else if (IsHeader(record.keyword)) {
    Warn("ambiguous-keyword", record, record.line, record.column,
         "the section header " + Quoted(Trimmed(record.keyword)) + " is read as a " +
             RecordName(record.kinds.front()) + " record, since it contains its keyword");
  } else if (record.kinds.size() > 1) {
    std::string kinds;
    for (const std::string& kind : record.kinds) {
      kinds += (kinds.empty() ? "" : " and a ") + std::string(RecordName(kind));
    }
    Warn("ambiguous-keyword", record, record.line, record.column,
         Quoted(Trimmed(record.keyword)) + " is read as a " + kinds +
             " record, one after the other, each reading its own values");
  }
}

void Checker::CheckFields(const ReadRecord& record) {
  for (const ReadField& field : record.fields) {
    if (field.line != record.line && !record.kinds.empty()) {
      Warn("record-spans-lines", record, field,
           "the " + std::string(RecordName(record.kinds.front())) + " record of line " +
               std::to_string(record.line) + " reads this field as its value " +
               Quoted(field.raw) + ": line " + std::to_string(record.line) +
               " has fewer values than the record needs");
      break;
    }
  }
  const grammar::RecordKind* model =
      record.kinds.size() == 1 ? grammar::FindRecord(record.kinds.front()) : nullptr;
  for (std::size_t index = 0; index < record.fields.size(); ++index) {
    const ReadField& field = record.fields[index];
    if (!field.number || field.raw.find('.') == std::string::npos) continue;
    const std::string whole = std::to_string(field.value);
    // A fraction is seldom meant as written: a distance in kilometres, an
    // adhesion as a share of 1. The likelier reading is offered first, the
    // value read after it, neither as certain.
    const grammar::Field* meant =
        model != nullptr && index < model->fields.size() ? &model->fields[index] : nullptr;
    std::string message = Quoted(field.raw) + " is read as " + whole +
                          ": values are whole numbers, rounded half to even";
    std::vector<Fix> fixes;
    if (const auto scaled = meant != nullptr ? ScaledReading(*meant, field.raw) : std::nullopt) {
      const std::string value = std::to_string(scaled->value);
      message += "; " + scaled->as + ", write " + value;
      if (auto fix = Replacing(record, field.line, field.column, field.raw, value,
                               "write " + value + " (" + scaled->as + ")")) {
        fixes.push_back(std::move(*fix));
      }
    }
    if (auto fix = Replacing(record, field.line, field.column, field.raw, whole,
                             "write " + whole + ", the value read")) {
      fixes.push_back(std::move(*fix));
    }
    if (fixes.size() > 1) {
      for (Fix& fix : fixes) fix.certain = false;
    }
    WarnFixes("fraction", record, field.line, field.column, std::move(message),
              std::move(fixes));
  }
}

void Checker::CheckRecord(const ReadRecord& record) {
  const std::string& kind = record.kinds.front();
  CheckOrder(record, kind);
  CheckPlacement(record, kind);
  CheckValues(record, kind);
  CheckStretches(record, kind);
  if (kind == grammar::kCurve.name) CheckCurve(record);
  previous_[{record.file, kind}] = &record;
}

void Checker::CheckOrder(const ReadRecord& record, const std::string& kind) {
  if (kind == grammar::kStation.name) return;  // the spacing rule refuses those already
  const auto previous = previous_.find({record.file, kind});
  if (previous == previous_.end()) return;
  const auto here = Number(record, 0);
  const auto before = Number(*previous->second, 0);
  if (!here || !before || !IsOrdered(kind)) return;
  if (*here < *before) {
    Warn("out-of-order", record, record.fields[0],
         "this " + std::string(RecordName(kind)) + " record at " + std::to_string(*here) +
             " m comes after one at " + std::to_string(*before) +
             " m: records of a kind are read in order of position",
         std::nullopt, previous->second, "the " + std::string(RecordName(kind)) + " record at " +
                                             std::to_string(*before) + " m");
  } else if (IsRunning(kind) && grammar::CellOf(*here) == grammar::CellOf(*before) &&
             grammar::CellOf(*here) > 0) {
    // The earlier value fills the cells up to this record's, at least one:
    // its own cell, so this value starts a cell late.
    const std::int64_t cell = grammar::CellOf(*here);
    const std::string name = RecordName(kind);
    Warn("overwritten", record, record.fields[0],
         "this " + name + " record at " + std::to_string(*here) + " m takes " + CellText(cell) +
             ", as does the one at " + std::to_string(*before) + " m: that one's " + name +
             " holds in " + CellText(cell) + " alone, and this one's starts a cell late, in " +
             CellText(cell + 1) + "; give each " + name +
             " record a cell of its own, 50 m or more apart",
         std::nullopt, previous->second,
         "the " + name + " record at " + std::to_string(*before) + " m");
  } else if (kind == grammar::kCurve.name) {
    const auto length = Number(*previous->second, 1);
    const auto own_length = Number(record, 1);
    // A curve wholly inside the one before bends nothing: no-effect says so.
    const bool inside = own_length && length && *here + *own_length <= *before + *length;
    if (length && *here < *before + *length && !inside && !swallowed_.contains(&record)) {
      Warn("overlapping-curves", record, record.fields[0],
           "this curve starts at " + std::to_string(*here) + " m, before the curve before it " +
               "ends at " + std::to_string(*before + *length) +
               " m: the metres they share are bent by this one only",
           std::nullopt, previous->second,
           "the curve before it, from " + std::to_string(*before) + " m");
    }
  }
}


// A position off the 50 m raster takes its cell by the record's rule,
// rounded half to even (p / 50, or p / 50 + 1 for boards, signals and
// slowdowns): from 25 m past a multiple on, often the next cell.
void Checker::CheckPlacement(const ReadRecord& record, const std::string& kind) {
  const grammar::CellRule rule = PositionRule(kind);
  if (rule != grammar::CellRule::kNone) {
    const int offset = rule == grammar::CellRule::kBoardCell ? 1 : 0;
    const std::size_t length_field = grammar::FieldIndex(grammar::kSlowdown, "l");
    std::vector<std::int64_t> positions;
    if (const auto p = Number(record, 0)) positions.push_back(*p);
    if (kind == grammar::kSlowdown.name && positions.size() == 1) {
      if (const auto length = Number(record, length_field)) {
        positions.push_back(positions[0] + *length);
      }
    }
    for (std::size_t i = 0; i < positions.size(); ++i) {
      const std::int64_t p = positions[i];
      if (p < 0) continue;
      // The cell the compile gives the position, beside the one its metre
      // lies in.
      const std::int64_t cell = grammar::CellBy(rule, p);
      const std::int64_t lies = p / kCell + offset;
      if (cell == lies) continue;
      const std::int64_t as_if = (cell - offset) * kCell;
      const std::string what = i == 0 ? RecordName(kind) : "slowdown's end";
      const ReadField& field = record.fields[i == 0 ? 0 : length_field];
      // The value that says what the compile does: the position of that
      // cell, or the length that ends the slowdown there when its start lies
      // on the raster.
      std::optional<Fix> fix;
      if (i == 0 || positions[0] % kCell == 0) {
        const std::string value = std::to_string(i == 0 ? as_if : as_if - positions[0]);
        fix = Replacing(record, field.line, field.column, field.raw, value,
                        "write " + value + ", as the compile reads it");
      }
      Warn("position-rounding", record, field,
           Metres(p) + " is not a multiple of 50: the " + what + " takes cell " +
               std::to_string(cell) + ", as if written at " + Metres(as_if) +
               ", not the cell of " + Metres(p / kCell * kCell) +
               " where its metre lies; write the multiple of 50 you mean",
           std::move(fix));
    }
  }
}

void Checker::CheckCurve(const ReadRecord& record) {
  const std::string keyword = Lower(Trimmed(record.keyword));
  const bool left = grammar::CurveTurnsLeft(keyword);
  const std::string side = left ? "left" : "right";
  std::string digits;
  for (char c : keyword) {
    if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
  }
  const int curve_class = grammar::CurveClass(keyword);
  const std::string read_as = "it is read as a " + side + "-hand curve of class " +
                              std::to_string(curve_class);
  std::string fault;
  if (left && keyword.find('d') != std::string::npos) {
    fault = "holds both an 's' and a 'd': any 's' makes a left-hand curve; ";
  } else if (digits.size() > 1) {
    fault = "holds more than one digit: the class is the first of 1 to 6 it contains; ";
  } else if (keyword.size() != 7 || keyword.compare(0, 5, "curva") != 0 ||
             (keyword[5] != 's' && keyword[5] != 'd') || digits.size() != 1) {
    fault = "is not \"curvas\" or \"curvad\" and its class digit; ";
  }
  if (fault.empty() || curve_class == 0) return;
  Warn("curve-keyword", record, record.line, record.column,
       "the curve keyword " + Quoted(Trimmed(record.keyword)) + " " + fault + read_as +
           "; write \"curva" + (left ? "s" : "d") + std::to_string(curve_class) + "\"");
}

// A value stored in fewer bits than it has keeps its low byte, or spills
// over from its digit of a packed member: every such field of the model.
std::string NarrowReason(const grammar::Field& field) {
  const std::string name(field.name);
  return field.keep == grammar::Keep::kLowByte ? "the " + name + " is stored as one byte"
                                               : "the " + name + " is one digit of its member";
}

void Checker::CheckValues(const ReadRecord& record, const std::string& kind) {
  const grammar::RecordKind* model = grammar::FindRecord(kind);
  if (model == nullptr) return;
  for (std::size_t index = 0; index < model->fields.size(); ++index) {
    const grammar::Field& field = model->fields[index];
    // A packed speed's range is the model's note of what authors write, not
    // a width: only single digits and bytes are held to theirs.
    const bool digit = field.keep == grammar::Keep::kDigit && field.high <= 9;
    if (field.keep != grammar::Keep::kLowByte && !digit) continue;
    const auto value = Number(record, index);
    if (!value || (*value >= field.low && *value <= field.high)) continue;
    Warn("narrow-field", record, record.fields[index],
         std::to_string(*value) + " lies outside " + std::to_string(field.low) + " to " +
             std::to_string(field.high) + ": " + NarrowReason(field) +
             ", so another value is stored");
  }
  if (kind == grammar::kSignal.name) {
    const auto left = Number(record, grammar::FieldIndex(grammar::kSignal, "sx"));
    const auto right = Number(record, grammar::FieldIndex(grammar::kSignal, "dx"));
    if (left && right &&
        grammar::SignalSides(*left, *right) * 10 + grammar::kSignalApproachMarks > 255) {
      Warn("narrow-field", record, record.fields[1],
           "the signal's approach marks, (left kind x 3 + right kind) x 10 + 1 to 4, pass 255 "
           "and keep their low byte");
    }
  }
  if (kind == grammar::kSpeed.name) {
    const auto speed = Number(record, 1);
    if (speed && *speed % grammar::kSpeedStep != 0 && *speed > 0) {
      Warn("narrow-field", record, record.fields[1],
           "the speed is kept in steps of " + std::to_string(grammar::kSpeedStep) + " km/h: " +
               std::to_string(*speed) + " km/h is stored as " +
               std::to_string(grammar::SpeedCode(*speed) * grammar::kSpeedStep) + " km/h");
    }
  }
  if (kind == grammar::kSpeedBoard.name) CheckBoardSpeeds(record);
  CheckMeant(record, *model);
  const bool named = kind == grammar::kStation.name || kind == grammar::kIndicatorBoard.name;
  if (named && !record.fields.empty() && !record.fields.back().number &&
      Trimmed(record.fields.back().raw).empty()) {
    Warn("empty-text", record, record.fields.back(),
         std::string("the ") + (kind == grammar::kStation.name ? "station's name" : "board's text") +
             " is empty: it is stored empty");
  }
}

// Values stored as read but meant only within grammar::kMeantRanges; one
// its field cannot hold is narrow-field's.
void Checker::CheckMeant(const ReadRecord& record, const grammar::RecordKind& model) {
  for (const grammar::MeantRange& range : grammar::kMeantRanges) {
    if (range.kind != &model) continue;
    const std::size_t index = grammar::FieldIndex(model, range.field);
    const auto value = Number(record, index);
    if (!value || (*value >= range.low && *value <= range.high)) continue;
    const grammar::Field& field = model.fields[index];
    if (field.keep == grammar::Keep::kLowByte && (*value < field.low || *value > field.high)) {
      continue;
    }
    Warn("unlikely-value", record, record.fields[index],
         std::to_string(*value) + " lies outside " + std::to_string(range.low) + " to " +
             std::to_string(range.high) + ", the range of " + std::string(range.meaning) +
             ": it is stored as written, but hardly meant; give a value in that range");
  }
  if (&model == &grammar::kSignal) CheckSignalHeads(record);
}

// A signal stands on the left (sx), on the right (dx) or both; the codes of
// a side without one are stored for nothing.
void Checker::CheckSignalHeads(const ReadRecord& record) {
  using grammar::kSignal;
  const auto left = Number(record, grammar::FieldIndex(kSignal, "sx"));
  const auto right = Number(record, grammar::FieldIndex(kSignal, "dx"));
  if (!left || !right) return;
  if (*left == 0 && *right == 0) {
    Warn("signal-heads", record, record.fields[grammar::FieldIndex(kSignal, "sx")],
         "this signal has no head: its left kind (sx) and right kind (dx) are both 0; give 1 "
         "or 2 for the side it stands on");
    return;
  }
  static constexpr std::pair<const char*, std::array<const char*, 3>> kSides[] = {
      {"sx", {"s1", "s2", "s3"}}, {"dx", {"d1", "d2", "d3"}}};
  for (const auto& [side, codes] : kSides) {
    if (Number(record, grammar::FieldIndex(kSignal, side)) != 0) continue;
    for (const char* code : codes) {
      const std::size_t index = grammar::FieldIndex(kSignal, code);
      const auto value = Number(record, index);
      if (!value || *value == 0) continue;
      const bool left_side = std::string_view(side) == "sx";
      Warn("signal-heads", record, record.fields[index],
           std::string("a code for the ") + (left_side ? "left" : "right") +
               " side, which has no signal (" + side + " is 0): it is stored for nothing; "
               "give the side its kind, or write 0");
      break;
    }
  }
}

// A stretch that ends before it starts: cab signalling (a second position
// of 0 stores none); and a mountain stretch that starts within 150 m of the
// previous one's end, which the compile turns into type 3.
void Checker::CheckStretches(const ReadRecord& record, const std::string& kind) {
  if (kind == grammar::kCabSignalling.name) {
    const auto first = Number(record, 0);
    const auto second = Number(record, 1);
    if (first && second && *second != 0 && *second < *first) {
      Warn("reversed-stretch", record, record.fields[1],
           "the cab signalling stretch ends at " + Metres(*second) + ", before it starts at " +
               Metres(*first) + ": give the start first, then the end");
    }
    return;
  }
  if (kind != grammar::kMountain.name) return;
  const auto previous = previous_.find({record.file, kind});
  if (previous == previous_.end()) return;
  const auto start = Number(record, 0);
  const auto end = Number(record, 1);
  const auto type = Number(record, 2);
  const auto before_start = Number(*previous->second, 0);
  const auto before_end = Number(*previous->second, 1);
  if (!start || !end || !type || !before_end || !before_start || *end <= *start ||
      *before_end <= *before_start || *start < *before_start) {
    return;
  }
  if (*start - *before_end > grammar::kNearMountainGap) return;
  const std::int64_t meant = *type > grammar::kMarkedMountainOffset
                                 ? *type - grammar::kMarkedMountainOffset
                                 : *type;
  if (meant == grammar::kNearMountainType) return;
  Warn("near-mountains", record, record.fields[0],
       "this mountain stretch starts at " + Metres(*start) +
           (*start < *before_end ? ", inside the one before it, which ends at "
                                 : ", " + std::to_string(*start - *before_end) +
                                       " m after the one before it ends at ") +
           Metres(*before_end) + ": a stretch that starts " +
           std::to_string(grammar::kNearMountainGap) +
           " m or less after the previous one's end becomes type " +
           std::to_string(grammar::kNearMountainType) + ", not " + std::to_string(meant) +
           "; join the two into one record, or leave more than " +
           std::to_string(grammar::kNearMountainGap) + " m between them",
       std::nullopt, previous->second, "the stretch before it");
}

// A board keeps each side's speed in steps of 5 km/h, both packed in one
// member (grammar::PackedBoardSpeed): a left speed off the step spills into
// the right one, a right one above what two digits hold into the left.
void Checker::CheckBoardSpeeds(const ReadRecord& record) {
  using grammar::kSpeedBoard;
  static constexpr std::pair<std::string_view, std::string_view> kSides[] = {
      {"vas", "vad"}, {"vbs", "vbd"}, {"vcs", "vcd"}};
  const std::string step = std::to_string(grammar::kSpeedStep);
  // "speed C (vcd), 97 km/h".
  const auto speed_name = [&](std::string_view field) {
    const auto value = Number(record, grammar::FieldIndex(kSpeedBoard, field));
    return "speed " +
           std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(field[1])))) +
           " (" + std::string(field) + "), " + std::to_string(value.value_or(0)) + " km/h,";
  };
  for (const auto& side : kSides) {
    const std::size_t left_index = grammar::FieldIndex(kSpeedBoard, side.first);
    const std::size_t right_index = grammar::FieldIndex(kSpeedBoard, side.second);
    const auto left = Number(record, left_index);
    const auto right = Number(record, right_index);
    if (!left || !right) continue;
    const std::int64_t packed = grammar::PackedBoardSpeed(*left, *right);
    if (!FitsInt16(packed)) continue;  // refused: the compile says so
    const grammar::BoardSpeeds shown = grammar::UnpackedBoardSpeed(packed);
    if (shown.left == *left && shown.right == *right) continue;
    const ReadField& left_field = record.fields[left_index];
    const ReadField& right_field = record.fields[right_index];
    if (shown.left == *left) {
      const std::string value = std::to_string(shown.right);
      Warn("narrow-field", record, right_field,
           "a board keeps its speeds in steps of " + step + " km/h: the right side's " +
               speed_name(side.second) + " is stored as " + value + " km/h",
           Replacing(record, right_field.line, right_field.column, right_field.raw, value,
                     "write " + value + ", the speed stored"));
      continue;
    }
    const std::string stored = "the board shows " + std::to_string(shown.left) + " km/h on the " +
                               "left and " + std::to_string(shown.right) + " km/h on the right";
    if (*left % grammar::kSpeedStep != 0) {
      Warn("narrow-field", record, left_field,
           "a board keeps its speeds in steps of " + step + " km/h, each side's packed in " +
               "one member as (left x 100 + right) / " + step + ": the left side's " +
               speed_name(side.first) + " spills into the right side's, and " + stored +
               "; write a multiple of " + step);
    } else {
      const std::int64_t most = (grammar::kBoardSidePacking - 1) * grammar::kSpeedStep;
      Warn("narrow-field", record, right_field,
           "a board packs each side's speeds in one member as (left x 100 + right) / " +
               step + ", the right one in the last two digits: the right side's " +
               speed_name(side.second) + " is beyond the " + std::to_string(most) +
               " km/h they hold, and " + stored + "; write at most " + std::to_string(most));
    }
  }
}

void Checker::CheckStartValues(const std::vector<ReadRecord>& records) {
  const ReadRecord* first_train = nullptr;
  for (const ReadRecord& record : records) {
    if (record.file == train_text_) {
      first_train = &record;
      break;
    }
  }
  if (first_train == nullptr) return;
  for (const std::string_view name_in_text : {grammar::kSpeed.name, grammar::kAdhesion.name}) {
    const std::string kind(name_in_text);
    const ReadRecord* first = nullptr;
    bool at_zero = false;
    for (const ReadRecord& record : records) {
      if (record.file != train_text_ || record.kinds.size() != 1 || record.kinds[0] != kind) {
        continue;
      }
      if (first == nullptr) first = &record;
      if (Number(record, 0) == 0) at_zero = true;
    }
    const std::string name = RecordName(kind);
    if (first == nullptr) {
      Warn("no-start-value", *first_train, 0, 0,
           "the train description has no " + name + " record: the " + name +
               " is 0 in every cell; start with \"" + kind + ", 0, VALUE\"");
    } else if (!at_zero) {
      Warn("no-start-value", *first, first->line, first->column,
           "no " + name + " record stands at 0: before the first one the " + name +
               " is 0; start with \"" + kind + ", 0, VALUE\"");
    }
  }
}

}  // namespace

std::string RecordName(std::string_view kind) {
  using namespace grammar;
  static const std::map<std::string_view, const char*> kNames = {
      {kGradient.name, "gradient"},          {kCurve.name, "curve"},
      {kMountain.name, "mountain"},          {kSpeedBoard.name, "speed board"},
      {kIndicatorBoard.name, "indicator board"}, {kSpeed.name, "speed"},
      {kAdhesion.name, "adhesion"},          {kSignal.name, "signal"},
      {kSlowdown.name, "slowdown"},          {kAbbattimento.name, "abbattimento"},
      {kStation.name, "station"}};
  const auto found = kNames.find(kind);
  return found != kNames.end() ? std::string(found->second) : std::string(kind);
}

std::vector<Diagnostic> TextWarnings(const std::vector<ReadRecord>& records,
                                     const AuthorFiles& files, const std::string& train_text,
                                     bool whole) {
  return Checker(files, train_text).Run(records, whole);
}

}  // namespace packager::tool
