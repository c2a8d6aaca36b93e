#include "lsp/workspace.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <utility>

#include "check/check.h"
#include "sources/scenario_folder.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tables/windows1252.h"

namespace packager::lsp {

namespace {

constexpr std::string_view kTrainSuffix = "-.txt";

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lowered;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A field of a line: its text (blanks around dropped) and its characters
// [column, end_column), from 1.
struct LineField {
  std::string_view text;
  int column = 0;
  int end_column = 0;
};

// Characters from 1 of a byte offset of a UTF-8 line.
int CharacterAt(std::string_view line, std::size_t offset) {
  int column = 1;
  for (std::size_t i = 0; i < offset && i < line.size(); ++i) {
    if (!IsContinuation(static_cast<unsigned char>(line[i]))) ++column;
  }
  return column;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The fields of a record on one line as the field stream reads them: the
// keyword and each text field run to a comma, a number field to a blank or a
// comma (the blanks after it and one comma belong to its separation).
std::vector<LineField> FieldsOf(std::string_view line, const grammar::RecordKind* kind) {
  std::vector<LineField> fields;
  std::size_t at = 0;
  const auto skip_blanks = [&line](std::size_t from) {
    while (from < line.size() && IsBlank(line[from])) ++from;
    return from;
  };
  for (std::size_t index = 0; at <= line.size(); ++index) {
    const bool text = index == 0 || kind == nullptr || index > kind->fields.size() ||
                      kind->fields[index - 1].width == grammar::Width::kText;
    const std::size_t begin = skip_blanks(at);
    std::size_t end = begin;
    while (end < line.size() && line[end] != ',' && (text || !IsBlank(line[end]))) ++end;
    const std::string_view value = Trimmed(line.substr(begin, end - begin));
    fields.push_back({value, CharacterAt(line, begin), CharacterAt(line, begin + value.size())});
    at = skip_blanks(end);
    if (at >= line.size()) break;
    if (line[at] == ',') ++at;
  }
  return fields;
}

std::optional<std::int64_t> NumberOf(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

const grammar::RecordKind* KindOf(grammar::Part part, std::string_view keyword) {
  if (Trimmed(keyword).empty()) return nullptr;
  for (const grammar::RecordKind* kind : grammar::RecordsOf(part)) {
    if (grammar::Matches(*kind, keyword)) return kind;
  }
  return nullptr;
}

const char* PartName(grammar::Part part) {
  switch (part) {
    case grammar::Part::kLineGeneral:
      return "the line description's [generale] part";
    case grammar::Part::kLineBody:
      return "the line description's body";
    case grammar::Part::kTrain:
      return "the train description";
  }
  return "";
}

std::string FieldLine(const grammar::Field& field) {
  std::string line = std::string(field.name);
  if (!field.unit.empty()) line += " (" + std::string(field.unit) + ")";
  if (field.width == grammar::Width::kText) return line + ", a text";
  if (field.step > 1) line += ", a multiple of " + std::to_string(field.step);
  return line;
}

std::string KeywordMarkdown(const grammar::RecordKind& kind, grammar::Part part) {
  std::string text = "**" + std::string(kind.spelling) + "**: a record of " + PartName(part) +
                     "\n\n" + std::string(kind.effect) + "\n\nFields in order:\n";
  int number = 1;
  for (const grammar::Field& field : kind.fields) {
    text += std::to_string(number++) + ". " + FieldLine(field) + "\n";
  }
  return text;
}

std::string WithUnit(std::int64_t value, std::string_view unit) {
  return std::to_string(value) + (unit.empty() ? "" : " " + std::string(unit));
}

// How the packager keeps a field's value.
std::string StoredText(const grammar::Field& field, std::int64_t value) {
  using grammar::Keep;
  const bool meant = value >= field.low && value <= field.high;
  if (value < grammar::WidthLow(field.width) || value > grammar::WidthHigh(field.width)) {
    return "refused: it does not fit the field's width";
  }
  if (field.step > 1 && field.unit == "km/h") {
    const std::int64_t stored = grammar::SpeedCode(value) * grammar::kSpeedStep;
    if (field.keep == Keep::kRefused && !meant)
      return "refused: outside " + std::to_string(field.low) + " to " + std::to_string(field.high);
    return "stored as " + WithUnit(stored, field.unit) + " (steps of " +
           std::to_string(field.step) + ", rounded half to even)";
  }
  switch (field.keep) {
    case Keep::kWhole:
      return "stored as " + WithUnit(value, field.unit);
    case Keep::kLowByte:
      return "stored as the byte " + std::to_string(value & 0xFF) +
             (meant ? "" : " (only the low byte is kept)");
    case Keep::kLowInt16:
      return "stored as " + std::to_string(static_cast<std::int16_t>(value & 0xFFFF)) +
             (meant ? "" : " (only the low 16 bits are kept)");
    case Keep::kDigit:
      return meant ? "stored as the digit " + std::to_string(value)
                   : "a digit of a packed member: " + std::to_string(value) +
                         " spills into the next digit";
    case Keep::kRefused:
      if (!meant) {
        return "refused: outside " + std::to_string(field.low) + " to " +
               std::to_string(field.high);
      }
      if (field.step > 1 && value % field.step != 0) {
        return "refused: not a multiple of " + std::to_string(field.step);
      }
      return "stored as " + WithUnit(value, field.unit);
    case Keep::kPlaces:
      return "not stored: it says where, or how far, the record reaches";
  }
  return "";
}

std::string FieldMarkdown(const grammar::RecordKind& kind, std::size_t index,
                          std::string_view raw) {
  const grammar::Field& field = kind.fields[index];
  std::string text = "**" + std::string(field.name) + "**: field " + std::to_string(index + 1) +
                     " of **" + std::string(kind.spelling) + "**" +
                     (field.unit.empty() ? "" : ", in " + std::string(field.unit)) + "\n\n";
  if (field.width == grammar::Width::kText) return text + "a text: \"" + std::string(raw) + "\"";
  const std::optional<std::int64_t> value = NumberOf(raw);
  if (!value) return text + "\"" + std::string(raw) + "\" is no number";
  text += "value " + WithUnit(*value, field.unit) + ": ";
  if (&kind == &grammar::kGradient && index == grammar::FieldIndex(kind, "gradient")) {
    text += "stored as the code " + std::to_string(grammar::GradientCode(*value)) +
            " (gradient + " + std::to_string(grammar::kGradientOffset) + ", one byte)";
  } else {
    text += StoredText(field, *value);
  }
  if (index == 0 && *value >= 0 &&
      (kind.cell_rule == grammar::CellRule::kCell ||
       kind.cell_rule == grammar::CellRule::kBoardCell)) {
    text += "\n\nkm " + std::to_string(*value / 1000) + "+" +
            std::to_string(1000 + *value % 1000).substr(1) + ", cell " +
            std::to_string(grammar::CellBy(kind.cell_rule, *value));
  }
  return text;
}

std::optional<ScenarioIdentity> IdentityIn(const std::string& text) {
  std::vector<FolderProblem> problems;
  return ParseIdentity(text, problems);
}

}  // namespace

std::string DirectoryOf(const std::string& path) {
  return std::filesystem::path(path).parent_path().string();
}

std::string FileNameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

void Workspace::Open(const std::string& path, std::string text, int version) {
  documents_[path] = {std::move(text), version};
  disk_texts_.clear();
}

void Workspace::Close(const std::string& path) {
  documents_.erase(path);
  disk_texts_.clear();
}

const OpenDocument* Workspace::Find(const std::string& path) const {
  const auto found = documents_.find(path);
  return found == documents_.end() ? nullptr : &found->second;
}

std::optional<ScenarioPlace> Workspace::PlaceOf(const std::string& path) const {
  const std::string directory = DirectoryOf(path);
  const std::string scenario_file = JoinPath(directory, kScenarioFileName);
  if (Find(scenario_file) != nullptr || FileExists(scenario_file)) {
    return ScenarioPlace{directory, false, "", ""};
  }
  // Texts a packager hands over: the train description NAME_NUMBER-.txt of
  // a scenario whose name starts the file's own.
  std::set<std::string> names;
  for (const std::string& name : ScenarioTextsIn(directory)) names.insert(name);
  for (const auto& [open, document] : documents_) {
    if (DirectoryOf(open) == directory) names.insert(FileNameOf(open));
  }
  const std::string file = FileNameOf(path);
  std::optional<ScenarioPlace> found;
  for (const std::string& name : names) {
    if (!name.ends_with(kTrainSuffix)) continue;
    const std::string stem = name.substr(0, name.size() - kTrainSuffix.size());
    const std::size_t cut = stem.rfind('_');
    if (cut == std::string::npos || cut == 0 || cut + 1 == stem.size()) continue;
    ScenarioPlace place{directory, true, stem.substr(0, cut), stem.substr(cut + 1)};
    if (!file.starts_with(place.name + "_")) continue;
    // Of several, the one whose line description is there.
    if (!found || names.count(LineDescriptionName(place.name)) != 0) found = place;
  }
  return found;
}

const Workspace::FileText& Workspace::TextOf(const std::string& path) const {
  static const FileText kNone;
  const auto cached = disk_texts_.find(path);
  if (cached != disk_texts_.end()) return cached->second;
  FileText text;
  if (const OpenDocument* document = Find(path)) {
    text.text = document->text;
  } else {
    const std::optional<ScenarioPlace> place = PlaceOf(path);
    if (TryReadWholeFile(path, text.text) != ReadFault::kNone) return kNone;
    text.utf8 = !place || !place->packager_texts;
  }
  return disk_texts_.emplace(path, std::move(text)).first->second;
}

std::map<std::string, std::vector<Diagnostic>> Workspace::Check(const std::string& path) {
  disk_texts_.clear();
  std::map<std::string, std::vector<Diagnostic>> result;
  const std::optional<ScenarioPlace> place = PlaceOf(path);
  if (!place) return result;
  const std::string& directory = place->directory;
  tool::ScenarioSources sources;
  sources.packager_texts = place->packager_texts;
  sources.name = place->name;
  sources.train = place->train;
  std::vector<std::string> names;
  if (place->packager_texts) {
    names = {LineDescriptionName(place->name), TrainDescriptionName(place->name, place->train),
             NotesName(place->name, place->train), SlowdownOrderName(place->name, place->train),
             TimetableSheetName(place->name, place->train)};
  } else {
    names = {kScenarioFileName};
    sources.other_files = ScenarioTextsIn(directory);
  }
  // A file open in the editor counts as it is there; the others as on disk.
  const auto load = [&](const std::string& name) {
    const std::string file = JoinPath(directory, name);
    if (const OpenDocument* document = Find(file)) {
      if (!place->packager_texts) {
        sources.files[name] = document->text;
      } else {
        std::vector<ConversionProblem> problems;
        Utf8To1252Substituting(document->text, sources.files[name], problems);
      }
      return;
    }
    std::string bytes;
    if (TryReadWholeFile(file, bytes) == ReadFault::kNone) sources.files[name] = std::move(bytes);
  };
  for (const std::string& name : names) load(name);
  if (!place->packager_texts) {
    const auto scenario = sources.files.find(kScenarioFileName);
    if (scenario != sources.files.end()) {
      if (const std::optional<ScenarioIdentity> identity = IdentityIn(scenario->second)) {
        for (const std::string& name : {LineDescriptionName(identity->name),
                                        TrainDescriptionName(identity->name, identity->train),
                                        NotesName(identity->name, identity->train),
                                        SlowdownOrderName(identity->name, identity->train),
                                        TimetableSheetName(identity->name, identity->train)}) {
          load(name);
        }
      }
    }
  }
  tool::CheckResult checked = tool::CheckScenario(sources, {}, &check_caches_[directory]);
  if (checked.stopped_after != 0) {
    Diagnostic note;
    note.severity = tool::Severity::kNote;
    note.rule = "error-limit";
    note.message = tool::StoppedNote(checked.stopped_after);
    checked.diagnostics.push_back(note);
  }
  std::set<std::string>& published = published_[directory];
  for (const std::string& file : published) result[file];
  for (const auto& [open, document] : documents_) {
    if (DirectoryOf(open) == directory) result[open];
  }
  const std::string lead_file = JoinPath(directory, FileNameOf(path));
  for (Diagnostic& diagnostic : checked.diagnostics) {
    diagnostic.path = diagnostic.path.empty() ? lead_file : JoinPath(directory, diagnostic.path);
    for (tool::RelatedPlace& related : diagnostic.related) {
      related.path = JoinPath(directory, related.path);
    }
    for (tool::Fix& fix : diagnostic.fixes) {
      for (tool::TextEdit& edit : fix.edits) edit.path = JoinPath(directory, edit.path);
    }
    result[diagnostic.path].push_back(std::move(diagnostic));
  }
  published.clear();
  for (const auto& [file, diagnostics] : result) {
    diagnostics_[file] = diagnostics;
    if (!diagnostics.empty()) published.insert(file);
  }
  return result;
}

std::vector<Diagnostic> Workspace::DiagnosticsOn(const std::string& path, int first,
                                                 int last) const {
  std::vector<Diagnostic> found;
  const auto held = diagnostics_.find(path);
  if (held == diagnostics_.end()) return found;
  for (const Diagnostic& diagnostic : held->second) {
    const int end = std::max(diagnostic.line, diagnostic.end_line);
    if (diagnostic.line <= last && end >= first) found.push_back(diagnostic);
  }
  return found;
}

std::optional<grammar::Part> Workspace::SectionAt(const std::string& path, int line) const {
  const std::optional<ScenarioPlace> place = PlaceOf(path);
  if (!place) return std::nullopt;
  std::string name = place->name;
  std::string train = place->train;
  if (!place->packager_texts) {
    const FileText& scenario = TextOf(JoinPath(place->directory, kScenarioFileName));
    const std::optional<ScenarioIdentity> identity = IdentityIn(scenario.text);
    if (!identity) return std::nullopt;
    name = identity->name;
    train = identity->train;
  }
  const std::string file = FileNameOf(path);
  if (file == TrainDescriptionName(name, train)) return grammar::Part::kTrain;
  if (file != LineDescriptionName(name)) return std::nullopt;
  // The last header above the line says the part.
  const tool::LineIndex lines(TextOf(path).text);
  for (int number = line - 1; number >= 1; --number) {
    const std::string_view text = Trimmed(lines.Line(number));
    if (!text.starts_with('[')) continue;
    return Lowered(text).find(grammar::kGeneralHeader) != std::string::npos
               ? grammar::Part::kLineGeneral
               : grammar::Part::kLineBody;
  }
  return grammar::Part::kLineGeneral;
}

std::optional<HoverText> Workspace::Hover(const std::string& path, int line, int column) const {
  const std::optional<grammar::Part> part = SectionAt(path, line);
  if (!part) return std::nullopt;
  const tool::LineIndex lines(TextOf(path).text);
  const std::string_view text = lines.Line(line);
  const grammar::RecordKind* kind = KindOf(*part, FieldsOf(text, nullptr).front().text);
  if (kind == nullptr) return std::nullopt;
  const std::vector<LineField> fields = FieldsOf(text, kind);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const LineField& field = fields[i];
    if (column < field.column || column > field.end_column || field.text.empty()) continue;
    if (i == 0)
      return HoverText{KeywordMarkdown(*kind, *part), line, field.column, field.end_column};
    if (i - 1 >= kind->fields.size()) return std::nullopt;
    return HoverText{FieldMarkdown(*kind, i - 1, field.text), line, field.column, field.end_column};
  }
  return std::nullopt;
}

std::vector<const grammar::RecordKind*> Workspace::KeywordsAt(const std::string& path,
                                                              int line) const {
  const std::optional<grammar::Part> part = SectionAt(path, line);
  if (!part) return {};
  const auto records = grammar::RecordsOf(*part);
  return {records.begin(), records.end()};
}

int Workspace::Utf16Offset(const std::string& path, int line, int column) const {
  if (line <= 0 || column <= 1) return 0;
  const FileText& file = TextOf(path);
  if (!file.utf8) return column - 1;
  const std::string_view text = tool::LineIndex(file.text).Line(line);
  int offset = 0;
  int characters = 0;
  std::size_t i = 0;
  for (; i < text.size() && characters < column - 1; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (IsContinuation(byte)) continue;
    ++characters;
    offset += byte >= 0xF0 ? 2 : 1;
  }
  return offset + (column - 1 - characters);  // past the line's end: one unit each
}

int Workspace::ColumnOf(const std::string& path, int line, int utf16_offset) const {
  const FileText& file = TextOf(path);
  if (!file.utf8) return utf16_offset + 1;
  const std::string_view text = tool::LineIndex(file.text).Line(line);
  int offset = 0;
  int column = 1;
  for (std::size_t i = 0; i < text.size() && offset < utf16_offset; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (IsContinuation(byte)) continue;
    ++column;
    offset += byte >= 0xF0 ? 2 : 1;
  }
  return column + std::max(0, utf16_offset - offset);
}

}  // namespace packager::lsp
