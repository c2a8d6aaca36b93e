#include "sources/scenario_folder.h"

#include <filesystem>

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

FolderText ReadText(const fs::path& folder, const std::string& file_name) {
  const fs::path path = folder / file_name;
  const std::string shown = path.generic_string();
  FolderText text;
  std::error_code error;
  if (!fs::exists(path, error)) Fail(shown, "missing; the scenario folder must hold this text");
  std::string contents;
  const ReadFault fault = TryReadWholeFile(path.string(), contents);
  if (fault != ReadFault::kNone) {
    throw FileFailure(shown, "read the file", ReadFaultReason(fault));
  }
  text.lines = ConvertText(shown, contents);
  return text;
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

ScenarioIdentity ParseScenarioFile(const std::string& path, std::string_view contents) {
  ScenarioIdentity identity;
  bool have_name = false;
  bool have_train = false;
  int number = 0;
  for (std::size_t start = 0; start < contents.size(); ++number) {
    std::size_t end = contents.find('\n', start);
    if (end == std::string_view::npos) end = contents.size();
    const std::string_view line = Trim(contents.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) Fail(path, number + 1, "expected 'key = value'");
    const std::string key(Trim(line.substr(0, equals)));
    const std::string value(Trim(line.substr(equals + 1)));
    bool* seen = nullptr;
    std::string* target = nullptr;
    if (key == "name") {
      seen = &have_name;
      target = &identity.name;
    } else if (key == "train") {
      seen = &have_train;
      target = &identity.train;
    } else {
      Fail(path, number + 1, "unknown key '" + key + "'; expected 'name' or 'train'");
    }
    if (*seen) Fail(path, number + 1, "'" + key + "' is given twice");
    if (const std::string problem = IdentityProblem(key, value); !problem.empty()) {
      Fail(path, number + 1, problem);
    }
    *seen = true;
    *target = value;
  }
  if (!have_name) Fail(path, "missing 'name = ...'");
  if (!have_train) Fail(path, "missing 'train = ...'");
  return identity;
}

std::vector<std::string> ConvertText(const std::string& path, std::string_view contents) {
  std::vector<std::string> lines;
  std::string bytes;
  std::string problem;
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
      Fail(path, number, message);
    }
    if (number == 1 && line.starts_with("\xEF\xBB\xBF")) {
      Fail(path, number, "byte-order mark; save the file as UTF-8 without one");
    }
    if (!Utf8To1252(line, bytes, problem)) Fail(path, number, problem);
    if (const std::string fault = LineProblem(bytes); !fault.empty()) Fail(path, number, fault);
    lines.push_back(bytes);
  }
  return lines;
}

ScenarioFolder ReadScenarioFolder(const std::string& folder) {
  const fs::path root(folder);
  const fs::path identity_path = root / "scenario.txt";
  std::string contents;
  const ReadFault fault = TryReadWholeFile(identity_path.string(), contents);
  if (fault == ReadFault::kMissing) {
    Fail(identity_path.generic_string(), "missing; it names the scenario");
  } else if (fault != ReadFault::kNone) {
    throw FileFailure(identity_path.generic_string(), "read the file", ReadFaultReason(fault));
  }
  ScenarioFolder scenario;
  scenario.identity = ParseScenarioFile(identity_path.generic_string(), contents);
  const std::string& name = scenario.identity.name;
  const std::string& train = scenario.identity.train;
  scenario.line_description = ReadText(root, LineDescriptionName(name));
  scenario.train_description = ReadText(root, TrainDescriptionName(name, train));
  scenario.notes = ReadText(root, NotesName(name, train));
  scenario.slowdown_order = ReadText(root, SlowdownOrderName(name, train));
  scenario.timetable_sheet = ReadText(root, TimetableSheetName(name, train));
  return scenario;
}

std::string FileBytes(const FolderText& text) {
  std::string bytes;
  for (const std::string& line : text.lines) bytes += line + "\r\n";
  return bytes;
}

}  // namespace packager
