#include "sources/scenario_folder.h"

#include <filesystem>
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

std::string Shown(const std::string& folder, const std::string& file) {
  return (fs::path(folder) / file).generic_string();
}

}  // namespace

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

std::optional<ScenarioIdentity> ParseIdentity(std::string_view contents,
                                              std::vector<FolderProblem>& problems) {
  ScenarioIdentity identity;
  bool have_name = false;
  bool have_train = false;
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
    if (number == 0 && raw.starts_with("\xEF\xBB\xBF")) {
      problem(raw.substr(0, 0), "byte-order mark; save the file as UTF-8 without one");
      raw.remove_prefix(3);
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
    if (key == "name") {
      seen = &have_name;
      target = &identity.name;
    } else if (key == "train") {
      seen = &have_train;
      target = &identity.train;
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
  }
  if (!have_name) problems.push_back({"", 0, 0, "missing 'name = ...'"});
  if (!have_train) problems.push_back({"", 0, 0, "missing 'train = ...'"});
  if (!have_name || !have_train) return std::nullopt;
  return identity;
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
    if (number == 1 && line.starts_with("\xEF\xBB\xBF")) {
      problems.push_back({"", number, 1, "byte-order mark; save the file as UTF-8 without one"});
      line.remove_prefix(3);
    }
    conversion.clear();
    Utf8To1252Substituting(line, bytes, conversion);
    for (ConversionProblem& fault : conversion) {
      problems.push_back({"", number, fault.column, std::move(fault.message)});
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

FolderReading ReadFolderFiles(const FolderFiles& files) {
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
    reading.problems.push_back(
        {kScenarioFileName, 0, 0,
         "missing; it names the scenario and its train: write the lines \"name = NAME\" and "
         "\"train = NUMBER\" in it, as the texts' names NAME_linea.txt and NAME_NUMBER-.txt "
         "say"});
    return reading;
  }
  reading.identity = ParseIdentity(identity_file->second, found);
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
      reading.problems.push_back({file, 0, 0, "missing; the scenario folder must hold this text"});
      continue;
    }
    text->lines = ConvertLines(contents->second, found);
    add(file, found);
  }
  return reading;
}

FolderFiles LoadFolderFiles(const std::string& folder) {
  FolderFiles files;
  const auto load = [&](const std::string& file) {
    const std::string shown = Shown(folder, file);
    std::string contents;
    const ReadFault fault = TryReadWholeFile((fs::path(folder) / file).string(), contents);
    if (fault == ReadFault::kMissing) return false;
    if (fault != ReadFault::kNone) throw FileFailure(shown, "read the file", ReadFaultReason(fault));
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
  FolderReading reading = ReadFolderFiles(LoadFolderFiles(folder));
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
