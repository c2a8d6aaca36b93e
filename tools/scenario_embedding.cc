#include "scenario_embedding.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "sources/embedded_scenario.h"
#include "tables/file_names.h"

namespace packager::embedding {

namespace {

namespace fs = std::filesystem;

// What bytes 0x80 to 0x9F stand for; 0 marks the five bytes Windows-1252
// leaves undefined.
constexpr std::array<char32_t, 32> kByte80To9F = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The Windows-1252 byte of a character, or -1 when there is none. The C1
// controls U+0080 to U+009F have none: their bytes hold other characters.
int ByteFor(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (std::size_t i = 0; i < kByte80To9F.size(); ++i) {
    if (c >= 0x80 && kByte80To9F[i] == c) return static_cast<int>(0x80 + i);
  }
  return -1;
}

// Decodes the character starting at `pos` and moves past it. Rejects stray
// continuation bytes, truncated and overlong sequences, surrogates and
// values beyond U+10FFFF.
bool DecodeUtf8(std::string_view text, std::size_t& pos, char32_t& c) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 1;
  char32_t smallest = 0;
  if (lead < 0x80) {
    c = lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    c = lead & 0x1Fu;
    smallest = 0x80;
  } else if ((lead & 0xF0u) == 0xE0u) {
    length = 3;
    c = lead & 0x0Fu;
    smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    c = lead & 0x07u;
    smallest = 0x10000;
  } else {
    return false;
  }
  if (text.size() - pos < length) return false;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0u) != 0x80u) return false;
    c = (c << 6) | (next & 0x3Fu);
  }
  if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  pos += length;
  return true;
}

std::string Hex(unsigned value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
  return buffer;
}

[[noreturn]] void Fail(const std::string& path, int line, const std::string& message) {
  throw EmbedFailure(path + ":" + std::to_string(line) + ": " + message);
}

[[noreturn]] void Fail(const std::string& path, const std::string& message) {
  throw EmbedFailure(path + ": " + message);
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

bool ReadWholeFile(const fs::path& path, std::string& contents) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

FolderText ReadText(const fs::path& folder, const std::string& file_name) {
  const fs::path path = folder / file_name;
  const std::string shown = path.generic_string();
  FolderText text;
  std::error_code error;
  if (!fs::exists(path, error)) Fail(shown, "missing; the scenario folder must hold this text");
  std::string contents;
  if (!ReadWholeFile(path, contents)) Fail(shown, "cannot read the file");
  text.lines = ConvertText(shown, contents);
  return text;
}

// One byte as it may stand in a string literal. Octal escapes always take
// three digits, so no digit that follows can be read as part of them.
void AppendEscaped(std::string& out, unsigned char byte) {
  if (byte == '"' || byte == '\\') {
    out += '\\';
    out += static_cast<char>(byte);
  } else if (byte >= 0x20 && byte < 0x7F) {
    out += static_cast<char>(byte);
  } else {
    out += '\\';
    out += static_cast<char>('0' + (byte >> 6));
    out += static_cast<char>('0' + ((byte >> 3) & 7));
    out += static_cast<char>('0' + (byte & 7));
  }
}

// A string_view literal, split into pieces of bounded width on lines of
// their own; the suffix keeps any NUL byte inside the view.
std::string Literal(std::string_view bytes, const std::string& indent) {
  constexpr std::size_t kPieceWidth = 80;
  std::string out = "\"";
  std::size_t piece = 0;
  for (const char c : bytes) {
    if (piece >= kPieceWidth) {
      out += "\"\n" + indent + "\"";
      piece = 0;
    }
    const std::size_t before = out.size();
    AppendEscaped(out, static_cast<unsigned char>(c));
    piece += out.size() - before;
  }
  return out + "\"sv";
}

void RenderLines(std::ostringstream& out, const char* array_name, const FolderText& text) {
  out << "constexpr std::string_view " << array_name << "[] = {\n";
  for (const std::string& line : text.lines) out << "    " << Literal(line, "    ") << ",\n";
  out << "    kEndOfTextMarker,\n};\n\n";
}

std::string Member(const char* array_name) { return std::string("{") + array_name + "}"; }

}  // namespace

bool ToWindows1252(std::string_view utf8, std::string& bytes, std::string& problem) {
  bytes.clear();
  std::size_t pos = 0;
  for (int column = 1; pos < utf8.size(); ++column) {
    char32_t c = 0;
    if (!DecodeUtf8(utf8, pos, c)) {
      problem = "invalid UTF-8 at column " + std::to_string(column) + " (byte 0x" +
                Hex(static_cast<unsigned char>(utf8[pos]), 2) + ")";
      return false;
    }
    const int byte = ByteFor(c);
    if (byte < 0) {
      problem = "character U+" + Hex(static_cast<unsigned>(c), 4) + " at column " +
                std::to_string(column) + " has no Windows-1252 byte";
      return false;
    }
    bytes += static_cast<char>(byte);
  }
  return true;
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
    if (value.empty()) Fail(path, number + 1, "'" + key + "' has no value");
    for (const char c : value) {
      if (!IsNameCharacter(c)) {
        Fail(path, number + 1,
             "'" + key + "' may hold only ASCII letters, digits, '_', '-' and '.'");
      }
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
    const std::string_view line = contents.substr(start, end - start);
    start = end + 1;
    ++number;
    if (number > kEmbeddedTextCapacity) {
      Fail(path, number,
           "more than " + std::to_string(kEmbeddedTextCapacity) + " lines; a text holds at most " +
               std::to_string(kEmbeddedTextCapacity));
    }
    if (number == 1 && line.starts_with("\xEF\xBB\xBF")) {
      Fail(path, number, "byte-order mark; save the file as UTF-8 without one");
    }
    if (line.find('\r') != std::string_view::npos) {
      Fail(path, number, "carriage return; the texts must use LF line ends");
    }
    if (!ToWindows1252(line, bytes, problem)) Fail(path, number, problem);
    if (bytes == kEndOfTextMarker) {
      Fail(path, number,
           "the line is the end marker \"" + std::string(kEndOfTextMarker) +
               "\", which would cut the text short");
    }
    lines.push_back(bytes);
  }
  return lines;
}

ScenarioFolder ReadScenarioFolder(const std::string& folder) {
  const fs::path root(folder);
  const fs::path identity_path = root / "scenario.txt";
  std::string contents;
  if (!ReadWholeFile(identity_path, contents)) {
    Fail(identity_path.generic_string(), "cannot read the file; it names the scenario");
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

std::string RenderSource(const ScenarioFolder& scenario, const std::string& function_name) {
  std::ostringstream out;
  out << "// Generated by embed_scenario from the scenario folder; edits are lost on the next\n"
         "// build. Texts are Windows-1252 bytes.\n"
         "#include <string_view>\n\n"
         "#include \"sources/embedded_scenario.h\"\n\n"
         "namespace packager {\n\n"
         "const EmbeddedScenario& "
      << function_name
      << "();\n\n"
         "namespace {\n\n"
         "using namespace std::string_view_literals;\n\n";
  RenderLines(out, "kLineDescription", scenario.line_description);
  RenderLines(out, "kTrainDescription", scenario.train_description);
  RenderLines(out, "kNotes", scenario.notes);
  RenderLines(out, "kSlowdownOrder", scenario.slowdown_order);
  RenderLines(out, "kTimetableSheet", scenario.timetable_sheet);
  out << "constexpr EmbeddedScenario kScenario{\n"
      << "    " << Literal(scenario.identity.name, "    ") << ",\n"
      << "    " << Literal(scenario.identity.train, "    ") << ",\n"
      << "    " << Member("kLineDescription") << ",\n"
      << "    " << Member("kTrainDescription") << ",\n"
      << "    " << Member("kNotes") << ",\n"
      << "    " << Member("kSlowdownOrder") << ",\n"
      << "    " << Member("kTimetableSheet") << ",\n"
      << "};\n\n"
      << "}  // namespace\n\n"
      << "const EmbeddedScenario& " << function_name << "() { return kScenario; }\n\n"
      << "}  // namespace packager\n";
  return out.str();
}

bool WriteIfChanged(const std::string& path, const std::string& contents) {
  std::string existing;
  if (ReadWholeFile(path, existing) && existing == contents) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  out.close();
  if (!out) Fail(path, "cannot write the file");
  return true;
}

}  // namespace packager::embedding
