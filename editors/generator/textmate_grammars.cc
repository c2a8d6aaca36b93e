// Writes the TextMate grammars of the editor extension from the models the
// packager reads with: the keywords of every record kind and the part of the
// text that recognises them (compiler/grammar.h), the characters Windows-1252
// holds (tables/windows1252.h) and the names of the scenario's files
// (tables/file_names.h), so that an editor colours a text as the packager
// reads it.
//
//   textmate_grammars --write EXTENSION_DIR   writes EXTENSION_DIR/syntaxes/*.json
//   textmate_grammars --check EXTENSION_DIR   exit status 1, naming each file, when
//                                             a grammar or a language's file name
//                                             patterns in package.json differ
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "compiler/grammar.h"
#include "sources/scenario_folder.h"
#include "tables/file_names.h"
#include "tables/windows1252.h"

namespace {

using Json = nlohmann::ordered_json;
namespace grammar = packager::grammar;

// A language of the extension: its identifier (also the last part of every
// scope name of its grammar), its name for people, and which files it takes.
struct Language {
  std::string id;
  std::string title;
  std::vector<std::string> filename_patterns;
  std::vector<std::string> filenames;
};

std::vector<Language> Languages() {
  const std::string any = "*";
  return {
      {"scenario-line", "Line description", {packager::LineDescriptionName(any)}, {}},
      {"scenario-train", "Train description", {packager::TrainDescriptionName(any, any)}, {}},
      {"scenario-crew",
       "Crew document",
       {packager::NotesName(any, any), packager::SlowdownOrderName(any, any),
        packager::TimetableSheetName(any, any)},
       {}},
      {"scenario-folder", "Scenario file", {}, {packager::kScenarioFileName}},
  };
}

std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

std::string Hex(std::uint32_t code) {
  std::ostringstream out;
  out << std::hex << std::uppercase << code;
  return out.str();
}

std::string Utf8(std::uint32_t code) {
  std::string out;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
  return out;
}

// A character class of every character that Windows-1252 has no byte for,
// as ranges of the characters it has: none beyond the basic plane.
std::string NotWindows1252Class() {
  std::string held;
  std::uint32_t first = 0;
  bool open = false;
  const auto close = [&](std::uint32_t last) {
    held += "\\x{" + Hex(first) + "}";
    if (last != first) held += "-\\x{" + Hex(last) + "}";
    open = false;
  };
  for (std::uint32_t code = 0; code <= 0xFFFF; ++code) {
    bool holds = false;
    if (code < 0xD800 || code > 0xDFFF) {
      std::string bytes;
      std::string problem;
      holds = packager::Utf8To1252(Utf8(code), bytes, problem);
    }
    if (holds && !open) {
      first = code;
      open = true;
    } else if (!holds && open) {
      close(code - 1);
    }
  }
  if (open) close(0xFFFF);
  return "[^" + held + "]";
}

// ------------------------------------------------- the description texts

// The kind's name as a part of a scope name: "cartello indicatore" becomes
// "cartello-indicatore".
std::string ScopePart(std::string_view name) {
  std::string out;
  for (const char c : name) out += c == ' ' || c == '_' ? '-' : c;
  return out;
}

// The first field of a line when it contains the kind's words, in the letter
// case the kind asks for, and no separator mark: the keyword field.
std::string KeywordPattern(const grammar::RecordKind& kind) {
  std::string pattern = kind.letter_case == grammar::Case::kAny ? "(?i)" : "";
  pattern += "^[ \\t]*(?![^,]*" + Escaped(grammar::kSeparatorMark) + ")(";
  pattern += "(?=[^,]*?" + Escaped(kind.word) + ")";
  if (!kind.second_word.empty()) pattern += "(?=[^,]*?" + Escaped(kind.second_word) + ")";
  pattern += "[^,]*?)[ \\t]*(?=,|$)";
  return pattern;
}

Json RecordRule(const grammar::RecordKind& kind, const std::string& lang) {
  const std::string part = ScopePart(kind.name);
  Json patterns = Json::array();
  const grammar::Field& last = kind.fields.back();
  if (last.width == grammar::Width::kText) {
    // The text field closes the record: the line's last field when it is
    // no number.
    patterns.push_back(
        {{"match", "(?<=,)[ \\t]*([^,]*[^\\s,\\d.+-][^,]*?)[ \\t]*$"},
         {"captures",
          {{"1",
            {{"name", "string.unquoted." + part + "-" + ScopePart(last.name) + "." + lang},
             {"patterns", {{{"include", "#no-windows-1252-byte"}}}}}}}}});
  }
  patterns.push_back({{"include", "#values"}});
  // The record as the repository's texts write it, for people and tests.
  std::string written = std::string(kind.spelling) + ":";
  for (const grammar::Field& field : kind.fields) written += " " + std::string(field.name) + ",";
  written.pop_back();
  return {{"comment", written},
          {"name", "meta.record." + part + "." + lang},
          {"begin", KeywordPattern(kind)},
          {"beginCaptures", {{"1", {{"name", "keyword.other.record." + part + "." + lang}}}}},
          {"end", "$"},
          {"patterns", patterns}};
}

// The records of one part, in the order the reader tests a keyword, then
// what else a line may start with.
Json PartPatterns(grammar::Part part) {
  Json patterns = Json::array();
  patterns.push_back({{"include", "#separator"}});
  for (const grammar::RecordKind* kind : grammar::RecordsOf(part)) {
    patterns.push_back({{"include", "#record-" + ScopePart(kind->name)}});
  }
  for (const char* rest : {"#header", "#unread", "#values"}) patterns.push_back({{"include", rest}});
  return patterns;
}

Json DescriptionGrammar(grammar::Text text, const Language& language) {
  const std::string& lang = language.id;
  const std::string general = Escaped(grammar::kGeneralHeader);
  Json repository;
  repository["preamble"] = {
      {"name", "comment.block.preamble." + lang},
      {"begin", "\\A(?!(?i:[^,]*" + general + "))"},
      {"end", "(?i)(?=" + general + ")"},
      {"patterns", {{{"include", "#no-windows-1252-byte"}}}}};
  repository["separator"] = {
      {"match", "^[ \\t]*([^,]*" + Escaped(grammar::kSeparatorMark) + "[^,]*)"},
      {"captures", {{"1", {{"name", "comment.line.separator." + lang}}}}}};
  repository["header"] = {{"match", "^[ \\t]*(\\[[^,]*\\])"},
                          {"captures", {{"1", {{"name", "entity.name.section." + lang}}}}}};
  // A first field that is no keyword and no number: passed over, and the
  // values of a misspelt keyword after it.
  repository["unread"] = {{"name", "comment.line.unread." + lang},
                          {"match", "^[ \\t]*[^\\s,\\d.+-][^,]*(?:,.*)?$"}};
  repository["values"] = {
      {"patterns",
       {{{"match", ","}, {"name", "punctuation.separator.comma." + lang}},
        {{"match", "(?<![^\\s,])[+-]?(?:\\d+(?:\\.\\d*)?|\\.\\d+)(?![^\\s,])"},
         {"name", "constant.numeric." + lang}},
        {{"include", "#no-windows-1252-byte"}},
        {{"match", "[^\\s,]+"}, {"name", "invalid.illegal.not-a-number." + lang}}}}};
  repository["no-windows-1252-byte"] = {
      {"match", NotWindows1252Class()}, {"name", "invalid.illegal.no-windows-1252-byte." + lang}};

  const std::vector<grammar::Part> parts =
      text == grammar::Text::kLine
          ? std::vector<grammar::Part>{grammar::Part::kLineGeneral, grammar::Part::kLineBody}
          : std::vector<grammar::Part>{grammar::Part::kTrain};
  for (const grammar::Part part : parts) {
    for (const grammar::RecordKind* kind : grammar::RecordsOf(part)) {
      repository["record-" + ScopePart(kind->name)] = RecordRule(*kind, lang);
    }
  }

  const Json general_header = {{"0", {{"name", "entity.name.section." + lang}}}};
  const std::string never = "(?!)";
  Json patterns = Json::array({{{"include", "#preamble"}}});
  if (text == grammar::Text::kLine) {
    // The general part ends before the first keyword field that holds both
    // brackets and does not start with the separator mark; the body runs
    // from there to the end.
    const std::string body_start = "^(?=[ \\t]*(?!" + Escaped(grammar::kSeparatorMark) +
                                   ")(?:[^,\\[]*\\[[^,]*\\]|[^,\\]]*\\][^,]*\\[))";
    patterns.push_back({{"name", "meta.part.general." + lang},
                        {"begin", "(?i)" + general},
                        {"beginCaptures", general_header},
                        {"end", body_start},
                        {"patterns", PartPatterns(grammar::Part::kLineGeneral)}});
    patterns.push_back({{"name", "meta.part.body." + lang},
                        {"begin", body_start},
                        {"end", never},
                        {"patterns", PartPatterns(grammar::Part::kLineBody)}});
  } else {
    patterns.push_back({{"name", "meta.part.records." + lang},
                        {"begin", "(?i)" + general},
                        {"beginCaptures", general_header},
                        {"end", never},
                        {"patterns", PartPatterns(grammar::Part::kTrain)}});
  }
  return {{"$schema",
           "https://raw.githubusercontent.com/martinring/tmlanguage/master/tmlanguage.json"},
          {"name", language.title},
          {"scopeName", "source." + lang},
          {"comment", "Written by editors/generator from the grammar model: make vscode-grammars"},
          {"patterns", patterns},
          {"repository", repository}};
}

// ------------------------------------------------------ the crew documents

Json CrewGrammar(const Language& language) {
  const std::string& lang = language.id;
  const std::string upper = "A-Z\\x{C0}-\\x{D6}\\x{D8}-\\x{DE}";
  Json patterns = Json::array();
  const auto add = [&](const std::string& name, const std::string& match) {
    patterns.push_back({{"name", name + "." + lang}, {"match", match}});
  };
  add("markup.underline.link.email", "[\\w.+-]+@[\\w-]+(?:\\.[\\w-]+)+");
  add("markup.heading", "\\bModulo\\s+M\\.\\s*\\d+\\b");
  // "Treno Simulato:", "Composizione:" at the start of a line.
  patterns.push_back({{"match", "^[ \\t]*([" + upper + "][\\w' ]{0,30}):(?=\\s)"},
                      {"captures", {{"1", {{"name", "entity.other.attribute-name." + lang}}}}}});
  add("constant.numeric.date", "\\b\\d{1,2}\\.\\d{1,2}\\.\\d{4}\\b");
  add("constant.numeric.kilometre", "\\b(?:[Kk]m\\s*)?\\d{1,4}\\+\\d{3}\\b|\\b\\d{1,4}\\.\\d{3}\\b");
  add("constant.numeric.time", "\\b(?:[01]?\\d|2[0-3])[.:][0-5]\\d\\b");
  add("constant.numeric.speed", "\\b\\d+(?:[.,]\\d+)?\\s*km/h\\b");
  add("constant.numeric.percent", "\\b\\d+(?:[.,]\\d+)?\\s*%");
  add("constant.numeric", "\\b\\d+\\b");
  // Places in capitals: a word of two letters or more, then words joined by
  // blanks, dots, apostrophes or a hyphen between blanks.
  add("entity.name.section.place", "\\b[" + upper + "][" + upper + "'.]+(?:(?: - | |\\. ?)[" +
                                       upper + "][" + upper + "'.]*)*\\b\\.?");
  add("punctuation.definition.table.rule", "_{2,}");
  add("punctuation.separator.table", "\\|");
  patterns.push_back({{"include", "#no-windows-1252-byte"}});
  Json repository;
  repository["no-windows-1252-byte"] = {
      {"match", NotWindows1252Class()}, {"name", "invalid.illegal.no-windows-1252-byte." + lang}};
  return {{"$schema",
           "https://raw.githubusercontent.com/martinring/tmlanguage/master/tmlanguage.json"},
          {"name", language.title},
          {"scopeName", "source." + lang},
          {"comment", "Written by editors/generator: make vscode-grammars"},
          {"patterns", patterns},
          {"repository", repository}};
}

// ----------------------------------------------------------- scenario.txt

Json FolderGrammar(const Language& language) {
  const std::string& lang = language.id;
  const Json patterns = Json::array(
      {{{"name", "comment.line.number-sign." + lang}, {"match", "^[ \\t]*#.*$"}},
       {{"match", "^[ \\t]*(name|train)[ \\t]*(=)[ \\t]*(?:([A-Za-z0-9_-][A-Za-z0-9_.-]*)|(.*?))[ \\t]*$"},
        {"captures",
         {{"1", {{"name", "keyword.other.key." + lang}}},
          {"2", {{"name", "keyword.operator.assignment." + lang}}},
          {"3", {{"name", "string.unquoted.value." + lang}}},
          {"4", {{"name", "invalid.illegal.value." + lang}}}}}},
       {{"match", "^[ \\t]*([^#=\\s][^=]*?)[ \\t]*(=)"},
        {"captures",
         {{"1", {{"name", "invalid.illegal.unknown-key." + lang}}},
          {"2", {{"name", "keyword.operator.assignment." + lang}}}}}}});
  return {{"$schema",
           "https://raw.githubusercontent.com/martinring/tmlanguage/master/tmlanguage.json"},
          {"name", language.title},
          {"scopeName", "source." + lang},
          {"comment", "Written by editors/generator: make vscode-grammars"},
          {"patterns", patterns}};
}

// ------------------------------------------------------------------- main

struct Output {
  std::string path;  // relative to the extension's folder
  std::string text;
};

std::string Text(const Json& json) { return json.dump(2) + "\n"; }

std::vector<Output> Outputs() {
  std::vector<Output> outputs;
  for (const Language& language : Languages()) {
    Json json;
    if (language.id == "scenario-line") {
      json = DescriptionGrammar(grammar::Text::kLine, language);
    } else if (language.id == "scenario-train") {
      json = DescriptionGrammar(grammar::Text::kTrain, language);
    } else if (language.id == "scenario-crew") {
      json = CrewGrammar(language);
    } else {
      json = FolderGrammar(language);
    }
    outputs.push_back({"syntaxes/" + language.id + ".tmLanguage.json", Text(json)});
  }
  return outputs;
}

bool ReadFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// Each language of package.json must take the files the model names.
int CheckPackage(const std::string& dir) {
  const std::string path = dir + "/package.json";
  std::string text;
  if (!ReadFile(path, text)) {
    std::cerr << path << ": cannot read the file\n";
    return 1;
  }
  const Json package = Json::parse(text, nullptr, false);
  if (package.is_discarded()) {
    std::cerr << path << ": not JSON\n";
    return 1;
  }
  int faults = 0;
  for (const Language& language : Languages()) {
    const Json* found = nullptr;
    for (const Json& entry : package["contributes"]["languages"]) {
      if (entry.value("id", "") == language.id) found = &entry;
    }
    const Json patterns = language.filename_patterns;
    const Json names = language.filenames;
    if (found == nullptr) {
      std::cerr << path << ": contributes no language \"" << language.id << "\"\n";
      ++faults;
    } else if (found->value("filenamePatterns", Json::array()) != patterns ||
               found->value("filenames", Json::array()) != names) {
      std::cerr << path << ": language \"" << language.id << "\" must take the files "
                << patterns.dump() << names.dump() << "\n";
      ++faults;
    }
  }
  return faults;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string usage = "usage: textmate_grammars --write|--check EXTENSION_DIR";
  if (argc != 3) {
    std::cerr << usage << "\n";
    return 2;
  }
  const std::string mode = argv[1];
  const std::string dir = argv[2];
  if (mode != "--write" && mode != "--check") {
    std::cerr << usage << "\n";
    return 2;
  }
  int faults = 0;
  for (const Output& output : Outputs()) {
    const std::string path = dir + "/" + output.path;
    if (mode == "--write") {
      std::ofstream out(path, std::ios::binary);
      out << output.text;
      if (!out.flush()) {
        std::cerr << path << ": cannot write the file\n";
        ++faults;
      }
      continue;
    }
    std::string committed;
    if (!ReadFile(path, committed)) {
      std::cerr << path << ": missing; write it with `make vscode-grammars`\n";
      ++faults;
    } else if (committed != output.text) {
      std::cerr << path << ": not what the grammar model makes; write it again with "
                << "`make vscode-grammars`\n";
      ++faults;
    }
  }
  if (mode == "--check") faults += CheckPackage(dir);
  return faults == 0 ? 0 : 1;
}
