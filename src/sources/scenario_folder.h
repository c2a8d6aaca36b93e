// A scenario folder as authors write it, read and converted as a packager
// carries it.
//
// The folder holds scenario.txt, which names the scenario and its train:
//
//   # '#' starts a comment line; blank lines are ignored.
//   name = Vardessa_Lontrino
//   train = 5608
//
// Both keys are required, each once; a value is one or more ASCII letters,
// digits, '_', '-' or '.', not starting with '.', at most kMaxNameLength
// (name) or kMaxTrainLength (train) characters, since it becomes part of
// every file name: a plain name in the scenario's folder. Beside it
// stand the texts, named as the program writes them: <name>_linea.txt (the
// line description), <name>_<train>-.txt (the train description) and
// <name>_<train>_note.txt, _rallentamenti.txt and _scheda_treno.txt (the crew
// documents). Every one of them is required: a run writes all five.
//
// The texts are UTF-8 with LF or CR LF line ends. Every line is converted to
// Windows-1252 (Utf8To1252 of tables/windows1252.h); anything that cannot be
// carried faithfully is refused with "path:line: message". A text saved
// otherwise, as editors on Windows may save it (see SavedEncodingOf), is
// refused once, at its first line that shows it, with the encoding named and
// how to save it as UTF-8.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace packager {

// A fault in the scenario folder. The message names the file, and the line
// where there is one: "path:line: message".
class ScenarioFolderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ScenarioIdentity {
  std::string name;
  std::string train;
};

struct FolderText {
  std::vector<std::string> lines;  // Windows-1252 bytes, without the end marker
};

struct ScenarioFolder {
  ScenarioIdentity identity;
  FolderText line_description;
  FolderText train_description;
  FolderText notes;
  FolderText slowdown_order;
  FolderText timetable_sheet;
};

inline constexpr std::size_t kMaxNameLength = 64;
inline constexpr std::size_t kMaxTrainLength = 16;

// How a text was saved, as far as its bytes tell.
enum class SavedEncoding {
  kUtf8,           // or bytes no encoding below explains: each fault is its own problem
  kUtf8WithMark,   // starts with the byte-order mark EF BB BF
  kUtf16,          // "Unicode": starts with FF FE or FE FF, or its first character has a NUL byte
  kWindows1252,    // "ANSI": not UTF-8, and every byte is a character of the code page
};

// A text that is UTF-8 is taken for UTF-8, whatever else it could be read
// as: Windows-1252 is only ever named, never read, so that no UTF-8 text is
// read wrong (a text in either encoding is refused, not guessed at).
SavedEncoding SavedEncodingOf(std::string_view contents);

// The text as an editor shows it, in UTF-8, to quote its lines: a UTF-16 or
// Windows-1252 text decoded, a byte-order mark left out. Lines and columns
// of the problems of ConvertLines and ParseIdentity count in it.
std::string TextAsShown(std::string_view contents);

// What is wrong with a value of scenario.txt's key "name" or "train" (see
// above), e.g. "'train' has no value"; empty for a sound one. Every scenario
// identity obeys it, whether it comes from a folder or from a packager.
std::string IdentityProblem(std::string_view key, std::string_view value);

// What is wrong with a name and train each sound alone: the files they make
// clash (FileNameClash), e.g. "'train = linea' makes the route grid
// A_linea.dat and the line plan A_linea.dat one file; ...". Empty when
// sound. Every scenario identity obeys it too.
std::string IdentityPairProblem(const std::string& name, const std::string& train);

// What is wrong with a line of a text, in Windows-1252 bytes, e.g. "NUL
// byte inside the line"; empty for a sound one. No line holds a CR, a LF or
// a NUL, and none is the end marker, which would cut its text short.
std::string LineProblem(std::string_view line);

// A fault of a scenario folder where it stands: the file's name in the
// folder, the line and column (characters, from 1; 0 for a whole file or a
// whole line) and what is wrong, e.g. "'train' is given twice".
struct FolderProblem {
  std::string file;
  int line = 0;
  int column = 0;
  std::string message;
};

// A scenario folder's files by name, as a folder on disk or an editor holds
// them; a name that is absent is a missing file.
using FolderFiles = std::map<std::string, std::string>;

inline constexpr char kScenarioFileName[] = "scenario.txt";

// A folder read as the build reads it, with every problem of every file: the
// build takes it only when there is none. Each text is read whole whatever
// it holds (a character the code page cannot hold becomes '?', a line that
// cannot be carried becomes empty), so that its later lines are still read.
struct FolderReading {
  std::optional<ScenarioIdentity> identity;  // none when scenario.txt names no scenario
  ScenarioFolder folder;
  std::vector<FolderProblem> problems;  // scenario.txt's, then each text's in reading order
  bool texts_missing = false;           // a text scenario.txt names is not among the files
};

// `others` names further files of the folder (not read): when scenario.txt
// gives a name or train that no text bears but the folder holds texts of
// another, the problem is one, at scenario.txt's key, naming them.
FolderReading ReadFolderFiles(const FolderFiles& files, const std::vector<std::string>& others = {});

// The names of the text files (".txt") in a folder on disk besides
// scenario.txt, sorted; none where it cannot be listed.
std::vector<std::string> ScenarioTextsIn(const std::string& folder);

// scenario.txt and, where it names them, the texts of the folder on disk
// (those that exist). Throws FileFailure for a file that exists but cannot
// be read.
FolderFiles LoadFolderFiles(const std::string& folder);

// What ParseScenarioFile and ConvertText read, each problem added to
// problems (with file left empty) rather than thrown.
std::optional<ScenarioIdentity> ParseIdentity(std::string_view contents,
                                              std::vector<FolderProblem>& problems);
std::vector<std::string> ConvertLines(std::string_view contents,
                                      std::vector<FolderProblem>& problems);

// Reads scenario.txt; `path` is used in messages only.
ScenarioIdentity ParseScenarioFile(const std::string& path, std::string_view contents);

// Splits a text file into converted lines; `path` is used in messages only.
std::vector<std::string> ConvertText(const std::string& path, std::string_view contents);

// Throws ScenarioFolderError for a folder the build refuses, FileFailure for
// a file that exists but cannot be read (the system's reason in it).
ScenarioFolder ReadScenarioFolder(const std::string& folder);

// The bytes a run writes for the text: each line followed by CR LF.
std::string FileBytes(const FolderText& text);

}  // namespace packager
