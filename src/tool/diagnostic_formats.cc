// The diagnostics of `scenario-tool check` as JSON, for scripts, and as
// SARIF 2.1.0, for code review tools and editors' lists of problems.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include <nlohmann/json.hpp>

#include "tables/error_codes.h"
#include "tool/diagnostics.h"
#include "tool/shown_text.h"
#include "tool/tool.h"
#include "tool/warning_names.h"

namespace packager::tool {

namespace {

using Json = nlohmann::ordered_json;

constexpr char kSarifSchema[] = "https://json.schemastore.org/sarif-2.1.0.json";

const char* SeverityWord(Severity severity) {
  return severity == Severity::kError ? "error" : "warning";
}

// What the author wrote, as valid UTF-8 (JSON escapes the controls itself).
std::string Shown(const std::string& text) { return ShownText(text, Controls::kKept); }

// null stands for what a diagnostic lacks: a rule, a file, a line.
Json TextOrNull(const std::string& text) {
  return text.empty() ? Json(nullptr) : Json(Shown(text));
}
Json NumberOrNull(int number) { return number > 0 ? Json(number) : Json(nullptr); }

// The column counts bytes, as FILE:LINE:COLUMN does in the text output.
Json DiagnosticJson(const Diagnostic& diagnostic) {
  Json json = {{"severity", SeverityWord(diagnostic.severity)},
               {"rule", TextOrNull(diagnostic.rule)},
               {"file", TextOrNull(diagnostic.path)},
               {"line", NumberOrNull(diagnostic.line)},
               {"column", NumberOrNull(diagnostic.line > 0 ? diagnostic.column : 0)},
               {"message", Shown(diagnostic.message)}};
  if (diagnostic.more_like_this > 0) json["more_like_this"] = diagnostic.more_like_this;
  return json;
}

bool IsUriUnreserved(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '.' || c == '_' || c == '~';
}

// Every byte but the unreserved characters and '/' as %XX: spaces, '%', ':'
// (which would make a first segment read as a scheme), and each byte of a
// character beyond ASCII.
std::string PercentEncoded(std::string_view path) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : path) {
    if (IsUriUnreserved(c) || c == '/') {
      encoded += c;
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    encoded += '%';
    encoded += kHex[byte >> 4];
    encoded += kHex[byte & 0xF];
  }
  return encoded;
}

// A path as the URI of an artifact: a relative path stays a relative
// reference; an absolute one becomes a file URI ("/tmp/a" file:///tmp/a, on
// Windows "C:\a" file:///C:/a and "\\host\share" file://host/share).
std::string ArtifactUri(std::string path) {
  constexpr auto kSeparator = std::filesystem::path::preferred_separator;
  if constexpr (kSeparator != '/') {
    std::replace(path.begin(), path.end(), static_cast<char>(kSeparator), '/');
  }
  const std::filesystem::path native(path);
  if (!native.is_absolute()) return PercentEncoded(path);
  if (!native.has_root_name()) return "file://" + PercentEncoded(path);
  if (path.size() >= 2 && path[1] == ':') {
    return "file:///" + path.substr(0, 2) + PercentEncoded(std::string_view(path).substr(2));
  }
  return "file:" + PercentEncoded(path);
}

// What a rule checks: the meaning of an error code ("E16"), or else the
// message of the rule's first diagnostic.
std::string RuleDescription(const std::string& rule, const std::string& first_message) {
  if (const char* summary = WarningSummary(rule)) return summary;
  if (rule.size() < 2 || rule[0] != 'E') return first_message;
  std::int32_t code = 0;
  const char* end = rule.data() + rule.size();
  const auto [stop, error] = std::from_chars(rule.data() + 1, end, code);
  const char* meaning = error == std::errc() && stop == end ? ErrorMeaning(code) : nullptr;
  return meaning != nullptr ? meaning : first_message;
}

// A file without a line has a location without a region.
Json SarifLocation(const Diagnostic& diagnostic) {
  Json physical = {{"artifactLocation", {{"uri", ArtifactUri(diagnostic.path)}}}};
  if (diagnostic.line > 0) {
    Json region = {{"startLine", diagnostic.line}};
    if (diagnostic.display_column > 0) region["startColumn"] = diagnostic.display_column;
    // A snippet is the region's text: a window of a longer line is none.
    if (!diagnostic.line_text.empty() && !diagnostic.line_cut) {
      region["snippet"] = {{"text", Shown(diagnostic.line_text)}};
    }
    physical["region"] = std::move(region);
  }
  return {{"physicalLocation", std::move(physical)}};
}

Json SarifResult(const Diagnostic& diagnostic, std::size_t rule_index) {
  Json result = Json::object();
  if (!diagnostic.rule.empty()) {
    result["ruleId"] = diagnostic.rule;
    result["ruleIndex"] = rule_index;
  }
  result["level"] = SeverityWord(diagnostic.severity);
  result["message"] = {{"text", Shown(diagnostic.message)}};
  if (!diagnostic.path.empty()) result["locations"] = Json::array({SarifLocation(diagnostic)});
  if (diagnostic.more_like_this > 0) {
    result["properties"] = {{"moreLikeThis", diagnostic.more_like_this}};
  }
  return result;
}

}  // namespace

void PrintDiagnosticsJson(std::ostream& out, const std::vector<Diagnostic>& diagnostics,
                          std::size_t stopped_after) {
  Json listed = Json::array();
  for (const Diagnostic& diagnostic : diagnostics) listed.push_back(DiagnosticJson(diagnostic));
  Json document = {{"diagnostics", std::move(listed)},
                   {"errors", CountOf(diagnostics, Severity::kError)},
                   {"warnings", CountOf(diagnostics, Severity::kWarning)}};
  if (stopped_after > 0) document["stopped_after_errors"] = stopped_after;
  out << JsonText(document) << "\n";
}

// The rules come in the order of their first use, so that the same
// diagnostics always give the same text.
void PrintDiagnosticsSarif(std::ostream& out, const std::vector<Diagnostic>& diagnostics,
                           std::size_t stopped_after) {
  std::vector<std::string> rule_ids;
  Json rules = Json::array();
  Json results = Json::array();
  Json notes = Json::array();  // of the results counted, not listed
  for (const Diagnostic& diagnostic : diagnostics) {
    const auto found = std::find(rule_ids.begin(), rule_ids.end(), diagnostic.rule);
    const auto rule_index = static_cast<std::size_t>(found - rule_ids.begin());
    if (!diagnostic.rule.empty() && found == rule_ids.end()) {
      rule_ids.push_back(diagnostic.rule);
      rules.push_back(
          {{"id", diagnostic.rule},
           {"shortDescription",
            {{"text", RuleDescription(diagnostic.rule, Shown(diagnostic.message))}}}});
    }
    results.push_back(SarifResult(diagnostic, rule_index));
    if (diagnostic.more_like_this > 0) {
      notes.push_back({{"level", "note"},
                       {"message",
                        {{"text", "and " + CountText(diagnostic.more_like_this) +
                                      " more like this, not listed"}}},
                       {"associatedRule", {{"id", diagnostic.rule}, {"index", rule_index}}}});
    }
  }
  if (stopped_after > 0) {
    notes.push_back({{"level", "note"}, {"message", {{"text", StoppedNote(stopped_after)}}}});
  }
  const Json driver = {{"name", "scenario-tool"}, {"rules", std::move(rules)}};
  Json run = {{"tool", {{"driver", driver}}},
              {"columnKind", "unicodeCodePoints"},
              {"results", std::move(results)}};
  if (!notes.empty()) {
    run["invocations"] = Json::array(
        {{{"executionSuccessful", true}, {"toolExecutionNotifications", std::move(notes)}}});
  }
  const Json log = {{"$schema", kSarifSchema}, {"version", "2.1.0"}, {"runs", Json::array({run})}};
  out << log.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

}  // namespace packager::tool
