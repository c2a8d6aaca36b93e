#include "check/crew_document_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

#include "compiler/grammar.h"
#include "tables/windows1252.h"

namespace packager::tool {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// ---------------------------------------------------------------------------
// The train, as the compile read it.

// Where a record of the train stands: its text and its keyword's place.
struct RecordPlace {
  std::string file;
  int line = 0;
  int column = 0;
};

struct Station {
  std::int64_t position = 0;
  std::string name;          // Windows-1252
  std::int64_t seconds = 0;  // time of day
  bool stops = false;        // a time is given: the train stops there
  RecordPlace where;
};

struct SpeedRecord {
  std::int64_t position = 0;
  std::int64_t speed = 0;
  bool changes = true;  // differs from the speed before it
  RecordPlace where;
};

struct SlowdownRecord {
  std::int64_t start = 0;
  std::int64_t speed = 0;
  std::int64_t length = 0;
  bool whole_train = false;
  bool orientation_boards = false;
  RecordPlace where;
  // The two flags as the record gives them, quoted in messages.
  std::int64_t whole_train_value = 0;
  std::int64_t orientation_boards_value = 0;
};

struct BrakedMass {
  std::int64_t percent = 0;
  RecordPlace where;
};

struct Train {
  std::string number;
  std::vector<Station> stations;
  std::vector<SpeedRecord> speeds;
  std::vector<SlowdownRecord> slowdowns;
  std::optional<BrakedMass> braked_mass;
  std::optional<BrakedMass> vehicles;  // the count, as the braked mass's percent
};

// How many value fields each record kind reads, in the order the reader
// tests them: a keyword matching several kinds read their fields in turn.
std::size_t FieldCountOf(std::string_view kind) {
  const grammar::RecordKind* model = grammar::FindRecord(kind);
  return model != nullptr ? model->fields.size() : kNone;
}

// The fields `kind` read in the record, or none when the record was not read
// as that kind or its reading stopped short.
std::optional<std::span<const ReadField>> FieldsOfKind(const ReadRecord& record,
                                                       std::string_view kind) {
  std::size_t offset = 0;
  for (const std::string& read_as : record.kinds) {
    const std::size_t count = FieldCountOf(read_as);
    if (count == kNone) return std::nullopt;
    if (read_as == kind) {
      if (offset + count > record.fields.size()) return std::nullopt;
      return std::span<const ReadField>(record.fields).subspan(offset, count);
    }
    offset += count;
  }
  return std::nullopt;
}

RecordPlace WhereOf(const ReadRecord& record) {
  return {record.file, record.line, record.column};
}

Station StationOf(std::span<const ReadField> fields, RecordPlace where) {
  const std::int64_t hours = fields[13].value, minutes = fields[14].value,
                     seconds = fields[15].value;
  const bool stops = hours != 0 || minutes != 0 || seconds != 0;
  return {fields[0].value, fields[16].raw, (hours * 60 + minutes) * 60 + seconds, stops,
          std::move(where)};
}

// f_tt (whole train) is the fourth value and f_ta (orientation boards) the fifth.
SlowdownRecord SlowdownOf(std::span<const ReadField> fields, RecordPlace where) {
  return {fields[0].value,      fields[1].value,      fields[2].value,  fields[3].value != 0,
          fields[4].value != 0, std::move(where),   fields[3].value, fields[4].value};
}

Train TrainOf(const std::vector<ReadRecord>& records, const std::string& number) {
  Train train{number, {}, {}, {}, {}, {}};
  for (const ReadRecord& record : records) {
    if (const auto fields = FieldsOfKind(record, grammar::kStation.name)) {
      train.stations.push_back(StationOf(*fields, WhereOf(record)));
    }
    if (const auto fields = FieldsOfKind(record, grammar::kSpeed.name)) {
      const bool changes = train.speeds.empty() || train.speeds.back().speed != (*fields)[1].value;
      train.speeds.push_back({(*fields)[0].value, (*fields)[1].value, changes, WhereOf(record)});
    }
    if (const auto fields = FieldsOfKind(record, grammar::kSlowdown.name)) {
      train.slowdowns.push_back(SlowdownOf(*fields, WhereOf(record)));
    }
    // A later braked-mass record replaces an earlier one, as in the tables.
    if (const auto fields = FieldsOfKind(record, grammar::kBrakedMass.name)) {
      train.braked_mass = BrakedMass{(*fields)[0].value, WhereOf(record)};
    }
    if (const auto fields = FieldsOfKind(record, grammar::kCarriages.name)) {
      train.vehicles = BrakedMass{(*fields)[0].value, WhereOf(record)};
    }
  }
  return train;
}

// ---------------------------------------------------------------------------
// Text helpers. Documents are Windows-1252: one byte, one character.

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Upper case of a Windows-1252 letter: ASCII and the accented Latin-1 letters.
char UpperOf(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if ((c >= 'a' && c <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)) {
    return static_cast<char>(byte - 0x20);
  }
  return c;
}

// Names compare in any letter case, with runs of blanks as one blank.
std::string NameKey(std::string_view name) {
  std::string key;
  for (const char c : Trim(name)) {
    if (IsBlank(c)) {
      if (!key.empty() && key.back() != ' ') key += ' ';
    } else {
      key += UpperOf(c);
    }
  }
  return key;
}

bool ContainsAnyCase(std::string_view text, std::string_view word) {
  return NameKey(text).find(NameKey(word)) != std::string::npos;
}

std::optional<std::int64_t> WholeNumber(std::string_view text) {
  text = Trim(text);
  if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), IsDigit)) {
    return std::nullopt;
  }
  std::int64_t value = 0;
  for (const char c : text) value = value * 10 + (c - '0');
  return value;
}

// "16.800", "16+800", "16,8" or "16": metres from the zero point, and whether
// the metres were given at all.
struct Kilometres {
  std::int64_t metres = 0;
  bool has_metres = false;
};

std::optional<Kilometres> KilometresOf(std::string_view text) {
  text = Trim(text);
  const std::size_t mark = text.find_first_of(".,+");
  const auto whole = WholeNumber(text.substr(0, mark));
  if (!whole) return std::nullopt;
  if (mark == std::string_view::npos) return Kilometres{*whole * 1000, false};
  const std::string_view fraction = text.substr(mark + 1);
  const auto metres = WholeNumber(fraction);
  if (!metres || fraction.size() > 3) return std::nullopt;
  std::int64_t scaled = *metres;
  for (std::size_t digits = fraction.size(); digits < 3; ++digits) scaled *= 10;
  return Kilometres{*whole * 1000 + scaled, true};
}

// "12.05" or "9:40": minutes from midnight.
std::optional<std::int64_t> ClockOf(std::string_view text) {
  const std::size_t mark = text.find_first_of(".:");
  if (mark == std::string_view::npos || mark == 0 || mark > 2 || text.size() != mark + 3) {
    return std::nullopt;
  }
  const auto hours = WholeNumber(text.substr(0, mark));
  const auto minutes = WholeNumber(text.substr(mark + 1));
  if (!hours || !minutes || *hours > 23 || *minutes > 59) return std::nullopt;
  return *hours * 60 + *minutes;
}

// Strings here are built by appending: GCC 12 at -O3 takes "literal" +
// string for an overlapping copy (-Wrestrict).
std::string TwoDigits(std::int64_t value) {
  std::string digits = value < 10 ? "0" : "";
  digits += std::to_string(value);
  return digits;
}

// 2900 as "2.900".
std::string KmText(std::int64_t metres) {
  std::string text = metres < 0 ? "-" : "";
  const std::int64_t magnitude = metres < 0 ? -metres : metres;
  const std::string rest = std::to_string(magnitude % 1000);
  text += std::to_string(magnitude / 1000);
  text += '.';
  text.append(3 - rest.size(), '0');
  text += rest;
  return text;
}

std::string ClockText(std::int64_t seconds) {
  std::string text = std::to_string(seconds / 3600);
  text += ':';
  text += TwoDigits(seconds / 60 % 60);
  text += ':';
  text += TwoDigits(seconds % 60);
  return text;
}

std::string SheetClockText(std::int64_t minutes) {
  std::string text = std::to_string(minutes / 60);
  text += '.';
  text += TwoDigits(minutes % 60);
  return text;
}

std::string Quoted(std::string_view bytes) { return QuotedWord(bytes, '\''); }

// ---------------------------------------------------------------------------
// A document's lines and the findings about it.

struct Document {
  const std::string* path = nullptr;
  std::vector<std::string_view> lines;  // Windows-1252, line ends dropped
};

Document DocumentOf(const CrewDocument& crew_document) {
  Document document{&crew_document.path, {}};
  std::string_view rest = *crew_document.bytes;
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    std::string_view line = rest.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    document.lines.push_back(line);
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  return document;
}

// A stretch of a line: its text, blanks around it dropped, and the column
// (from 1) where that starts; from and to bound the stretch (bytes from 0).
struct Piece {
  std::string_view text;
  int column = 0;
  std::size_t from = 0;
  std::size_t to = 0;
};

// The text between two columns of a line, blanks around it dropped; its
// column is that of its first character, or of the stretch when it is blank.
Piece PieceOf(std::string_view line, std::size_t from, std::size_t to) {
  from = std::min(from, line.size());
  to = std::min(to, line.size());
  const std::string_view stretch = line.substr(from, to - from);
  const std::string_view text = Trim(stretch);
  const std::size_t skipped = text.empty() ? 0 : text.data() - stretch.data();
  return {text, static_cast<int>(from + skipped) + 1, from, to};
}

// The cells of a table line: the stretches between one '|' and the next.
std::vector<Piece> CellsOf(std::string_view line) {
  std::vector<Piece> cells;
  std::size_t bar = line.find('|');
  while (bar != std::string_view::npos) {
    const std::size_t next = line.find('|', bar + 1);
    if (next == std::string_view::npos) break;
    cells.push_back(PieceOf(line, bar + 1, next));
    bar = next;
  }
  return cells;
}

// A record of the train that a finding names: where it stands and what it is
// ("the train's station record").
struct NamedRecord {
  const RecordPlace* place = nullptr;
  std::string what;
};

class Findings {
 public:
  explicit Findings(const AuthorFile* train_text) : train_text_(train_text) {}

  void At(const char* rule, const Document& document, int line, int column, std::string message,
          const NamedRecord& record = {}) {
    Diagnostic finding{Severity::kWarning, rule, *document.path, line, column, "", "", 0};
    if (!out_.Lists(finding.rule)) {
      out_.Add(std::move(finding));  // counted only
      return;
    }
    finding.message = std::move(message);
    if (line > 0 && static_cast<std::size_t>(line) <= document.lines.size()) {
      Quote(finding, document.lines[line - 1], column);
    } else {
      finding.line = finding.column = 0;
    }
    if (record.place != nullptr) finding.related.push_back(Related(record));
    out_.Add(std::move(finding));
  }

  void AboutWhole(const char* rule, const Document& document, std::string message) {
    At(rule, document, 0, 0, std::move(message));
  }

  std::vector<Diagnostic> Take() { return out_.Take(); }

 private:
  RelatedPlace Related(const NamedRecord& record) const {
    const RecordPlace& place = *record.place;
    const AuthorFile unquoted(place.file, {});
    const AuthorFile& file = train_text_ != nullptr ? *train_text_ : unquoted;
    return RelatedAt(file, place.line, place.column, record.what);
  }

  const AuthorFile* train_text_;
  DiagnosticList out_;
};

// ---------------------------------------------------------------------------
// Pairing the train's records with a document's entries, both in running order.

enum class Pairing { kInOrder, kMoved, kNear };

// Above this many record/entry pairs (a document of many thousand rows), the
// records are not sought over every entry: each is paired with the first
// unpaired entry of its key among the next kLookahead entries, in order, and
// no moved or miswritten entry is sought. Both stay linear in the rows.
constexpr std::uint64_t kExactPairs = std::uint64_t{1} << 22;
constexpr std::size_t kLookahead = 64;

struct Alignment {
  std::vector<std::size_t> entry_of;  // per record: its entry, or kNone
  std::vector<Pairing> pairing;       // per record, when it has an entry
  std::vector<bool> entry_used;
  // Per record: the entry of the next record after it that has one, or kNone.
  std::vector<std::size_t> next_entry;
};

void Pair(Alignment& alignment, std::size_t r, std::size_t e, Pairing how) {
  alignment.entry_of[r] = e;
  alignment.pairing[r] = how;
  alignment.entry_used[e] = true;
}

// The longest run of record/entry pairs with the same key, in order.
template <class Same>
void PairInOrder(Alignment& alignment, std::size_t records, std::size_t entries, Same same) {
  const std::size_t width = entries + 1;
  std::vector<std::uint32_t> longest((records + 1) * width, 0);
  const auto at = [&](std::size_t r, std::size_t e) -> std::uint32_t& {
    return longest[r * width + e];
  };
  for (std::size_t r = records; r-- > 0;) {
    for (std::size_t e = entries; e-- > 0;) {
      at(r, e) = same(r, e) ? at(r + 1, e + 1) + 1 : std::max(at(r + 1, e), at(r, e + 1));
    }
  }
  for (std::size_t r = 0, e = 0; r < records && e < entries;) {
    if (same(r, e)) {
      Pair(alignment, r++, e++, Pairing::kInOrder);
    } else if (at(r + 1, e) >= at(r, e + 1)) {
      ++r;
    } else {
      ++e;
    }
  }
}

template <class Same>
void PairAhead(Alignment& alignment, std::size_t records, std::size_t entries, Same same) {
  for (std::size_t r = 0, e = 0; r < records && e < entries; ++r) {
    for (std::size_t ahead = e; ahead < std::min(entries, e + kLookahead); ++ahead) {
      if (same(r, ahead)) {
        Pair(alignment, r, ahead, Pairing::kInOrder);
        e = ahead + 1;
        break;
      }
    }
  }
}

// Per record, the entries between its in-order neighbours: [from, to).
std::vector<std::pair<std::size_t, std::size_t>> GapsOf(const Alignment& alignment,
                                                        std::size_t entries) {
  const std::size_t records = alignment.entry_of.size();
  const auto in_order = [&](std::size_t r) {
    return alignment.entry_of[r] != kNone && alignment.pairing[r] == Pairing::kInOrder;
  };
  std::vector<std::pair<std::size_t, std::size_t>> gaps(records, {0, entries});
  for (std::size_t r = 1; r < records; ++r) {
    gaps[r].first = in_order(r - 1) ? alignment.entry_of[r - 1] + 1 : gaps[r - 1].first;
  }
  for (std::size_t r = records; r-- > 1;) {
    gaps[r - 1].second = in_order(r) ? alignment.entry_of[r] : gaps[r].second;
  }
  for (auto& [from, to] : gaps) to = std::max(from, to);
  return gaps;
}

// Pairs records with entries: first those with the same key in order, then
// those with the same key out of order (moved), then, between in-order
// neighbours, those that `near` allows (an entry whose key was miswritten).
template <class Same, class Near>
Alignment Align(std::size_t records, std::size_t entries, Same same, Near near) {
  Alignment alignment{std::vector<std::size_t>(records, kNone),
                      std::vector<Pairing>(records, Pairing::kInOrder),
                      std::vector<bool>(entries, false), std::vector<std::size_t>(records, kNone)};
  if (std::uint64_t{records + 1} * (entries + 1) > kExactPairs) {
    PairAhead(alignment, records, entries, same);
  } else {
    PairInOrder(alignment, records, entries, same);
    const auto pair_first = [&](std::size_t r, std::size_t from, std::size_t to, Pairing how,
                                auto&& fits) {
      for (std::size_t e = from; e < to && alignment.entry_of[r] == kNone; ++e) {
        if (!alignment.entry_used[e] && fits(r, e)) Pair(alignment, r, e, how);
      }
    };
    for (std::size_t r = 0; r < records; ++r) {
      if (alignment.entry_of[r] == kNone) pair_first(r, 0, entries, Pairing::kMoved, same);
    }
    const auto gaps = GapsOf(alignment, entries);
    for (std::size_t r = 0; r < records; ++r) {
      if (alignment.entry_of[r] != kNone) continue;
      pair_first(r, gaps[r].first, gaps[r].second, Pairing::kNear, near);
    }
  }
  for (std::size_t r = records; r-- > 1;) {
    alignment.next_entry[r - 1] =
        alignment.entry_of[r] != kNone ? alignment.entry_of[r] : alignment.next_entry[r];
  }
  return alignment;
}

// The entry a record without one would stand before: that of the next
// record that has one.
std::size_t NextPairedEntry(const Alignment& alignment, std::size_t r) {
  return alignment.next_entry[r];
}

// ---------------------------------------------------------------------------
// The train number: "... del treno 5608 di ...", "Treno R 5608 ...".

struct NumberMention {
  std::string_view number;
  int column = 0;
};

// A train number may hold what a scenario's train may (letters, digits, '_',
// '-' and '.'): "5608", "0042", "IC_88", "12-A".
bool IsNumberCharacter(char c) {
  return IsAsciiLetter(c) || IsDigit(c) || c == '_' || c == '-' || c == '.';
}

std::string_view TokenAt(std::string_view line, std::size_t at) {
  std::size_t end = at;
  while (end < line.size() && IsNumberCharacter(line[end])) ++end;
  return line.substr(at, end - at);
}

// The word names the train: it is its number, or its number followed by the
// dots that end a sentence ("... del treno 5608.").
bool NamesTrain(std::string_view word, std::string_view number) {
  if (word.size() < number.size() || word.substr(0, number.size()) != number) return false;
  return word.find_first_not_of('.', number.size()) == std::string_view::npos;
}

// The word as a mention shows it: without the dots that end a sentence.
std::string_view WithoutSentenceEnd(std::string_view word) {
  while (!word.empty() && word.back() == '.') word.remove_suffix(1);
  return word;
}

std::size_t SkipBlanks(std::string_view line, std::size_t at) {
  while (at < line.size() && IsBlank(line[at])) ++at;
  return at;
}

// The number after the word "treno", past a category of up to three letters
// ("R", "RV", "IC"): the train's own number, or another with a digit; none
// when the word is followed by neither.
std::optional<NumberMention> TrainNumberIn(std::string_view line, std::string_view number) {
  std::string upper(line);
  std::transform(upper.begin(), upper.end(), upper.begin(), UpperOf);
  for (std::size_t at = upper.find("TRENO"); at != std::string::npos;
       at = upper.find("TRENO", at + 1)) {
    if (at > 0 && IsAsciiLetter(line[at - 1])) continue;
    std::size_t token = SkipBlanks(line, at + 5);
    if (token == at + 5) continue;
    std::string_view word = TokenAt(line, token);
    if (!NamesTrain(word, number) && !word.empty() && word.size() <= 3 &&
        std::all_of(word.begin(), word.end(), IsAsciiLetter)) {
      token = SkipBlanks(line, token + word.size());
      word = TokenAt(line, token);
    }
    if (NamesTrain(word, number)) return NumberMention{number, static_cast<int>(token) + 1};
    word = WithoutSentenceEnd(word);
    if (std::any_of(word.begin(), word.end(), IsDigit)) {
      return NumberMention{word, static_cast<int>(token) + 1};
    }
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------
// Header boxes and percentages.

struct BoxText {
  int line = 0;
  Piece piece;
};

bool IsRule(std::string_view stretch) {
  return stretch.find('_') != std::string_view::npos &&
         stretch.find_first_not_of("_ \t") == std::string_view::npos;
}

// The text of a header box: the same columns on the lines under the heading
// cell, down to the box's bottom rule.
std::vector<BoxText> BoxUnder(const Document& document, std::string_view heading) {
  constexpr std::size_t kDeepest = 8;  // a box is a few lines high
  for (std::size_t index = 0; index < document.lines.size(); ++index) {
    for (const Piece& cell : CellsOf(document.lines[index])) {
      if (NameKey(cell.text) != NameKey(heading)) continue;
      std::vector<BoxText> box;
      for (std::size_t below = index + 1;
           below < document.lines.size() && below <= index + kDeepest; ++below) {
        const std::string_view line = document.lines[below];
        if (line.size() <= cell.from) break;
        const std::string_view stretch =
            line.substr(cell.from, std::min(line.size(), cell.to) - cell.from);
        if (IsRule(stretch)) break;
        const Piece piece = PieceOf(line, cell.from, cell.to);
        if (!piece.text.empty()) box.push_back({static_cast<int>(below) + 1, piece});
      }
      return box;
    }
  }
  return {};
}

struct Percentage {
  std::int64_t value = 0;
  int column = 0;
};

// Every "105%" or "105 %" of a piece.
std::vector<Percentage> PercentagesIn(const Piece& piece) {
  std::vector<Percentage> found;
  const std::string_view text = piece.text;
  for (std::size_t sign = text.find('%'); sign != std::string_view::npos;
       sign = text.find('%', sign + 1)) {
    std::size_t end = sign;
    while (end > 0 && IsBlank(text[end - 1])) --end;
    std::size_t start = end;
    while (start > 0 && IsDigit(text[start - 1])) --start;
    if (const auto value = WholeNumber(text.substr(start, end - start))) {
      found.push_back({*value, piece.column + static_cast<int>(start)});
    }
  }
  return found;
}

Piece WholeLine(std::string_view line) { return {line, 1, 0, line.size()}; }

// ---------------------------------------------------------------------------
// Braked mass and train number, wherever the documents state them.

void CheckBrakedMass(const Document& document, int line, const Percentage& stated,
                     const Train& train, Findings& findings) {
  const std::string here = "the braked mass is " + std::to_string(stated.value) + "% here; ";
  if (!train.braked_mass) {
    findings.At("crew-braked-mass", document, line, stated.column,
                here +
                    "the train description has no 'percentuale massa frenata' record, so "
                    "the train's braked mass is 0");
  } else if (train.braked_mass->percent != stated.value) {
    findings.At("crew-braked-mass", document, line, stated.column,
                here + "the train's 'percentuale massa frenata' record gives " +
                    std::to_string(train.braked_mass->percent) + "%",
                {&train.braked_mass->where, "the train's 'percentuale massa frenata' record"});
  }
}

// Lines that speak of the braked mass ("massa frenata 105%").
void CheckBrakedMassLines(const Document& document, const Train& train, Findings& findings) {
  for (std::size_t index = 0; index < document.lines.size(); ++index) {
    if (!ContainsAnyCase(document.lines[index], "frenat")) continue;
    for (const Percentage& stated : PercentagesIn(WholeLine(document.lines[index]))) {
      CheckBrakedMass(document, static_cast<int>(index) + 1, stated, train, findings);
    }
  }
}

void CheckTrainNumber(const Document& document, int line, const NumberMention& mention,
                      const std::string& what_names_it, const Train& train, Findings& findings) {
  if (mention.number == train.number) return;
  findings.At("crew-train-number", document, line, mention.column,
              what_names_it + " train " + std::string(mention.number) +
                  "; the scenario's train is " + train.number);
}

// ---------------------------------------------------------------------------
// The slowdown order: one row per slowdown record, in the train's order.

struct OrderRow {
  int line = 0;
  Piece number, between, kilometre, speed, length, prescriptions;
};

std::optional<OrderRow> OrderRowOf(std::string_view line, int number) {
  const std::vector<Piece> cells = CellsOf(line);
  if (cells.size() < 6 || !WholeNumber(cells[0].text)) return std::nullopt;
  return OrderRow{number, cells[0], cells[1], cells[2], cells[3], cells[4], cells[5]};
}

// The row's kilometre post: whole kilometres, or metres when the row gives them.
bool StartsAt(const OrderRow& row, const SlowdownRecord& slowdown) {
  const auto kilometres = KilometresOf(row.kilometre.text);
  if (!kilometres) return false;
  return kilometres->has_metres ? kilometres->metres == slowdown.start
                                : kilometres->metres / 1000 == slowdown.start / 1000;
}

// A for the whole train; I with orientation boards, H without.
std::string PrescriptionsFor(const SlowdownRecord& slowdown) {
  return std::string(slowdown.whole_train ? "A-" : "") + (slowdown.orientation_boards ? "I" : "H");
}

bool PrescriptionsAgree(std::string_view letters, const SlowdownRecord& slowdown) {
  std::string single;  // the letters that stand alone: "A-H" holds A and H
  for (std::size_t at = 0; at < letters.size(); ++at) {
    const bool alone = IsAsciiLetter(letters[at]) && (at == 0 || !IsAsciiLetter(letters[at - 1])) &&
                       (at + 1 == letters.size() || !IsAsciiLetter(letters[at + 1]));
    if (alone) single += UpperOf(letters[at]);
  }
  const auto has = [&single](char letter) { return single.find(letter) != std::string::npos; };
  return has('A') == slowdown.whole_train && has('I') == slowdown.orientation_boards &&
         has('H') == !slowdown.orientation_boards;
}

class SlowdownOrderCheck {
 public:
  SlowdownOrderCheck(const Document& document, const Train& train, Findings& findings)
      : document_(document), train_(train), findings_(findings) {}

  void Run() {
    bool table = false;
    for (std::size_t index = 0; index < document_.lines.size(); ++index) {
      table = table || CellsOf(document_.lines[index]).size() >= 6;
      if (auto row = OrderRowOf(document_.lines[index], static_cast<int>(index) + 1)) {
        rows_.push_back(*row);
      }
    }
    if (!table) {
      findings_.AboutWhole(kRule, document_,
                           "no slowdown table found (rows such as ' | 01| FROM - TO |  64  |  "
                           "50  |  200  |  A-H  |'); the order was not compared with the train");
      return;
    }
    CheckRows();
    CheckTrainNumberSentence();
    CheckBrakedMassLines(document_, train_, findings_);
  }

 private:
  static constexpr const char* kRule = "crew-slowdown-order";

  std::string Record(std::size_t r) const {
    return "the train's slowdown record " + std::to_string(r + 1);
  }
  NamedRecord Named(std::size_t r) const { return {&train_.slowdowns[r].where, Record(r)}; }
  std::string Slowdown(const OrderRow& row) const {
    return "slowdown " + Utf8From1252(row.number.text);
  }
  void Warn(const OrderRow& row, const Piece& cell, std::string message,
            const NamedRecord& record = {}) {
    findings_.At(kRule, document_, row.line, cell.column, std::move(message), record);
  }

  void CheckRows() {
    const auto& slowdowns = train_.slowdowns;
    const Alignment alignment = Align(
        slowdowns.size(), rows_.size(),
        [&](std::size_t r, std::size_t e) { return StartsAt(rows_[e], slowdowns[r]); },
        [](std::size_t, std::size_t) { return true; });
    for (std::size_t r = 0; r < slowdowns.size(); ++r) {
      if (alignment.entry_of[r] == kNone) {
        WarnMissing(r, NextPairedEntry(alignment, r));
      } else {
        CheckRow(rows_[alignment.entry_of[r]], r, alignment.pairing[r]);
      }
    }
    for (std::size_t e = 0; e < rows_.size(); ++e) {
      if (alignment.entry_used[e]) continue;
      Warn(rows_[e], rows_[e].number,
           Slowdown(rows_[e]) + " (after km " + Utf8From1252(rows_[e].kilometre.text) +
               ") matches no slowdown record of the train; " + Counts());
    }
  }

  std::string Counts() const {
    return "the order lists " + std::to_string(rows_.size()) + ", the train has " +
           std::to_string(train_.slowdowns.size());
  }

  void WarnMissing(std::size_t r, std::size_t next_row) {
    const SlowdownRecord& slowdown = train_.slowdowns[r];
    int line = 0;
    if (next_row != kNone) {
      line = rows_[next_row].line;
    } else if (!rows_.empty()) {
      line = std::min(rows_.back().line + 1, static_cast<int>(document_.lines.size()));
    }
    findings_.At(kRule, document_, line, line > 0 ? 2 : 0,
                 Record(r) + ", from " + std::to_string(slowdown.start) + " m at " +
                     std::to_string(slowdown.speed) + " km/h over " +
                     std::to_string(slowdown.length) + " m, has no row in the order; " + Counts(),
                 Named(r));
  }

  void CheckRow(const OrderRow& row, std::size_t r, Pairing pairing) {
    const SlowdownRecord& slowdown = train_.slowdowns[r];
    if (pairing == Pairing::kMoved) {
      Warn(row, row.number,
           Slowdown(row) + " (after km " + Utf8From1252(row.kilometre.text) + ") is " + Record(r) +
               ": the order lists the slowdowns in another order than the train",
           Named(r));
    } else if (pairing == Pairing::kNear) {
      Warn(row, row.kilometre,
           Slowdown(row) + " starts after km " + Quoted(row.kilometre.text) + " here; " +
               Record(r) + " starts at " + std::to_string(slowdown.start) + " m, after km " +
               std::to_string(slowdown.start / 1000),
           Named(r));
    }
    CheckNumber(row, row.speed, slowdown.speed, r, "speed", " km/h");
    CheckNumber(row, row.length, slowdown.length, r, "length", " m");
    CheckBetween(row, r);
    if (!PrescriptionsAgree(row.prescriptions.text, slowdown)) {
      Warn(row, row.prescriptions,
           Slowdown(row) + " has prescriptions " + Quoted(row.prescriptions.text) + " here; " +
               Record(r) + " calls for '" + PrescriptionsFor(slowdown) + "' (whole train " +
               std::to_string(slowdown.whole_train_value) + ", orientation boards " +
               std::to_string(slowdown.orientation_boards_value) + ")",
           Named(r));
    }
  }

  // The stations a row names ("SAN FELETTO - BIV. CORNALE") are those the
  // slowdown's start lies between: the last station record at or before it
  // and the first after it; a name may be cut short ("BIV.") and leave
  // words out ("MULINI ARSEVO" for MULINI DI ARSEVO).
  void CheckBetween(const OrderRow& row, std::size_t r) {
    const SlowdownRecord& slowdown = train_.slowdowns[r];
    const Station* before = nullptr;
    const Station* after = nullptr;
    for (const Station& station : train_.stations) {
      if (station.position <= slowdown.start) before = &station;
      if (station.position > slowdown.start && after == nullptr) after = &station;
    }
    std::vector<std::string_view> names;
    for (std::string_view rest = row.between.text; !rest.empty();) {
      const std::size_t dash = rest.find('-');
      const std::string_view name = Trim(rest.substr(0, dash));
      if (!name.empty()) names.push_back(name);
      rest = dash == std::string_view::npos ? std::string_view() : rest.substr(dash + 1);
    }
    if (names.empty()) return;
    const auto names_one = [&](std::string_view name) {
      return (before != nullptr && Abbreviates(name, before->name)) ||
             (after != nullptr && Abbreviates(name, after->name));
    };
    if (std::all_of(names.begin(), names.end(), names_one)) return;
    const auto place = [](const Station* station) {
      return station == nullptr ? std::string("the line's end")
                                : Quoted(station->name) + " (" +
                                      std::to_string(station->position) + " m)";
    };
    Warn(row, row.between,
         Slowdown(row) + " lies between " + Quoted(row.between.text) + " here; " + Record(r) +
             " starts at " + std::to_string(slowdown.start) + " m, between " + place(before) +
             " and " + place(after),
         Named(r));
  }

  // Whether a name as the order writes it stands for the station's name:
  // each of its words, in order, is a word of the station's or, ending in
  // a dot, the start of one.
  static bool Abbreviates(std::string_view written, const std::string& station) {
    std::istringstream words(NameKey(written));
    std::istringstream full(NameKey(station));
    std::string word;
    std::string candidate;
    bool any = false;
    while (words >> word) {
      const bool cut = word.back() == '.';
      if (cut) word.pop_back();
      if (word.empty()) continue;
      any = true;
      bool found = false;
      while (!found && full >> candidate) {
        found = cut ? candidate.rfind(word, 0) == 0 : candidate == word;
      }
      if (!found) return false;
    }
    return any;
  }

  // "slowdown 02: the speed is 60 km/h here; ... gives 50 km/h".
  void CheckNumber(const OrderRow& row, const Piece& cell, std::int64_t expected, std::size_t r,
                   const std::string& quantity, const std::string& unit) {
    if (WholeNumber(cell.text) == expected) return;
    Warn(row, cell,
         Slowdown(row) + ": the " + quantity + " is " + Quoted(cell.text) + unit + " here; " +
             Record(r) + " gives " + std::to_string(expected) + unit,
         Named(r));
  }

  void CheckTrainNumberSentence() {
    for (std::size_t index = 0; index < document_.lines.size(); ++index) {
      if (const auto mention = TrainNumberIn(document_.lines[index], train_.number)) {
        CheckTrainNumber(document_, static_cast<int>(index) + 1, *mention,
                         "the order is addressed to", train_, findings_);
        return;
      }
    }
    findings_.AboutWhole("crew-train-number", document_,
                         "the order names no train (a sentence such as 'Si ordina al "
                         "macchinista del treno " +
                             train_.number + " ...'); the scenario's train is " + train_.number);
  }

  const Document& document_;
  const Train& train_;
  Findings& findings_;
  std::vector<OrderRow> rows_;
};

// The count of vehicles a crew document states ("3 vetture", "3 veicoli")
// against the train's "numero vetture".
void CheckVehicleLines(const Document& document, const Train& train, Findings& findings,
                       const char* rule) {
  if (!train.vehicles) return;
  for (std::size_t index = 0; index < document.lines.size(); ++index) {
    const std::string_view line = document.lines[index];
    for (const std::string_view word : {std::string_view("vetture"), std::string_view("veicoli")}) {
      const std::size_t at = line.find(word);
      if (at == std::string_view::npos) continue;
      std::size_t end = at;
      while (end > 0 && IsBlank(line[end - 1])) --end;
      std::size_t start = end;
      while (start > 0 && IsDigit(line[start - 1])) --start;
      const auto count = WholeNumber(line.substr(start, end - start));
      if (!count || *count == train.vehicles->percent) continue;
      findings.At(rule, document, static_cast<int>(index) + 1, static_cast<int>(start) + 1,
                  "the train has " + std::to_string(train.vehicles->percent) +
                      " vehicles; this line says " + std::to_string(*count),
                  {&train.vehicles->where, "the train's 'numero vetture' record"});
    }
  }
}

// ---------------------------------------------------------------------------
// The timetable sheet: one row per located point, stations among them.

struct SheetTime {
  std::int64_t minutes = 0;
  int column = 0;
  std::string_view text;
};

struct SheetRow {
  int line = 0;
  Piece max_speed;
  std::int64_t metres = 0;
  Piece kilometre;
  Piece name;           // dots that pad it dropped
  bool dotted = false;  // padded with dots to the times: the train stops
  std::vector<SheetTime> times;

  bool ShowsStop() const { return dotted || times.size() >= 2; }
};

// The name and the times after the kilometre: the track drawing ("/|\",
// "_|_", " |_") comes first and its bars are not cell borders.
bool ReadNameAndTimes(std::string_view line, std::size_t at, SheetRow& row) {
  at = std::min(line.find_first_not_of(" \t/\\|_", at), line.size());
  const std::size_t name_end = line.find('|', at);
  if (name_end == std::string_view::npos) return false;
  std::string_view name = Trim(line.substr(at, name_end - at));
  std::string_view undotted = name;
  while (!undotted.empty() && undotted.back() == '.') undotted.remove_suffix(1);
  // Three dots or more pad the name; fewer end it ("S. P.").
  row.dotted = undotted.size() + 3 <= name.size();
  if (row.dotted) name = Trim(undotted);
  if (name.empty()) return false;
  row.name = {name, static_cast<int>(at) + 1, at, name_end};
  const std::size_t times_end = std::min(line.find('|', name_end + 1), line.size());
  for (std::size_t token = SkipBlanks(line, name_end + 1); token < times_end;) {
    std::size_t end = token;
    while (end < times_end && !IsBlank(line[end])) ++end;
    const std::string_view text = line.substr(token, end - token);
    if (const auto minutes = ClockOf(text)) {
      row.times.push_back({*minutes, static_cast<int>(token) + 1, text});
    }
    token = SkipBlanks(line, end);
  }
  return true;
}

// "  | 140 | 135 |  1.050  |  Radice lato Lontrino |     12.07     |..."
std::optional<SheetRow> SheetRowOf(std::string_view line, int number) {
  const std::size_t first = line.find('|');
  if (first == std::string_view::npos || !Trim(line.substr(0, first)).empty()) return {};
  const std::size_t second = line.find('|', first + 1);
  const std::size_t third = second == std::string_view::npos ? second : line.find('|', second + 1);
  if (third == std::string_view::npos) return {};
  SheetRow row;
  row.line = number;
  row.max_speed = PieceOf(line, first + 1, second);
  const Piece running_speed = PieceOf(line, second + 1, third);
  for (const Piece& speed : {row.max_speed, running_speed}) {
    if (!speed.text.empty() && !WholeNumber(speed.text)) return {};
  }
  const std::size_t km = SkipBlanks(line, third + 1);
  const std::size_t km_end = std::min(line.find_first_not_of("0123456789.,+", km), line.size());
  const auto kilometres = KilometresOf(line.substr(km, km_end - km));
  if (!kilometres) return {};
  row.metres = kilometres->metres;
  row.kilometre = PieceOf(line, km, km_end);
  if (!ReadNameAndTimes(line, km_end, row)) return {};
  return row;
}

class TimetableSheetCheck {
 public:
  TimetableSheetCheck(const Document& document, const Train& train, Findings& findings)
      : document_(document), train_(train), findings_(findings) {}

  void Run() {
    for (std::size_t index = 0; index < document_.lines.size(); ++index) {
      if (auto row = SheetRowOf(document_.lines[index], static_cast<int>(index) + 1)) {
        rows_.push_back(*row);
      }
    }
    if (rows_.empty()) {
      findings_.AboutWhole(kRule, document_,
                           "no timetable found (rows such as '  |  30 |  30 |  0.000 /|\\ "
                           "NAME.....|  12.05 |'); the sheet was not compared with the train");
      return;
    }
    CheckStations();
    CheckArrivals();
    CheckSpeeds();
    CheckHeaderBoxes();
    CheckEnds();
    CheckBrakedMassLines(document_, train_, findings_);
    CheckVehicleLines(document_, train_, findings_, kRule);
  }

 private:
  static constexpr const char* kRule = "crew-timetable";

  void Warn(const SheetRow& row, int column, std::string message,
            const NamedRecord& record = {}) {
    findings_.At(kRule, document_, row.line, column, std::move(message), record);
  }

  // Where a missing row belongs: before the row of `next`, or under the last.
  void WarnMissing(std::size_t next, std::string message, const NamedRecord& record = {}) {
    const int line =
        next != kNone ? rows_[next].line
                      : std::min(rows_.back().line + 1, static_cast<int>(document_.lines.size()));
    findings_.At(kRule, document_, line, 3, std::move(message), record);
  }

  void CheckStations() {
    const auto& stations = train_.stations;
    std::vector<std::string> station_keys, row_keys;
    for (const Station& station : stations) station_keys.push_back(NameKey(station.name));
    for (const SheetRow& row : rows_) row_keys.push_back(NameKey(row.name.text));
    const Alignment alignment = Align(
        stations.size(), rows_.size(),
        [&](std::size_t r, std::size_t e) { return station_keys[r] == row_keys[e]; },
        [&](std::size_t r, std::size_t e) { return stations[r].position == rows_[e].metres; });
    for (std::size_t r = 0; r < stations.size(); ++r) {
      const Station& station = stations[r];
      if (alignment.entry_of[r] == kNone) {
        WarnMissing(NextPairedEntry(alignment, r),
                    "the train's station " + Quoted(station.name) + " at " +
                        std::to_string(station.position) + " m has no row on the sheet",
                    {&station.where, "the train's station record"});
        continue;
      }
      const SheetRow& row = rows_[alignment.entry_of[r]];
      CheckStationName(row, r, alignment.pairing[r]);
      CheckStationPlace(row, station);
      CheckStationTime(row, station, r + 1 == stations.size());
    }
    for (std::size_t e = 0; e < rows_.size(); ++e) {
      if (alignment.entry_used[e] || !rows_[e].ShowsStop()) continue;
      Warn(rows_[e], rows_[e].name.column,
           "the sheet shows a stop at " + Quoted(rows_[e].name.text) +
               ", which is not one of the train's station records");
    }
  }

  void CheckStationName(const SheetRow& row, std::size_t r, Pairing pairing) {
    const Station& station = train_.stations[r];
    if (pairing == Pairing::kMoved) {
      const std::string after = r == 0 ? "first" : "after " + Quoted(train_.stations[r - 1].name);
      Warn(row, row.name.column,
           Quoted(row.name.text) +
               " stands out of the train's order here; the train's station records put it " +
               after,
           {&station.where, "the train's station record"});
    } else if (pairing == Pairing::kNear) {
      Warn(row, row.name.column,
           "the sheet names the place at km " + KmText(row.metres) + " " + Quoted(row.name.text) +
               "; the train's station there is " + Quoted(station.name),
           {&station.where, "the train's station record"});
    }
  }

  void CheckStationPlace(const SheetRow& row, const Station& station) {
    if (row.metres == station.position) return;
    Warn(row, row.kilometre.column,
         "the sheet puts " + Quoted(station.name) + " at km " + Utf8From1252(row.kilometre.text) +
             "; the train's station record puts it at " + std::to_string(station.position) +
             " m (km " + KmText(station.position) + ")",
         {&station.where, "the train's station record"});
  }

  // The station record gives the departure time where the train stops (the
  // arrival at the last station), to the second; the sheet gives minutes, so
  // a time less than a minute away agrees (12:26:30 may be 12.26 or 12.27).
  void CheckStationTime(const SheetRow& row, const Station& station, bool last) {
    const std::string name = Quoted(station.name);
    const std::string record = "the train's station record";
    const NamedRecord named{&station.where, record};
    if (!station.stops) {
      if (row.ShowsStop()) {
        Warn(row, row.name.column,
             "the sheet shows a stop at " + name + "; " + record +
                 " gives no time (0, 0, 0): the train passes there",
             named);
      }
      return;
    }
    const std::string stop =
        (last ? ", arriving at " : ", departing at ") + ClockText(station.seconds);
    if (row.times.empty()) {
      Warn(row, row.name.column,
           "the sheet gives no time at " + name + "; " + record + " stops there" + stop, named);
    } else if (!row.ShowsStop()) {
      Warn(row, row.times.back().column,
           "the sheet shows the train passing " + name + " at " +
               Utf8From1252(row.times.back().text) + "; " + record + " stops there" + stop,
           named);
    } else if (std::abs(row.times.back().minutes * 60 - station.seconds) >= 60) {
      Warn(row, row.times.back().column,
           std::string("the sheet's ") + (last ? "arrival at " : "departure from ") + name +
               " is " + SheetClockText(row.times.back().minutes) + "; " + record + " gives " +
               ClockText(station.seconds),
           named);
    }
  }

  // A row of two times gives the arrival, then the departure.
  void CheckArrivals() {
    for (const SheetRow& row : rows_) {
      if (row.times.size() < 2 || row.times[0].minutes <= row.times[1].minutes) continue;
      Warn(row, row.times[0].column,
           "the sheet's arrival at " + Quoted(row.name.text) + ", " +
               Utf8From1252(row.times[0].text) + ", comes after its departure, " +
               Utf8From1252(row.times[1].text) + ": give the arrival first, then the departure");
    }
  }

  // The header names where the sheet runs from ("Da:") and to ("A:", and
  // the "Termine Scheda" box): the train's first and last stations.
  void CheckEnds() {
    if (train_.stations.empty()) return;
    const Station& first = train_.stations.front();
    const Station& last = train_.stations.back();
    const int table = rows_.front().line;
    for (int line = 1; line < table; ++line) {
      const std::string_view text = document_.lines[static_cast<std::size_t>(line) - 1];
      for (const auto& [label, station] : {std::pair{std::string_view("Da:"), &first},
                                           std::pair{std::string_view("A:"), &last}}) {
        std::size_t at = text.find(label);
        while (at != std::string_view::npos && at > 0 && !IsBlank(text[at - 1]) &&
               text[at - 1] != '|') {
          at = text.find(label, at + 1);
        }
        if (at == std::string_view::npos) continue;
        const std::size_t from = SkipBlanks(text, at + label.size());
        const Piece name = PieceOf(text, from, std::min(text.find('|', from), text.size()));
        CheckEnd(line, name, *station, station == &first ? "starts" : "ends");
      }
    }
    for (const BoxText& text : BoxUnder(document_, "Termine Scheda")) {
      CheckEnd(text.line, text.piece, last, "ends");
      break;
    }
  }

  void CheckEnd(int line, const Piece& name, const Station& station, const char* verb) {
    if (name.text.empty() || NameKey(name.text) == NameKey(station.name)) return;
    findings_.At(kRule, document_, line, name.column,
                 "the sheet's header names " + Quoted(name.text) + "; the train " + verb +
                     " at " + Quoted(station.name),
                 {&station.where, "the train's station record"});
  }

  void CheckSpeeds() {
    std::vector<std::size_t> changes;  // rows with a maximum speed
    for (std::size_t e = 0; e < rows_.size(); ++e) {
      if (!rows_[e].max_speed.text.empty()) changes.push_back(e);
    }
    const auto& speeds = train_.speeds;
    const auto sheet_speed = [&](std::size_t e) {
      return *WholeNumber(rows_[changes[e]].max_speed.text);
    };
    const Alignment alignment = Align(
        speeds.size(), changes.size(),
        [&](std::size_t r, std::size_t e) {
          return speeds[r].position == rows_[changes[e]].metres;
        },
        [&](std::size_t r, std::size_t e) {
          return speeds[r].changes && speeds[r].speed == sheet_speed(e);
        });
    for (std::size_t r = 0; r < speeds.size(); ++r) {
      if (alignment.entry_of[r] != kNone) {
        CheckSpeedRow(rows_[changes[alignment.entry_of[r]]], speeds[r], alignment.pairing[r]);
      } else if (speeds[r].changes) {
        const std::size_t next = NextPairedEntry(alignment, r);
        WarnSpeedMissing(speeds[r], next == kNone ? kNone : changes[next]);
      }
    }
    for (std::size_t e = 0; e < changes.size(); ++e) {
      // A row that repeats the speed in force changes nothing.
      if (alignment.entry_used[e] || (e > 0 && sheet_speed(e) == sheet_speed(e - 1))) continue;
      const SheetRow& row = rows_[changes[e]];
      Warn(row, row.max_speed.column,
           "the sheet changes the maximum speed to " + std::to_string(sheet_speed(e)) +
               " km/h at km " + Utf8From1252(row.kilometre.text) +
               "; the train has no speed record at " + std::to_string(row.metres) + " m");
    }
  }

  void CheckSpeedRow(const SheetRow& row, const SpeedRecord& speed, Pairing pairing) {
    const std::string record = "the train's speed record";
    const NamedRecord named{&speed.where, record};
    if (pairing == Pairing::kNear) {
      Warn(row, row.kilometre.column,
           "the sheet changes the maximum speed to " + std::to_string(speed.speed) +
               " km/h at km " + Utf8From1252(row.kilometre.text) + "; " + record +
               " changes it at " + std::to_string(speed.position) + " m (km " +
               KmText(speed.position) + ")",
           named);
    } else if (WholeNumber(row.max_speed.text) != speed.speed) {
      Warn(row, row.max_speed.column,
           "the sheet's maximum speed from km " + Utf8From1252(row.kilometre.text) + " is " +
               Utf8From1252(row.max_speed.text) + " km/h; " + record + " gives " +
               std::to_string(speed.speed) + " km/h",
           named);
    }
  }

  void WarnSpeedMissing(const SpeedRecord& speed, std::size_t next_row) {
    const std::string change = "the train's maximum speed changes to " +
                               std::to_string(speed.speed) + " km/h at km " +
                               KmText(speed.position) + "; ";
    const NamedRecord named{&speed.where, "the train's speed record"};
    if (first_row_at_.empty()) {
      for (std::size_t e = rows_.size(); e-- > 0;) first_row_at_[rows_[e].metres] = e;
    }
    const auto row = first_row_at_.find(speed.position);
    if (row != first_row_at_.end()) {
      Warn(rows_[row->second], rows_[row->second].max_speed.column,
           change + "the sheet's row at that kilometre leaves Vel. Max. blank", named);
      return;
    }
    WarnMissing(next_row, change + "the sheet has no row at that kilometre", named);
  }

  void CheckHeaderBoxes() {
    for (const BoxText& text : BoxUnder(document_, "Treno")) {
      const std::string_view box = text.piece.text;
      const std::size_t digit = box.find_first_of("0123456789");
      if (digit == std::string_view::npos) continue;
      std::size_t start = digit;  // the number with the characters joined to it
      while (start > 0 && IsNumberCharacter(box[start - 1])) --start;
      const std::string_view word = TokenAt(box, start);
      CheckTrainNumber(document_, text.line,
                       {NamesTrain(word, train_.number) ? train_.number : WithoutSentenceEnd(word),
                        text.piece.column + static_cast<int>(start)},
                       "the sheet's Treno box names", train_, findings_);
      break;
    }
    for (const BoxText& text : BoxUnder(document_, "Sigla di Composizione")) {
      for (const Percentage& stated : PercentagesIn(text.piece)) {
        CheckBrakedMass(document_, text.line, stated, train_, findings_);
      }
    }
  }

  const Document& document_;
  const Train& train_;
  Findings& findings_;
  std::vector<SheetRow> rows_;
  std::map<std::int64_t, std::size_t> first_row_at_;  // by metres, once needed
};

// ---------------------------------------------------------------------------
// The notes: free text; the train's line ("Treno R 5608 ...") and the braked mass.

void CheckNotes(const Document& document, const Train& train, Findings& findings) {
  for (std::size_t index = 0; index < document.lines.size(); ++index) {
    if (NameKey(document.lines[index]).rfind("TRENO", 0) != 0) continue;
    if (const auto mention = TrainNumberIn(document.lines[index], train.number)) {
      CheckTrainNumber(document, static_cast<int>(index) + 1, *mention, "the notes name", train,
                       findings);
    }
  }
  CheckBrakedMassLines(document, train, findings);
  CheckVehicleLines(document, train, findings, "crew-vehicles");
}

}  // namespace

std::vector<Diagnostic> CheckCrewDocuments(const CrewDocuments& documents,
                                           const std::vector<ReadRecord>& train_records,
                                           const std::string& train_number,
                                           const AuthorFile* train_text) {
  Findings findings(train_text);
  const Train train = TrainOf(train_records, train_number);
  if (documents.notes.bytes) CheckNotes(DocumentOf(documents.notes), train, findings);
  // A missing document is refused by the build already: nothing to compare.
  if (documents.slowdown_order.bytes) {
    const Document order = DocumentOf(documents.slowdown_order);
    SlowdownOrderCheck(order, train, findings).Run();
  }
  if (documents.timetable_sheet.bytes) {
    const Document sheet = DocumentOf(documents.timetable_sheet);
    TimetableSheetCheck(sheet, train, findings).Run();
  }
  return findings.Take();
}

}  // namespace packager::tool
