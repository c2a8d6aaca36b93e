// What the language server knows, free of the protocol: the documents an
// editor holds open (their whole text, saved or not), the scenario folder
// each belongs to, the checker's diagnostics on a folder (its open texts over
// the files on disk), the fixes among them, what a keyword or a field means
// (from the grammar model) and the keywords a section takes.
//
// Files are named by their paths; lines count from 1 and columns count
// characters from 1, as the checker's diagnostics do.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "check/check.h"
#include "check/diagnostics.h"
#include "compiler/grammar.h"
#include "lsp/record_help.h"
#include "lsp/settings.h"
#include "lsp/text_records.h"

namespace packager::lsp {

using tool::Diagnostic;

// The scenario a text belongs to: a scenario folder (it holds scenario.txt;
// UTF-8 texts) or a folder of the texts a packager hands over (Windows-1252),
// the scenario's name and train taken from the file names NAME_linea.txt and
// NAME_NUMBER-.txt.
struct ScenarioPlace {
  std::string directory;
  bool packager_texts = false;
  std::string name;
  std::string train;
};

// The largest text the server holds for an editor; a larger one is refused
// (the guide, docs/authoring.md, states it).
inline constexpr std::size_t kMaxDocumentBytes = std::size_t{16} << 20;

struct OpenDocument {
  std::string text;  // UTF-8, as the editor sends it; empty when refused
  int version = 0;
  std::size_t refused_bytes = 0;  // the size of a text refused for its size
};

// A range of a file: from line and column to end_line and end_column.
struct Place {
  std::string path;
  int line = 0;
  int column = 0;
  int end_line = 0;
  int end_column = 0;
};

// An entry of a description text's outline: a section, and in it the
// records an author looks for (stations, signals and slowdowns).
enum class SymbolKind { kSection, kStation, kSignal, kSlowdown };
struct Symbol {
  SymbolKind kind = SymbolKind::kSection;
  std::string name;    // "[stazioni]", "MONTEGRISO", "segnale km 1+750"
  std::string detail;  // where it lands: "km 28+700, cell 575"
  Place range;         // all of its lines
  Place selection;     // its header or keyword
  std::vector<Symbol> children;
};

// A note shown after a field: where a position lands.
struct InlayHint {
  int line = 0;
  int column = 0;  // the character it stands before
  std::string label;
};

// What the cursor rests on, said for people (Markdown), and the range of
// the word or field it explains.
struct HoverText {
  std::string markdown;
  int line = 0;
  int column = 0;
  int end_column = 0;
};

// A description text as the server reads it: its text, whether it is the
// train description, and whether its columns count UTF-8 characters.
struct DescriptionText {
  std::string text;
  bool train = false;
  bool utf8 = true;
};

// A place a station is named (station_names.cc), or a record is referred to
// (record_references.cc): the name or number as written there, whether it
// is a record's field (a station's name, a record's position), and in a table
// of a crew document the character that fills a name's cell after it ('.' or
// ' '; 0 for none) and how many of them follow.
struct StationOccurrence {
  Place place;
  std::string written;
  bool record = false;  // a record's field
  bool table = false;
  char filler = 0;
  int filler_length = 0;
};

// What a completion offers at a place of a description text: the keywords
// that may start a record there, or, inside a record, the field being typed
// (field from 1; 0 for none).
struct CompletionContext {
  std::vector<KeywordChoice> keywords;
  const grammar::RecordKind* kind = nullptr;
  int field = 0;
};

class Workspace {
 public:
  // Open and Change hold the text; Close forgets it (the file on disk counts
  // again). A text larger than kMaxDocumentBytes is refused: Open returns
  // false, the file is not checked (its check says why) and answers nothing.
  bool Open(const std::string& path, std::string text, int version);
  void Close(const std::string& path);
  const OpenDocument* Find(const std::string& path) const;

  // The scenario of the file at path; none for a file of no scenario.
  std::optional<ScenarioPlace> PlaceOf(const std::string& path) const;

  // Checks the scenario of path. The result has an entry for every file that
  // is open in its folder, that has diagnostics now or had some at the last
  // check (then empty): what an editor must be told. Diagnostics name files
  // by their full paths. Empty for a file of no scenario.
  std::map<std::string, std::vector<Diagnostic>> Check(const std::string& path);

  // Check in three steps, so that the long one may run on another thread:
  // StartCheck reads what the check of path's folder needs (the open texts,
  // the files on disk, the settings); RunCheck checks it, touching nothing
  // of the workspace but the folder's check cache (one check of a folder at
  // a time); FinishCheck keeps its diagnostics and returns what Check does.
  struct FolderCheck {
    std::string path;
    std::string directory;
    bool scenario = false;  // false: no scenario (any more), what was said is taken back
    tool::ScenarioSources sources;
    std::map<std::string, std::string> unreadable;  // why, by name
    std::map<std::string, std::string> unsaveable;  // open texts 1252 cannot hold, by name
    Settings settings;
    tool::CheckCache* cache = nullptr;
    std::vector<Diagnostic> diagnostics;  // RunCheck's, files named within the folder
  };
  FolderCheck StartCheck(const std::string& path);
  static void RunCheck(FolderCheck& check);
  std::map<std::string, std::vector<Diagnostic>> FinishCheck(FolderCheck check);

  // The diagnostics of the last check on a file whose range meets lines
  // first to last.
  std::vector<Diagnostic> DiagnosticsOn(const std::string& path, int first, int last) const;

  // The keyword or the field at a place of a description text.
  std::optional<HoverText> Hover(const std::string& path, int line, int column) const;

  // The outline of a description text; empty for any other file.
  std::vector<Symbol> Symbols(const std::string& path) const;

  // Where each position field of lines first to last lands, after the field.
  std::vector<InlayHint> InlayHints(const std::string& path, int first, int last) const;

  // The train description's record that a row of a crew document (the
  // timetable sheet, the notes, the slowdown order) describes.
  std::optional<Place> Definition(const std::string& path, int line, int column) const;

  // The settings the checks follow (settings.h).
  void Configure(const Settings& settings) { settings_ = settings; }
  const Settings& settings() const { return settings_; }
  // The files the editor holds open.
  std::vector<std::string> OpenPaths() const;

  // Files changed on disk (disk_changes.cc): ForgetDiskTexts drops what was
  // read of them; FoldersChangedOnDisk gives, for each folder checked or
  // open whose texts changed on disk since its last check (or that is gone),
  // a file of it to check it by: of every such folder, or of `only` alone.
  void ForgetDiskTexts() { disk_texts_.clear(); }
  std::vector<std::string> FoldersChangedOnDisk(
      const std::optional<std::string>& only = std::nullopt) const;

  // What a completion offers at a line and column of a text.
  CompletionContext CompletionAt(const std::string& path, int line, int column) const;

  // The line or train description at path; none for any other file.
  std::optional<DescriptionText> DescriptionOf(const std::string& path) const;

  // Every place the station named at a place of the train description or a
  // crew document is named: its records first, then the crew documents'
  // rows. Empty when no station is named there.
  std::vector<StationOccurrence> StationNamed(const std::string& path, int line,
                                              int column) const;

  // Where a record placed along the line is referred to (record_references.cc):
  // a station, signal or speed change by its position, in the timetable
  // sheet's rows ("12.350") and in the notes ("km 12+350"); a slowdown by its
  // number in the slowdown order's rows. The records are those at the place
  // (a record of the train description, a row of the sheet or the order, a
  // kilometre of the notes): their position fields first (record true),
  // then every place of the crew documents that refers to them. Empty when
  // nothing placed is referred to there.
  std::vector<StationOccurrence> RecordReferences(const std::string& path, int line,
                                                  int column) const;

  // A column (characters from 1) of a line of a file as UTF-16 code units
  // from 0, and back.
  int Utf16Offset(const std::string& path, int line, int column) const;
  int ColumnOf(const std::string& path, int line, int utf16_offset) const;

 private:
  // The text of a file as the editor holds it, else as the disk does; how
  // columns of it count, and where its lines start (built once for the
  // document's version: every conversion of a position uses it).
  struct FileText {
    std::string owned;      // a text read from disk
    std::string_view text;  // the open document's, or owned
    bool utf8 = true;
    tool::LineIndex lines{""};
  };
  const FileText& TextOf(const std::string& path) const;
  // The scenario's name and train of a file of its folder.
  struct Identity {
    std::string directory;
    std::string name;
    std::string train;
  };
  std::optional<Identity> IdentityOf(const std::string& path) const;
  // Widens a diagnostic of one character to its field or record; the
  // cache keeps each text's records for the next.
  struct WidenedText {
    WidenedText(std::optional<std::vector<TextSection>> read, std::string_view text, bool utf8_)
        : sections(std::move(read)), lines(text), utf8(utf8_) {}
    std::optional<std::vector<TextSection>> sections;
    tool::LineIndex lines;
    bool utf8;
  };
  using WideningCache = std::map<std::string, WidenedText>;
  void Widen(Diagnostic& diagnostic, WideningCache& cache) const;
  // The sections of a description text; none for another file.
  std::optional<std::vector<TextSection>> RecordsOf(const std::string& path) const;
  // What other records of the scenario's descriptions put on a cell.
  std::string CellHolders(const std::string& path, const TextRecord& record,
                          std::int64_t cell) const;

  std::map<std::string, OpenDocument> documents_;
  std::map<std::string, std::set<std::string>> open_in_;  // open files by folder
  std::map<std::string, std::vector<Diagnostic>> diagnostics_;  // by file
  std::map<std::string, std::set<std::string>> published_;      // files by folder
  mutable std::map<std::string, FileText> disk_texts_;          // read since the last check
  // What a check of a folder keeps for the next: while only the train
  // description changes, its line description is not read again.
  std::map<std::string, tool::CheckCache> check_caches_;  // by folder
  Settings settings_;
  // Each checked folder's texts on disk as last checked: names, sizes and times.
  std::string DiskStamp(const std::string& directory) const;
  std::map<std::string, std::string> disk_stamps_;  // by folder
  // True when a folder without scenario.txt holds texts that are no UTF-8.
  bool HoldsPackagerBytes(const std::string& directory) const;
};

// The characters of an open packager text (UTF-8 from the editor) that
// Windows-1252 cannot hold, each an error at its place (disk_changes.cc).
std::vector<Diagnostic> CharactersOutside1252(const std::string& name, std::string_view text);

// The edits that rename a station at each of its places (StationNamed).
std::vector<tool::TextEdit> RenameEdits(const std::vector<StationOccurrence>& occurrences,
                                        const std::string& new_name);

// Why an editor's text of that many bytes is refused, and what to do.
std::string TooLargeReason(std::size_t bytes);

// The folder and the file's name of a path.
std::string DirectoryOf(const std::string& path);
std::string FileNameOf(const std::string& path);

}  // namespace packager::lsp
