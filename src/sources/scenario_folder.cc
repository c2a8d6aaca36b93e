#include "sources/scenario_folder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "sources/embedded_scenario.h"
#include "tables/file_names.h"
#include "tables/file_failure.h"
#include "tables/replace_file.h"
#include "tables/windows1252.h"

namespace packager {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& path, int line, const std::string& message) {
  throw ScenarioFolderError(path + ":" + std::to_string(line) + ": " + message);
}

[[noreturn]] void Fail(const std::string& path, const std::string& message) {
  throw ScenarioFolderError(path + ": " + message);
}

std::string_view Trim(std::string_view s) {
  const std::size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.';
}

// "path:line: message" of the first problem, as ScenarioFolderError says it.
[[noreturn]] void FailWith(const std::string& path, const FolderProblem& problem) {
  if (problem.line > 0) Fail(path, problem.line, problem.message);
  Fail(path, problem.message);
}

// A file of the folder as messages name it, with the system's separator
// throughout: "Scenari\\Città\\scenario.txt" on Windows.
std::string Shown(const std::string& folder, const std::string& file) {
  return PathText((NativePath(folder) / NativePath(file)).make_preferred());
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Where the advice of every encoding problem ends.
constexpr char kSaveAsUtf8[] =
    "save it as UTF-8 (in Notepad: File > Save as > Encoding: UTF-8)";

std::string SavedAsProblem(SavedEncoding encoding) {
  std::string saved;
  switch (encoding) {
    case SavedEncoding::kUtf8WithMark:
      return std::string("saved as UTF-8 with a byte-order mark (BOM), which the texts may not "
                         "start with: ") + kSaveAsUtf8 + ", without the mark";
    case SavedEncoding::kUtf16: saved = "saved as Unicode (UTF-16)"; break;
    case SavedEncoding::kWindows1252: saved = "saved as ANSI (Windows-1252)"; break;
    case SavedEncoding::kUtf8: break;
  }
  return saved + "; the texts are UTF-8: " + kSaveAsUtf8;
}

bool IsUtf16(std::string_view contents) {
  if (contents.starts_with("\xFF\xFE") || contents.starts_with("\xFE\xFF")) return true;
  // Without a mark: its first characters, ASCII in any text, are each one
  // byte and a NUL, on the same side.
  const std::size_t length = std::min<std::size_t>(contents.size() & ~std::size_t{1}, 16);
  if (length < 4) return false;
  const auto nul_side = [&](std::size_t side) {
    for (std::size_t at = 0; at < length; at += 2) {
      if (contents[at + side] != '\0' || contents[at + 1 - side] == '\0') return false;
    }
    return true;
  };
  return nul_side(0) || nul_side(1);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// A UTF-16 text in UTF-8, its mark left out; an unpaired surrogate or an
// odd last byte becomes U+FFFD.
std::string Utf16AsUtf8(std::string_view contents) {
  constexpr char32_t kReplacement = 0xFFFD;
  const bool big_endian = contents.starts_with("\xFE\xFF") ||
                          (!contents.starts_with("\xFF\xFE") && contents.front() == '\0');
  const auto unit = [&](std::size_t at) {
    const auto first = static_cast<unsigned char>(contents[at]);
    const auto second = static_cast<unsigned char>(contents[at + 1]);
    return static_cast<char32_t>(big_endian ? first << 8 | second : second << 8 | first);
  };
  std::string utf8;
  std::size_t at = contents.starts_with("\xFF\xFE") || contents.starts_with("\xFE\xFF") ? 2 : 0;
  for (; at + 1 < contents.size(); at += 2) {
    char32_t c = unit(at);
    if (c >= 0xD800 && c <= 0xDBFF && at + 3 < contents.size() && unit(at + 2) >= 0xDC00 &&
        unit(at + 2) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(at + 2) - 0xDC00);
      at += 2;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(utf8, c);
  }
  if (at < contents.size()) AppendUtf8(utf8, kReplacement);
  return utf8;
}

}  // namespace

SavedEncoding SavedEncodingOf(std::string_view contents) {
  if (IsUtf16(contents)) return SavedEncoding::kUtf16;
  if (contents.starts_with(kByteOrderMark)) return SavedEncoding::kUtf8WithMark;
  if (FirstInvalidUtf8(contents) != std::string_view::npos && Is1252Text(contents)) {
    return SavedEncoding::kWindows1252;
  }
  return SavedEncoding::kUtf8;
}

std::string TextAsShown(std::string_view contents) {
  switch (SavedEncodingOf(contents)) {
    case SavedEncoding::kUtf16: return Utf16AsUtf8(contents);
    case SavedEncoding::kUtf8WithMark: return std::string(contents.substr(kByteOrderMark.size()));
    case SavedEncoding::kWindows1252: return Utf8From1252(contents);
    case SavedEncoding::kUtf8: break;
  }
  return std::string(contents);
}

std::string IdentityProblem(std::string_view key, std::string_view value) {
  // Built up in one string: GCC 12 for 32-bit Windows warns wrongly of an
  // overlapping copy in "literal" + std::string(...).
  std::string quoted = "'";
  quoted += key;
  quoted += '\'';
  if (value.empty()) return quoted + " has no value";
  for (const char c : value) {
    if (!IsNameCharacter(c)) {
      return quoted + " may hold only ASCII letters, digits, '_', '-' and '.'";
    }
  }
  if (value.front() == '.') return quoted + " may not start with '.'";
  const std::size_t limit = key == "train" ? kMaxTrainLength : kMaxNameLength;
  if (value.size() > limit) {
    return quoted + " has " + std::to_string(value.size()) + " characters; at most " +
           std::to_string(limit) + " make a file name";
  }
  return {};
}

std::string IdentityPairProblem(const std::string& name, const std::string& train) {
  const std::string clash = FileNameClash(name, train);
  if (clash.empty()) return {};
  return "'train = " + train + "' makes " + clash +
         " one file (file names are compared without case, as Windows does): choose another "
         "train number";
}

std::string LineProblem(std::string_view line) {
  if (line.find('\r') != std::string_view::npos) {
    return "carriage return inside the line; lines end with LF or CR LF";
  }
  if (line.find('\n') != std::string_view::npos) return "line feed inside the line";
  if (line.find('\0') != std::string_view::npos) return "NUL byte inside the line";
  if (line == kEndOfTextMarker) {
    return "the line is the end marker \"" + std::string(kEndOfTextMarker) +
           "\", which would cut the text short";
  }
  return {};
}

namespace {

// Where scenario.txt gives each key's value: line and column from 1.
struct IdentityPlaces {
  FolderProblem name{kScenarioFileName, 0, 0, {}};
  FolderProblem train{kScenarioFileName, 0, 0, {}};
};

std::optional<ScenarioIdentity> ReadIdentity(std::string_view contents,
                                             std::vector<FolderProblem>& problems,
                                             IdentityPlaces& places) {
  ScenarioIdentity identity;
  bool have_name = false;
  bool have_train = false;
  if (SavedEncodingOf(contents) == SavedEncoding::kUtf16) {
    // Said once; the keys are read on as the editor shows them.
    problems.push_back({"", 1, 1, SavedAsProblem(SavedEncoding::kUtf16)});
    return ReadIdentity(Utf16AsUtf8(contents), problems, places);
  }
  int number = 0;
  for (std::size_t start = 0; start < contents.size(); ++number) {
    std::size_t end = contents.find('\n', start);
    if (end == std::string_view::npos) end = contents.size();
    std::string_view raw = contents.substr(start, end - start);
    start = end + 1;
    const auto problem = [&](std::string_view part, std::string message) {
      const std::size_t at = part.empty() ? raw.find_first_not_of(" \t") : part.data() - raw.data();
      problems.push_back({"", number + 1, at == std::string_view::npos ? 1 : int(at) + 1,
                          std::move(message)});
    };
    if (number == 0 && raw.starts_with(kByteOrderMark)) {
      raw.remove_prefix(kByteOrderMark.size());
      problems.push_back({"", 1, 1, SavedAsProblem(SavedEncoding::kUtf8WithMark)});
    }
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      problem(line, "expected 'key = value'");
      continue;
    }
    const std::string_view key_text = Trim(line.substr(0, equals));
    const std::string_view value_text = Trim(line.substr(equals + 1));
    const std::string key(key_text);
    bool* seen = nullptr;
    std::string* target = nullptr;
    FolderProblem* place = nullptr;
    if (key == "name") {
      seen = &have_name;
      target = &identity.name;
      place = &places.name;
    } else if (key == "train") {
      seen = &have_train;
      target = &identity.train;
      place = &places.train;
    } else {
      problem(line, "unknown key '" + key + "'; expected 'name' or 'train'");
      continue;
    }
    if (*seen) {
      problem(line, "'" + key + "' is given twice");
      continue;
    }
    if (const std::string fault = IdentityProblem(key, value_text); !fault.empty()) {
      problem(value_text.empty() ? line : value_text, fault);
      continue;
    }
    *seen = true;
    *target = std::string(value_text);
    place->line = number + 1;
    place->column = static_cast<int>(value_text.data() - raw.data()) + 1;
  }
  if (!have_name) problems.push_back({"", 0, 0, "missing 'name = ...'"});
  if (!have_train) problems.push_back({"", 0, 0, "missing 'train = ...'"});
  if (!have_name || !have_train) return std::nullopt;
  if (std::string clash = IdentityPairProblem(identity.name, identity.train); !clash.empty()) {
    FolderProblem problem = places.train;
    problem.file.clear();
    problem.message = std::move(clash);
    problems.push_back(std::move(problem));
  }
  return identity;
}

// The scenario and train a text's file name gives, by the ending that
// says which text it is: "NAME_linea.txt" gives the name alone. A train
// text or crew document is taken only for the scenario `name`, as a name
// and a number may both hold '_'.
struct TextName {
  std::string name;
  std::string train;  // empty for a line description
};

std::optional<TextName> TextNameOf(std::string_view file, const std::string& name) {
  static constexpr std::string_view kLineEnd = "_linea.txt";
  if (file.ends_with(kLineEnd) && file.size() > kLineEnd.size()) {
    return TextName{std::string(file.substr(0, file.size() - kLineEnd.size())), {}};
  }
  const std::string prefix = name + "_";
  if (!file.starts_with(prefix)) return std::nullopt;
  for (std::string_view end : {"-.txt", "_note.txt", "_rallentamenti.txt", "_scheda_treno.txt"}) {
    if (file.ends_with(end) && file.size() > prefix.size() + end.size()) {
      return TextName{name, std::string(file.substr(prefix.size(),
                                                    file.size() - prefix.size() - end.size()))};
    }
  }
  return std::nullopt;
}

std::string Listed(const std::vector<std::string>& files) {
  std::string list;
  for (const std::string& file : files) list += (list.empty() ? "" : ", ") + file;
  return list;
}

// When the folder holds no text of the name (or train) scenario.txt gives
// but texts of another, the fault is scenario.txt's: one problem at its
// key, naming the texts there are, in place of a missing text for each of
// the files the other name or number would give.
void BlameIdentity(const FolderFiles& files, const std::vector<std::string>& others,
                   const ScenarioIdentity& identity, const IdentityPlaces& places,
                   std::vector<FolderProblem>& problems) {
  std::vector<std::string> names = others;
  for (const auto& [file, contents] : files) names.push_back(file);
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  const auto held = [&](const std::string& file) {
    return std::binary_search(names.begin(), names.end(), file);
  };
  const auto blame = [&](bool train, const std::string& missing_text) {
    std::vector<std::string> texts;
    std::vector<std::string> values;
    for (const std::string& file : names) {
      const std::optional<TextName> text = TextNameOf(file, identity.name);
      if (!text || (train ? text->train.empty() || !file.ends_with("-.txt")
                          : !text->train.empty())) {
        continue;
      }
      texts.push_back(file);
      values.push_back(train ? text->train : text->name);
    }
    if (texts.empty()) return;
    const std::string key = train ? "train" : "name";
    const std::string& given = train ? identity.train : identity.name;
    FolderProblem problem = train ? places.train : places.name;
    problem.message = "'" + key + " = " + given + "' names " + missing_text +
                      ", which the folder does not hold; it holds " + Listed(texts) +
                      ": write '" + key + " = " + values.front() +
                      "', or rename the texts to the " + key + " given";
    // A missing text another value of the key would find is not missing.
    std::erase_if(problems, [&](const FolderProblem& missing) {
      const std::string& file = missing.file;
      if (missing.line != 0 || file == kScenarioFileName) return false;
      const std::string from = train ? identity.name + "_" + identity.train : identity.name;
      if (!file.starts_with(from)) return false;
      const std::string rest = file.substr(from.size());
      return std::any_of(values.begin(), values.end(), [&](const std::string& value) {
        return held((train ? identity.name + "_" + value : value) + rest);
      });
    });
    // After scenario.txt's own problems, before the texts'.
    const auto first_text = std::find_if(problems.begin(), problems.end(), [](const FolderProblem& p) {
      return p.file != kScenarioFileName;
    });
    problems.insert(first_text, std::move(problem));
  };
  const auto is_missing = [&](const std::string& file) {
    return std::any_of(problems.begin(), problems.end(), [&](const FolderProblem& problem) {
      return problem.file == file && problem.line == 0;
    });
  };
  if (is_missing(LineDescriptionName(identity.name))) {
    blame(false, LineDescriptionName(identity.name));
  } else if (is_missing(TrainDescriptionName(identity.name, identity.train))) {
    blame(true, TrainDescriptionName(identity.name, identity.train));
  }
}

// The name and train the texts of a folder without scenario.txt give, each
// empty where none does: NAME from NAME_linea.txt, NUMBER from the texts of
// that name's train (the number most of them bear), or both from the last
// '_' of NAME_NUMBER-.txt.
ScenarioIdentity GuessedIdentity(const std::vector<std::string>& names) {
  ScenarioIdentity guess;
  for (const std::string& file : names) {
    const std::optional<TextName> text = TextNameOf(file, "");
    if (text && text->train.empty()) {
      guess.name = text->name;
      break;
    }
  }
  if (!guess.name.empty()) {
    std::map<std::string, int> trains;
    int most = 0;
    for (const std::string& file : names) {
      const std::optional<TextName> text = TextNameOf(file, guess.name);
      if (!text || text->train.empty()) continue;
      if (const int count = ++trains[text->train]; count > most) {
        most = count;
        guess.train = text->train;
      }
    }
  }
  for (const std::string& file : names) {
    if (guess.name.empty() && file.ends_with("-.txt")) {
      const std::string stem = file.substr(0, file.size() - 5);
      const std::size_t cut = stem.rfind('_');
      if (cut != std::string::npos && cut > 0 && cut + 1 < stem.size()) {
        guess = {stem.substr(0, cut), stem.substr(cut + 1)};
        break;
      }
    }
  }
  if (!IdentityProblem("name", guess.name).empty()) guess.name.clear();
  if (!IdentityProblem("train", guess.train).empty()) guess.train.clear();
  return guess;
}

// scenario.txt is missing: what to write in it, with the name and train the
// texts present give; then every text those would need that is missing.
void MissingScenarioFile(const std::vector<std::string>& names,
                         std::vector<FolderProblem>& problems) {
  const ScenarioIdentity guess = GuessedIdentity(names);
  const std::string name = guess.name.empty() ? "NAME" : guess.name;
  const std::string train = guess.train.empty() ? "NUMBER" : guess.train;
  std::string message = "missing; it names the scenario and its train: write in it the lines \"name = ";
  message += name + "\" and \"train = " + train + "\"";
  if (guess.name.empty() || guess.train.empty()) {
    message += ", as the texts' names " + LineDescriptionName(name) + " and " +
               TrainDescriptionName(name, train) + " say";
  } else {
    message += ", as the texts of the folder say";
  }
  problems.push_back({kScenarioFileName, 0, 0, std::move(message)});
  if (guess.name.empty() || guess.train.empty()) return;
  for (const std::string& file :
       {LineDescriptionName(name), TrainDescriptionName(name, train), NotesName(name, train),
        SlowdownOrderName(name, train), TimetableSheetName(name, train)}) {
    if (!std::binary_search(names.begin(), names.end(), file)) {
      problems.push_back({file, 0, 0, "missing; the scenario folder must hold this text"});
    }
  }
}

}  // namespace

std::optional<ScenarioIdentity> ParseIdentity(std::string_view contents,
                                              std::vector<FolderProblem>& problems) {
  IdentityPlaces places;
  return ReadIdentity(contents, problems, places);
}

ScenarioIdentity ParseScenarioFile(const std::string& path, std::string_view contents) {
  std::vector<FolderProblem> problems;
  std::optional<ScenarioIdentity> identity = ParseIdentity(contents, problems);
  if (!problems.empty()) FailWith(path, problems.front());
  return *identity;
}

std::vector<std::string> ConvertLines(std::string_view contents,
                                      std::vector<FolderProblem>& problems) {
  std::vector<std::string> lines;
  const SavedEncoding encoding = SavedEncodingOf(contents);
  if (encoding == SavedEncoding::kUtf16) {
    // Said once; the text is read on as the editor shows it.
    problems.push_back({"", 1, 1, SavedAsProblem(encoding)});
    return ConvertLines(Utf16AsUtf8(contents), problems);
  }
  // An ANSI text is said once, at its first byte that is not UTF-8; its
  // lines are taken as they stand, so that the reading goes on over the
  // text the author sees.
  bool ansi_said = encoding != SavedEncoding::kWindows1252;
  std::string bytes;
  std::vector<ConversionProblem> conversion;
  int number = 0;
  for (std::size_t start = 0; start < contents.size();) {
    std::size_t end = contents.find('\n', start);
    if (end == std::string_view::npos) end = contents.size();
    std::string_view line = contents.substr(start, end - start);
    // CR LF, as editors on Windows save, ends a line as LF does.
    if (end < contents.size() && line.ends_with('\r')) line.remove_suffix(1);
    start = end + 1;
    ++number;
    if (number > kEmbeddedTextCapacity) {
      // Built up in one string: GCC 12 for 32-bit Windows warns wrongly of an
      // overlapping copy in "literal" + std::to_string(...).
      std::string message = "more than ";
      message += std::to_string(kEmbeddedTextCapacity);
      message += " lines; a text holds at most ";
      message += std::to_string(kEmbeddedTextCapacity);
      problems.push_back({"", number, 0, message});
      break;
    }
    if (number == 1 && line.starts_with(kByteOrderMark)) {
      problems.push_back({"", number, 1, SavedAsProblem(SavedEncoding::kUtf8WithMark)});
      line.remove_prefix(kByteOrderMark.size());
    }
    if (encoding == SavedEncoding::kWindows1252) {
      const std::size_t at = FirstInvalidUtf8(line);
      if (!ansi_said && at != std::string_view::npos) {
        problems.push_back({"", number, static_cast<int>(at) + 1, SavedAsProblem(encoding)});
        ansi_said = true;
      }
      bytes.assign(line);
    } else {
      conversion.clear();
      Utf8To1252Substituting(line, bytes, conversion);
      for (ConversionProblem& fault : conversion) {
        problems.push_back({"", number, fault.column, std::move(fault.message)});
      }
    }
    if (const std::string fault = LineProblem(bytes); !fault.empty()) {
      std::size_t at = bytes.find_first_of(std::string_view("\r\n\0", 3));
      problems.push_back({"", number, at == std::string::npos ? 1 : int(at) + 1, fault});
      bytes.clear();
    }
    lines.push_back(bytes);
  }
  return lines;
}

std::vector<std::string> ConvertText(const std::string& path, std::string_view contents) {
  std::vector<FolderProblem> problems;
  std::vector<std::string> lines = ConvertLines(contents, problems);
  if (!problems.empty()) FailWith(path, problems.front());
  return lines;
}

FolderReading ReadFolderFiles(const FolderFiles& files, const std::vector<std::string>& others) {
  FolderReading reading;
  const auto add = [&](const std::string& file, std::vector<FolderProblem>& found) {
    for (FolderProblem& problem : found) {
      problem.file = file;
      reading.problems.push_back(std::move(problem));
    }
    found.clear();
  };
  std::vector<FolderProblem> found;
  const auto identity_file = files.find(kScenarioFileName);
  if (identity_file == files.end()) {
    std::vector<std::string> names = others;
    for (const auto& [file, contents] : files) names.push_back(file);
    std::sort(names.begin(), names.end());
    MissingScenarioFile(names, reading.problems);
    reading.texts_missing = reading.problems.size() > 1;
    return reading;
  }
  IdentityPlaces places;
  reading.identity = ReadIdentity(identity_file->second, found, places);
  add(kScenarioFileName, found);
  if (!reading.identity) return reading;
  ScenarioFolder& folder = reading.folder;
  folder.identity = *reading.identity;
  const std::string& name = folder.identity.name;
  const std::string& train = folder.identity.train;
  for (auto [text, file] : {std::pair{&folder.line_description, LineDescriptionName(name)},
                            {&folder.train_description, TrainDescriptionName(name, train)},
                            {&folder.notes, NotesName(name, train)},
                            {&folder.slowdown_order, SlowdownOrderName(name, train)},
                            {&folder.timetable_sheet, TimetableSheetName(name, train)}}) {
    const auto contents = files.find(file);
    if (contents == files.end()) {
      reading.texts_missing = true;
      reading.problems.push_back({file, 0, 0, "missing; the scenario folder must hold this text"});
      continue;
    }
    text->lines = ConvertLines(contents->second, found);
    add(file, found);
  }
  BlameIdentity(files, others, folder.identity, places, reading.problems);
  return reading;
}

std::vector<std::string> ScenarioTextsIn(const std::string& folder) {
  std::vector<std::string> texts;
  std::error_code error;
  for (fs::directory_iterator it(NativePath(folder), error), end; !error && it != end; it.increment(error)) {
    const std::string file = PathText(it->path().filename());
    if (file.ends_with(".txt") && file != kScenarioFileName) texts.push_back(file);
  }
  std::sort(texts.begin(), texts.end());
  return texts;
}

FolderFiles LoadFolderFiles(const std::string& folder) {
  FolderFiles files;
  const auto load = [&](const std::string& file) {
    const std::string shown = Shown(folder, file);
    std::string contents;
    const ReadFault fault = TryReadWholeFile(shown, contents);
    if (fault == ReadFault::kMissing && !IsSymbolicLink(shown)) return false;
    if (fault != ReadFault::kNone) throw FileFailure(shown, "read the file", ReadFaultReason(fault, shown));
    files.emplace(file, std::move(contents));
    return true;
  };
  if (!load(kScenarioFileName)) return files;
  std::vector<FolderProblem> ignored;
  const std::optional<ScenarioIdentity> identity = ParseIdentity(files[kScenarioFileName], ignored);
  if (!identity) return files;
  const std::string& name = identity->name;
  const std::string& train = identity->train;
  for (const std::string& file :
       {LineDescriptionName(name), TrainDescriptionName(name, train), NotesName(name, train),
        SlowdownOrderName(name, train), TimetableSheetName(name, train)}) {
    load(file);
  }
  return files;
}

ScenarioFolder ReadScenarioFolder(const std::string& folder) {
  FolderReading reading = ReadFolderFiles(LoadFolderFiles(folder), ScenarioTextsIn(folder));
  if (!reading.problems.empty()) {
    const FolderProblem& first = reading.problems.front();
    FailWith(Shown(folder, first.file), first);
  }
  return std::move(reading.folder);
}

std::string FileBytes(const FolderText& text) {
  std::string bytes;
  for (const std::string& line : text.lines) bytes += line + "\r\n";
  return bytes;
}

}  // namespace packager
