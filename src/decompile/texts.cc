#include "decompile/texts.h"

#include <sstream>

namespace packager::decompile {

namespace {

constexpr std::size_t kNoteWidth = 78;

// The words of text in lines of at most kNoteWidth columns, the first
// starting with `lead` and the others with as many blanks.
void Wrapped(const std::string& text, const std::string& lead, std::string& out) {
  std::istringstream words(text);
  std::string word, line = lead;
  bool empty = true;
  while (words >> word) {
    if (!empty && line.size() + 1 + word.size() > kNoteWidth) {
      out += line + "\n";
      line = std::string(lead.size(), ' ');
      empty = true;
    }
    line += (empty ? "" : " ") + word;
    empty = false;
  }
  out += line + "\n";
}

// The name of a file without the folders before it.
std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::string CrLf(const std::string& text) {
  std::string bytes;
  bytes.reserve(text.size() + text.size() / 16);
  for (const char c : text) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  return bytes;
}

std::string ScenarioFileText(const ScenarioIdentity& identity) {
  return "# The scenario of this folder, as its binary files name it. scenario-tool\n"
         "# decompile wrote the folder from them; `scenario-tool compile DIR` gives\n"
         "# them back byte for byte until a text is changed.\n"
         "#\n"
         "# Lines starting with '#' and blank lines are ignored.\n"
         "\n"
         "name = " + identity.name + "\ntrain = " + identity.train + "\n";
}

std::string LinePreamble(const ScenarioIdentity& identity, const BinaryScenario& binaries,
                         const std::vector<std::string>& notes) {
  std::string text;
  Wrapped("The line of " + identity.name + ", written back from its binary files by "
          "scenario-tool decompile: " + FileName(binaries.line_plan.name) + ", " +
          FileName(binaries.train_table.name) + " and " + FileName(binaries.route_grid.name) +
          ". Compiled, these texts give those files byte for byte.", "", text);
  Wrapped("Everything above the general header below is ignored: it is the place for "
          "notes. Below it every field is read, but for a field with a '-' where a record "
          "would start, which is dropped as a separator: a line '-- note: ...' just before a "
          "record says why the record is written as it is.", "", text);
  text += "\n";
  if (!notes.empty()) {
    text += "What the binary files do not keep, and how it is written here:\n";
    for (const std::string& note : notes) Wrapped(note, "  - ", text);
  }
  return text;
}

std::string TrainPreamble(const ScenarioIdentity& identity) {
  std::string text;
  Wrapped("The train " + identity.train + " on the line of " + identity.name +
          ", written back from its binary files by scenario-tool decompile; the notes at the "
          "top of " + identity.name + "_linea.txt say what the files do not keep.", "", text);
  Wrapped("The abbattimento points that the packager adds by itself, around signals and "
          "slowdowns, are not written: only those it would not add are records here. As in "
          "the line description, notes stand in this preamble, or on a line '-- note: ...' "
          "just before the record they are about.", "", text);
  return text;
}

}  // namespace packager::decompile
