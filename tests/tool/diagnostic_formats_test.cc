#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tables/error_codes.h"
#include "tool/diagnostics.h"
#include "tool/warning_names.h"

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
    // A byte that is not UTF-8 becomes U+FFFD instead of failing the output.
    {{Severity::kWarning, "unknown-keyword", "/tmp/a%b.txt", 3, 1, "unknown keyword 'x\xFF'",
      "x\xFF, 1", 1},
     R"({"severity": "warning", "rule": "unknown-keyword", "file": "/tmp/a%b.txt", "line": 3,
         "column": 1, "message": "unknown keyword 'x�'"})",
     R"({"ruleId": "unknown-keyword", "ruleIndex": 1, "level": "warning",
         "message": {"text": "unknown keyword 'x�'"},
         "locations": [{"physicalLocation": {"artifactLocation": {"uri": "file:///tmp/a%25b.txt"},
           "region": {"startLine": 3, "startColumn": 1, "snippet": {"text": "x�, 1"}}}}]})"},
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

}  // namespace
}  // namespace packager::tool
