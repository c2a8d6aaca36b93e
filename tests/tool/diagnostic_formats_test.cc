#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tables/error_codes.h"
#include "tool/diagnostic_formats.h"
#include "check/warning_names.h"

namespace packager::tool {
namespace {

using Json = nlohmann::ordered_json;  // compared with the key order

struct ShapeCase {
  Diagnostic diagnostic;
  const char* json;   // its member of "diagnostics"
  const char* sarif;  // its SARIF result
};

// "città" takes one more byte than characters: the JSON column counts bytes,
// SARIF's code points.
const ShapeCase kCases[] = {
    {{Severity::kError, "E25", "my line/Linea \xC3\xA8.txt", 52, 18,
      "the reading failed: \"3905o\" is not a number", "stazione citt\xC3\xA0, 3905o", 17},
     R"({"severity": "error", "rule": "E25", "file": "my line/Linea è.txt", "line": 52,
         "column": 18, "message": "the reading failed: \"3905o\" is not a number"})",
     R"({"ruleId": "E25", "ruleIndex": 0, "level": "error",
         "message": {"text": "the reading failed: \"3905o\" is not a number"},
         "locations": [{"physicalLocation": {
           "artifactLocation": {"uri": "my%20line/Linea%20%C3%A8.txt"},
           "region": {"startLine": 52, "startColumn": 17,
                      "snippet": {"text": "stazione città, 3905o"}}}}]})"},
    // A byte that is not UTF-8 is shown as its escape instead of failing the output.
    {{Severity::kWarning, "unknown-keyword", "/tmp/a%b.txt", 3, 1, "unknown keyword 'x\xFF'",
      "x\xFF, 1", 1},
     R"({"severity": "warning", "rule": "unknown-keyword", "file": "/tmp/a%b.txt", "line": 3,
         "column": 1, "message": "unknown keyword 'x\\xFF'"})",
     R"({"ruleId": "unknown-keyword", "ruleIndex": 1, "level": "warning",
         "message": {"text": "unknown keyword 'x\\xFF'"},
         "locations": [{"physicalLocation": {"artifactLocation": {"uri": "file:///tmp/a%25b.txt"},
           "region": {"startLine": 3, "startColumn": 1, "snippet": {"text": "x\\xFF, 1"}}}}]})"},
    {{Severity::kError, "E102", "S/S_linea.txt", 0, 0, "no [generale] header", "", 0},
     R"({"severity": "error", "rule": "E102", "file": "S/S_linea.txt", "line": null,
         "column": null, "message": "no [generale] header"})",
     R"({"ruleId": "E102", "ruleIndex": 2, "level": "error",
         "message": {"text": "no [generale] header"},
         "locations": [{"physicalLocation": {"artifactLocation": {"uri": "S/S_linea.txt"}}}]})"},
    {{Severity::kError, "E25", "", 0, 0, "no file at all", "", 0},
     R"({"severity": "error", "rule": "E25", "file": null, "line": null, "column": null,
         "message": "no file at all"})",
     R"({"ruleId": "E25", "ruleIndex": 0, "level": "error",
         "message": {"text": "no file at all"}})"},
};

TEST(DiagnosticFormatsTest, JsonAndSarifShapes) {
  std::vector<Diagnostic> diagnostics;
  for (const ShapeCase& shape : kCases) diagnostics.push_back(shape.diagnostic);
  std::ostringstream json_text, sarif_text;
  PrintDiagnosticsJson(json_text, diagnostics);
  PrintDiagnosticsSarif(sarif_text, diagnostics);
  // One line, but an object of a list on a line of its own, as the tool's other JSON.
  EXPECT_EQ(json_text.str().rfind("{\"diagnostics\": [\n  {\"severity\": \"error\", ", 0), 0u);
  const Json json = Json::parse(json_text.str());
  const Json sarif = Json::parse(sarif_text.str());
  EXPECT_EQ(json["errors"], 3);
  EXPECT_EQ(json["warnings"], 1);
  EXPECT_EQ(sarif["version"], "2.1.0");
  const Json& run = sarif["runs"].at(0);
  EXPECT_EQ(run["columnKind"], "unicodeCodePoints");
  // The rules in the order of first use, an error code's described by its
  // meaning, a warning's by its summary.
  const std::pair<const char*, const char*> rules[] = {
      {"E25", ErrorMeaning(kErrRunTimeFailure)},
      {"unknown-keyword", WarningSummary("unknown-keyword")},
      {"E102", ErrorMeaning(kErrNoGeneralHeader)}};
  ASSERT_EQ(run["tool"]["driver"]["rules"].size(), std::size(rules));
  for (std::size_t i = 0; i < std::size(rules); ++i) {
    const Json& rule = run["tool"]["driver"]["rules"][i];
    EXPECT_EQ(rule["id"], rules[i].first);
    EXPECT_EQ(rule["shortDescription"]["text"], rules[i].second);
  }
  for (std::size_t i = 0; i < std::size(kCases); ++i) {
    EXPECT_EQ(json["diagnostics"].at(i), Json::parse(kCases[i].json)) << "case " << i;
    EXPECT_EQ(run["results"].at(i), Json::parse(kCases[i].sarif)) << "case " << i;
  }
}

// 250 warnings of one rule and 3 errors of another, as a check collects them.
std::vector<Diagnostic> ManyOfOneRule() {
  DiagnosticList list;
  for (int line = 1; line <= 250; ++line) {
    list.Add({Severity::kWarning, "fraction", "T.txt", line, 1, "m", "x", 1});
    if (line <= 3) list.Add({Severity::kError, "E16", "T.txt", line, 1, "e", "x", 1});
  }
  return list.Take();
}

TEST(DiagnosticFormatsTest, AHundredOfARuleListedAndTheRestCounted) {
  const std::vector<Diagnostic> diagnostics = ManyOfOneRule();
  ASSERT_EQ(diagnostics.size(), kListedPerRule + 3);
  EXPECT_EQ(diagnostics[kListedPerRule + 2].line, 100);
  EXPECT_EQ(diagnostics[kListedPerRule + 2].more_like_this, 150u);
  std::ostringstream text, json_text, sarif_text;
  PrintDiagnosticsText(text, diagnostics);
  EXPECT_NE(text.str().find("      | ^\nT.txt: note: and 150 more like this [-Wfraction]\n"
                            "3 errors, 250 warnings\n"),
            std::string::npos);
  PrintDiagnosticsJson(json_text, diagnostics);
  const Json json = Json::parse(json_text.str());
  EXPECT_EQ(json["warnings"], 250);
  EXPECT_EQ(json["diagnostics"].back()["more_like_this"], 150);
  EXPECT_FALSE(json["diagnostics"].front().contains("more_like_this"));
  PrintDiagnosticsSarif(sarif_text, diagnostics);
  const Json run = Json::parse(sarif_text.str())["runs"][0];
  EXPECT_EQ(run["results"].back()["properties"]["moreLikeThis"], 150);
  const Json note = run["invocations"][0]["toolExecutionNotifications"][0];
  EXPECT_EQ(note["message"]["text"], "and 150 more like this, not listed");
  EXPECT_EQ(note["associatedRule"]["id"], "fraction");
}

// What the author wrote reaches a terminal as valid UTF-8 with its control
// characters escaped, and the caret stays under its character.
TEST(DiagnosticFormatsTest, TextEscapesWhatATerminalWouldActOn) {
  const struct {
    std::string line;  // Windows-1252
    int column;
    std::string quote;  // the two lines printed under the message
  } kCases[] = {
      {"a\x1B]0;x\x07, b", 10, "    1 | a\\x1B]0;x\\x07, b\n      |                ^\n"},
      {"\t\x81\x7F\xE9 b", 6, "    1 | \t\\u0081\\x7F\xC3\xA9 b\n      | \t            ^\n"},
  };
  for (const auto& c : kCases) {
    Diagnostic diagnostic{Severity::kWarning, "fraction", "T\x1B.txt", 1, c.column,
                          "name \xFF\x1B[2J\xC2\x85", "", 0};
    Quote(diagnostic, c.line, c.column);
    std::ostringstream text;
    PrintDiagnosticsText(text, {diagnostic});
    EXPECT_EQ(text.str(), "T\\x1B.txt:1:" + std::to_string(c.column) +
                              ": warning: name \\xFF\\x1B[2J\\u0085 [-Wfraction]\n" + c.quote +
                              "0 errors, 1 warning\n")
        << c.line;
  }
}

// A long line is quoted as a window around the caret, each cut end "...".
TEST(DiagnosticFormatsTest, ALongLineIsQuotedAroundTheCaret) {
  std::string line(100000, 'x');
  line.replace(70000, 3, "\xE9=1");
  for (const int column : {1, 70001, 100000}) {
    Diagnostic diagnostic;
    Quote(diagnostic, line, column);
    EXPECT_TRUE(diagnostic.line_cut);
    EXPECT_LE(diagnostic.line_text.size(), 200u);
    const std::string_view text = diagnostic.line_text;
    const std::size_t caret = static_cast<std::size_t>(diagnostic.display_column) - 1;
    EXPECT_EQ(text.substr(caret, 1), line.substr(static_cast<std::size_t>(column) - 1, 1) == "\xE9"
                                         ? "\xC3"
                                         : "x");
    EXPECT_EQ(text.rfind("...", 0) == 0, column > 1) << column;
  }
}

}  // namespace
}  // namespace packager::tool
