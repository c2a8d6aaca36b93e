#include "lsp/workspace.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "check/cell_holders.h"
#include "check/check.h"
#include "lsp/crew_rows.h"
#include "lsp/record_help.h"
#include "sources/scenario_folder.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tables/windows1252.h"

namespace packager::lsp {

namespace {

constexpr std::string_view kTrainSuffix = "-.txt";

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
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

// written: the keyword as the text has it (a curve's says its side and class).
std::string KeywordMarkdown(const grammar::RecordKind& kind, grammar::Part part,
                            std::string_view written) {
  std::string text = &kind == &grammar::kCurve
                         ? "**" + std::string(written) + "**: " + CurveText(written) + ", "
                         : "**" + std::string(kind.spelling) + "**: ";
  text += "a record of " + std::string(PartName(part)) +
                     "\n\n" + std::string(AuthorWords(kind)) + "\n\nFields in order:\n";
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

std::string FieldMarkdown(const TextRecord& record, std::size_t index) {
  const grammar::RecordKind& kind = *record.kind;
  const grammar::Field& field = kind.fields[index];
  const std::string& raw = record.fields[index + 1].text;
  std::string text = "**" + std::string(field.name) + "**: field " + std::to_string(index + 1) +
                     " of **" + std::string(kind.spelling) + "**" +
                     (field.unit.empty() ? "" : ", in " + std::string(field.unit)) + "\n\n";
  if (field.width == grammar::Width::kText) return text + "a text: \"" + raw + "\"";
  const std::optional<std::int64_t> value = NumberOf(raw);
  if (!value) return text + "\"" + raw + "\" is no number";
  text += "value " + WithUnit(*value, field.unit) + ": ";
  if (&kind == &grammar::kGradient && index == grammar::FieldIndex(kind, "gradient")) {
    text += "stored as the code " + std::to_string(grammar::GradientCode(*value)) +
            " (gradient + " + std::to_string(grammar::kGradientOffset) + ", one byte)";
  } else {
    text += StoredText(field, *value);
  }
  return text;
}

// Why a file that is there cannot be read, with the system's reason when it
// gave one, and what to do.
std::string UnreadableReason(ReadFault fault, int error) {
  std::string reason = ReadFaultReason(fault);
  if (fault != ReadFault::kCannotOpen && fault != ReadFault::kCannotRead) {
    return reason + "; put the text itself in its place";
  }
  if (error != 0) reason += " (" + std::generic_category().message(error) + ")";
  return reason + "; give the account the editor runs as the right to read it";
}

std::optional<ScenarioIdentity> IdentityIn(std::string_view text) {
  std::vector<FolderProblem> problems;
  return ParseIdentity(text, problems);
}

}  // namespace

std::string TooLargeReason(std::size_t bytes) {
  constexpr double kMiB = 1 << 20;
  char size[32];
  std::snprintf(size, sizeof size, "%.1f MiB", static_cast<double>(bytes) / kMiB);
  return std::string("the editor's text is ") + size + ", more than the " +
         std::to_string(kMaxDocumentBytes >> 20) +
         " MiB the language server takes; it is not checked: make it smaller, or run "
         "scenario-tool check on the saved file";
}

std::string DirectoryOf(const std::string& path) {
  return PathText(NativePath(path).parent_path());
}

std::string FileNameOf(const std::string& path) {
  return PathText(NativePath(path).filename());
}

bool Workspace::Open(const std::string& path, std::string text, int version) {
  const std::size_t size = text.size();
  const bool held = size <= kMaxDocumentBytes;
  documents_[path] = held ? OpenDocument{std::move(text), version, 0}
                          : OpenDocument{"", version, size};
  open_in_[DirectoryOf(path)].insert(path);
  disk_texts_.clear();
  return held;
}

void Workspace::Close(const std::string& path) {
  documents_.erase(path);
  const auto folder = open_in_.find(DirectoryOf(path));
  if (folder != open_in_.end()) {
    folder->second.erase(path);
    if (folder->second.empty()) open_in_.erase(folder);
  }
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
  if (const auto open = open_in_.find(directory); open != open_in_.end()) {
    for (const std::string& file : open->second) names.insert(FileNameOf(file));
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
  // A scenario's texts with no scenario.txt are a scenario folder missing
  // it, as check reads them; unless the author said the folder holds a
  // packager's texts, or they hold bytes that cannot be UTF-8. A folder
  // that is gone is no scenario.
  std::error_code error;
  if (!std::filesystem::is_directory(NativePath(directory), error)) return std::nullopt;
  if (found && !settings_.packager_texts && !HoldsPackagerBytes(directory)) {
    return ScenarioPlace{directory, false, "", ""};
  }
  return found;
}

const Workspace::FileText& Workspace::TextOf(const std::string& path) const {
  static const FileText kNone;
  const auto cached = disk_texts_.find(path);
  if (cached != disk_texts_.end()) return cached->second;
  FileText text;
  const OpenDocument* document = Find(path);
  if (document != nullptr) {
    if (document->refused_bytes != 0) return kNone;
  } else {
    const std::optional<ScenarioPlace> place = PlaceOf(path);
    if (TryReadWholeFile(path, text.owned) != ReadFault::kNone) return kNone;
    text.utf8 = !place || !place->packager_texts;
  }
  // In its place for good before anything refers to its bytes.
  FileText& kept = disk_texts_.emplace(path, std::move(text)).first->second;
  kept.text = document != nullptr ? std::string_view(document->text) : kept.owned;
  kept.lines = tool::LineIndex(kept.text);
  return kept;
}

std::map<std::string, std::vector<Diagnostic>> Workspace::Check(const std::string& path) {
  FolderCheck check = StartCheck(path);
  RunCheck(check);
  return FinishCheck(std::move(check));
}

Workspace::FolderCheck Workspace::StartCheck(const std::string& path) {
  disk_texts_.clear();
  FolderCheck check;
  check.path = path;
  check.directory = DirectoryOf(path);
  const std::optional<ScenarioPlace> place = PlaceOf(path);
  if (!place) {
    if (disk_stamps_.count(check.directory) != 0) {
      disk_stamps_[check.directory] = DiskStamp(check.directory);
    }
    return check;
  }
  check.scenario = true;
  const std::string& directory = place->directory;
  disk_stamps_[directory] = DiskStamp(directory);
  tool::ScenarioSources& sources = check.sources;
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
  // One that is there but cannot be read is said to be so, not missing.
  const auto load = [&](const std::string& name) {
    const std::string file = JoinPath(directory, name);
    if (const OpenDocument* document = Find(file)) {
      if (document->refused_bytes != 0) {
        check.unreadable[name] = TooLargeReason(document->refused_bytes);
      } else if (!place->packager_texts) {
        sources.files[name] = document->text;
      } else {
        std::vector<ConversionProblem> problems;
        Utf8To1252Substituting(document->text, sources.files[name], problems);
        if (!problems.empty()) check.unsaveable[name] = document->text;
      }
      return;
    }
    std::string bytes;
    errno = 0;
    const ReadFault fault = TryReadWholeFile(file, bytes);
    if (fault == ReadFault::kNone) {
      sources.files[name] = std::move(bytes);
    } else if (fault != ReadFault::kMissing) {
      check.unreadable[name] = UnreadableReason(fault, errno);
    }
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
  check.settings = settings_;
  check.cache = &check_caches_[directory];
  return check;
}

void Workspace::RunCheck(FolderCheck& check) {
  if (!check.scenario) return;
  tool::CheckResult checked =
      tool::CheckScenario(check.sources, {check.settings.error_limit}, check.cache);
  ApplySettings(check.settings, checked.diagnostics);
  for (const auto& [name, text] : check.unsaveable) {
    for (Diagnostic& diagnostic : CharactersOutside1252(name, text)) {
      checked.diagnostics.insert(checked.diagnostics.begin(), std::move(diagnostic));
    }
  }
  if (checked.stopped_after != 0) {
    Diagnostic note;
    note.severity = tool::Severity::kNote;
    note.rule = "error-limit";
    note.message = tool::StoppedNote(checked.stopped_after);
    checked.diagnostics.push_back(note);
  }
  for (const auto& unread : check.unreadable) {
    const std::string& name = unread.first;
    // It is there: no message may say it is missing, or that scenario.txt
    // names a text the folder does not hold.
    std::erase_if(checked.diagnostics, [&name](const Diagnostic& diagnostic) {
      return (diagnostic.path == name && diagnostic.line == 0 &&
              diagnostic.message.find("missing") != std::string::npos) ||
             diagnostic.message.find("names " + name + ", which the folder does not hold") !=
                 std::string::npos;
    });
    Diagnostic diagnostic;
    diagnostic.severity = tool::Severity::kError;
    diagnostic.path = name;
    diagnostic.message = "cannot be read: " + unread.second;
    checked.diagnostics.insert(checked.diagnostics.begin(), std::move(diagnostic));
  }
  check.diagnostics = std::move(checked.diagnostics);
}

std::map<std::string, std::vector<Diagnostic>> Workspace::FinishCheck(FolderCheck check) {
  std::map<std::string, std::vector<Diagnostic>> result;
  const std::string& directory = check.directory;
  if (!check.scenario) {
    // No scenario (any more: a folder renamed or removed): what was said of
    // its files is taken back.
    const auto published = published_.find(directory);
    if (published != published_.end()) {
      for (const std::string& file : published->second) {
        result[file];
        diagnostics_.erase(file);
      }
      published_.erase(published);
    }
    return result;
  }
  std::set<std::string>& published = published_[directory];
  for (const std::string& file : published) result[file];
  if (const auto open = open_in_.find(directory); open != open_in_.end()) {
    for (const std::string& file : open->second) result[file];
  }
  const std::string lead_file = JoinPath(directory, FileNameOf(check.path));
  WideningCache widening;
  for (Diagnostic& diagnostic : check.diagnostics) {
    diagnostic.path = diagnostic.path.empty() ? lead_file : JoinPath(directory, diagnostic.path);
    Widen(diagnostic, widening);
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

std::optional<Workspace::Identity> Workspace::IdentityOf(const std::string& path) const {
  const std::optional<ScenarioPlace> place = PlaceOf(path);
  if (!place) return std::nullopt;
  if (place->packager_texts) return Identity{place->directory, place->name, place->train};
  const FileText& scenario = TextOf(JoinPath(place->directory, kScenarioFileName));
  const std::optional<ScenarioIdentity> identity = IdentityIn(scenario.text);
  if (!identity) return std::nullopt;
  return Identity{place->directory, identity->name, identity->train};
}

std::optional<std::vector<TextSection>> Workspace::RecordsOf(const std::string& path) const {
  const std::optional<Identity> identity = IdentityOf(path);
  if (!identity) return std::nullopt;
  const std::string file = FileNameOf(path);
  const bool train = file == TrainDescriptionName(identity->name, identity->train);
  if (!train && file != LineDescriptionName(identity->name)) return std::nullopt;
  const OpenDocument* document = Find(path);
  if (document != nullptr && document->refused_bytes != 0) return std::nullopt;
  return ReadTextRecords(TextOf(path).text, train);
}

std::string Workspace::CellHolders(const std::string& path, const TextRecord& record,
                                   std::int64_t cell) const {
  const std::optional<Identity> identity = IdentityOf(path);
  if (!identity) return "";
  std::string holders;
  for (const std::string& name : {LineDescriptionName(identity->name),
                                  TrainDescriptionName(identity->name, identity->train)}) {
    const std::string file = JoinPath(identity->directory, name);
    const std::optional<std::vector<TextSection>> sections = RecordsOf(file);
    if (!sections) continue;
    for (const TextSection& section : *sections) {
      for (const TextRecord& other : section.records) {
        if (file == path && other.line == record.line) continue;
        const std::vector<std::int64_t> cells = tool::ObjectCells(AsReadRecord(other, name));
        if (std::find(cells.begin(), cells.end(), cell) == cells.end()) continue;
        holders += "\n- **" + std::string(other.kind->spelling) + "**, " + name + ":" +
                   std::to_string(other.line);
      }
    }
  }
  if (holders.empty()) return "nothing else is placed on cell " + std::to_string(cell);
  return "also on cell " + std::to_string(cell) + ":" + holders;
}

std::optional<HoverText> Workspace::Hover(const std::string& path, int line, int column) const {
  const std::optional<std::vector<TextSection>> sections = RecordsOf(path);
  if (!sections) return std::nullopt;
  for (const TextSection& section : *sections) {
    for (const TextRecord& record : section.records) {
      if (line < record.line || line > record.end_line) continue;
      for (std::size_t i = 0; i < record.fields.size(); ++i) {
        const TextField& field = record.fields[i];
        if (field.line != line || column < field.column || column > field.end_column ||
            field.text.empty()) {
          continue;
        }
        if (i == 0) {
          return HoverText{KeywordMarkdown(*record.kind, section.part, field.text), line,
                           field.column, field.end_column};
        }
        if (i - 1 >= record.kind->fields.size()) return std::nullopt;
        std::string markdown = FieldMarkdown(record, i - 1);
        const std::optional<std::int64_t> position = PositionOf(record);
        if (i == 1 && position && *position >= 0) {
          const std::optional<std::int64_t> cell = CellOfRecord(record);
          markdown += "\n\n" + PlaceText(*position, cell);
          if (cell) markdown += "\n\n" + CellHolders(path, record, *cell);
        }
        return HoverText{std::move(markdown), line, field.column, field.end_column};
      }
      return std::nullopt;
    }
  }
  return std::nullopt;
}

namespace {

std::optional<SymbolKind> OutlinedKind(const grammar::RecordKind& kind) {
  if (&kind == &grammar::kStation) return SymbolKind::kStation;
  if (&kind == &grammar::kSignal) return SymbolKind::kSignal;
  if (&kind == &grammar::kSlowdown) return SymbolKind::kSlowdown;
  return std::nullopt;
}

std::string RecordDetail(const TextRecord& record) {
  const std::optional<std::int64_t> position = PositionOf(record);
  return position ? PlaceText(*position, CellOfRecord(record)) : "";
}

int LastColumn(const TextRecord& record) {
  return record.fields.empty() ? 1 : record.fields.back().end_column;
}

}  // namespace

std::vector<Symbol> Workspace::Symbols(const std::string& path) const {
  std::vector<Symbol> symbols;
  const std::optional<std::vector<TextSection>> sections = RecordsOf(path);
  if (!sections) return symbols;
  for (const TextSection& section : *sections) {
    Symbol outline;
    outline.name = section.header.empty() ? "(before any section)" : section.header;
    const int header_end = static_cast<int>(section.header.size()) + 1;
    outline.range = {path, section.line, 1, section.end_line + 1, 1};
    outline.selection = {path, section.line, 1, section.line, header_end};
    for (const TextRecord& record : section.records) {
      const std::optional<SymbolKind> kind = OutlinedKind(*record.kind);
      if (!kind) continue;
      Symbol entry;
      entry.kind = *kind;
      entry.detail = RecordDetail(record);
      const std::size_t name_index = grammar::FieldIndex(*record.kind, "name") + 1;
      if (*kind == SymbolKind::kStation && name_index < record.fields.size()) {
        entry.name = record.fields[name_index].text;
      } else {
        entry.name = std::string(record.kind->spelling);
        const std::optional<std::int64_t> position = PositionOf(record);
        if (position) entry.name += " " + PlaceText(*position, std::nullopt);
      }
      if (entry.name.empty()) entry.name = std::string(record.kind->spelling);
      const TextField& keyword = record.fields.front();
      entry.range = {path, record.line, keyword.column, record.end_line, LastColumn(record)};
      entry.selection = {path, record.line, keyword.column, record.line, keyword.end_column};
      outline.children.push_back(std::move(entry));
    }
    symbols.push_back(std::move(outline));
  }
  return symbols;
}

std::vector<InlayHint> Workspace::InlayHints(const std::string& path, int first,
                                             int last) const {
  std::vector<InlayHint> hints;
  const std::optional<std::vector<TextSection>> sections = RecordsOf(path);
  if (!sections) return hints;
  for (const TextSection& section : *sections) {
    for (const TextRecord& record : section.records) {
      const std::optional<std::int64_t> position = PositionOf(record);
      if (!position || *position < 0) continue;
      const TextField& field = record.fields[1];
      if (field.line < first || field.line > last) continue;
      hints.push_back({field.line, field.end_column, PlaceText(*position, CellOfRecord(record))});
    }
  }
  return hints;
}

namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

Place KeywordPlace(const std::string& path, const TextRecord& record) {
  const TextField& keyword = record.fields.front();
  return {path, record.line, keyword.column, record.line, keyword.end_column};
}

}  // namespace

std::optional<Place> Workspace::Definition(const std::string& path, int line,
                                           int column) const {
  const std::optional<Identity> identity = IdentityOf(path);
  if (!identity) return std::nullopt;
  const std::string file = FileNameOf(path);
  const bool sheet = file == TimetableSheetName(identity->name, identity->train);
  const bool order = file == SlowdownOrderName(identity->name, identity->train);
  if (!sheet && !order && file != NotesName(identity->name, identity->train)) return std::nullopt;
  const std::string train =
      JoinPath(identity->directory, TrainDescriptionName(identity->name, identity->train));
  const std::optional<std::vector<TextSection>> sections = RecordsOf(train);
  if (!sections) return std::nullopt;
  std::vector<const TextRecord*> stations;
  std::vector<const TextRecord*> slowdowns;
  std::vector<const TextRecord*> speeds;
  std::vector<const TextRecord*> signals;
  for (const TextSection& section : *sections) {
    for (const TextRecord& record : section.records) {
      if (record.kind == &grammar::kStation) stations.push_back(&record);
      if (record.kind == &grammar::kSlowdown) slowdowns.push_back(&record);
      if (record.kind == &grammar::kSpeed) speeds.push_back(&record);
      if (record.kind == &grammar::kSignal) signals.push_back(&record);
    }
  }
  const std::string row(TextOf(path).lines.Line(line));
  if (order) {
    // The order numbers its rows: row N is the train's Nth slowdown.
    for (const std::string_view cell : RowCells(row)) {
      const std::optional<std::int64_t> number = NumberOf(Trimmed(cell));
      if (!number) continue;
      if (*number < 1 || *number > static_cast<std::int64_t>(slowdowns.size())) break;
      return KeywordPlace(train, *slowdowns[static_cast<std::size_t>(*number - 1)]);
    }
  }
  if (sheet) {
    // The sheet's rows stand at the kilometre of a station, a speed change
    // or a signal.
    if (const std::optional<KilometreMark> kilometre = KilometreIn(row)) {
      for (const auto* records : {&stations, &speeds, &signals}) {
        for (const TextRecord* record : *records) {
          if (PositionOf(*record) == kilometre->metres) return KeywordPlace(train, *record);
        }
      }
    }
  }
  // A station named in the row: the one the cursor is on, else the longest name.
  const std::string upper = Upper(row);
  const std::size_t cursor = static_cast<std::size_t>(std::max(column - 1, 0));
  const TextRecord* best = nullptr;
  std::size_t best_length = 0;
  bool best_covers = false;
  for (const TextRecord* record : stations) {
    const std::size_t name_index = grammar::FieldIndex(grammar::kStation, "name") + 1;
    if (name_index >= record->fields.size()) continue;
    const std::string name = Upper(record->fields[name_index].text);
    if (name.empty()) continue;
    for (std::size_t at = upper.find(name); at != std::string::npos;
         at = upper.find(name, at + 1)) {
      const bool covers = cursor >= at && cursor < at + name.size();
      if ((covers && !best_covers) || (covers == best_covers && name.size() > best_length)) {
        best = record;
        best_length = name.size();
        best_covers = covers;
      }
    }
  }
  if (best != nullptr) return KeywordPlace(train, *best);
  return std::nullopt;
}

int Workspace::Utf16Offset(const std::string& path, int line, int column) const {
  if (line <= 0 || column <= 1) return 0;
  const FileText& file = TextOf(path);
  if (!file.utf8) return column - 1;
  const std::string_view text = file.lines.Line(line);
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
  const std::string_view text = file.lines.Line(line);
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


// ------------------------------------------------ widening and completion

void Workspace::Widen(Diagnostic& diagnostic, WideningCache& cache) const {
  if (diagnostic.line <= 0 || diagnostic.end_column > 0) return;
  auto read = cache.find(diagnostic.path);
  if (read == cache.end()) {
    const FileText& file = TextOf(diagnostic.path);
    read = cache.try_emplace(diagnostic.path, RecordsOf(diagnostic.path), file.text, file.utf8)
               .first;
  }
  const WidenedText& text = read->second;
  if (!text.sections || !text.utf8) return;
  WidenToText(diagnostic, *text.sections, text.lines.Line(diagnostic.line));
}

CompletionContext Workspace::CompletionAt(const std::string& path, int line, int column) const {
  CompletionContext context;
  const std::optional<std::vector<TextSection>> sections = RecordsOf(path);
  if (!sections || sections->empty()) return context;
  const std::string text(TextOf(path).text);
  if (line <= NotesEndLine(text) || NotesEndLine(text) < 0) return context;
  const std::string_view line_text = tool::LineIndex(text).Line(line);
  const RecordAt at = FindRecordAt(*sections, line, column);
  grammar::Part part = sections->front().part;
  for (const TextSection& section : *sections) {
    if (section.line < line) part = section.part;
  }
  if (line_text.find('[') != std::string_view::npos &&
      line_text.find_first_not_of(" \t") == line_text.find('[')) {
    return context;  // a header
  }
  if (at.record != nullptr) {
    const int typed = FieldBeingTyped(*at.record, line, column, line_text);
    if (typed > 0) {
      context.kind = at.record->kind;
      context.field = typed;
      return context;
    }
  }
  context.keywords = KeywordChoices(part);
  return context;
}

}  // namespace packager::lsp
