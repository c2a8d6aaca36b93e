// The diagnostics of `scenario-tool check` as JSON, for scripts, and as
// SARIF 2.1.0, for code review tools and editors' lists of problems.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>

#include <nlohmann/json.hpp>

#include "tables/error_codes.h"
#include "tool/diagnostic_formats.h"
#include "explain/shown_text.h"
#include "tool/tool.h"
#include "check/warning_names.h"

namespace packager::tool {

namespace {

using explain::Controls;
using explain::ShownText;
using explain::Utf8CharacterLength;
using Json = nlohmann::ordered_json;

constexpr char kSarifSchema[] = "https://json.schemastore.org/sarif-2.1.0.json";

const char* SeverityWord(Severity severity) {
  switch (severity) {
    case Severity::kError: return "error";
    case Severity::kWarning: return "warning";
    case Severity::kNote: return "note";
  }
  return "note";
}


std::string RuleShown(const Diagnostic& diagnostic) {
  if (diagnostic.rule.empty()) return "";
  if (diagnostic.promoted) return " [-Werror=" + diagnostic.rule + "]";
  if (diagnostic.severity == Severity::kWarning) return " [-W" + diagnostic.rule + "]";
  return " [" + diagnostic.rule + "]";
}

std::size_t CharactersIn(std::string_view utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string Counted(std::size_t count, const char* word) {
  return CountText(count) + " " + word + (count == 1 ? "" : "s");
}

// "      | stazione": the text of a certain fix of the quoted line under the
// column it starts at.
void PrintFixes(std::ostream& out, const Diagnostic& diagnostic, std::size_t margin) {
  for (const Fix& fix : diagnostic.fixes) {
    // A line inserted is said in the fix's description, not shown here.
    if (fix.edits.size() != 1 || !fix.certain ||
        fix.edits.front().new_text.find('\n') != std::string::npos) {
      continue;
    }
    const TextEdit& edit = fix.edits.front();
    if (edit.path != diagnostic.path || edit.line != diagnostic.line ||
        edit.column != diagnostic.column || diagnostic.line_cut) {
      continue;
    }
    std::string pad;
    const std::string_view line = diagnostic.line_text;
    std::size_t passed = 0;
    for (std::size_t at = 0; at < line.size() && passed + 1 < std::size_t(edit.column);) {
      const std::size_t length = std::max<std::size_t>(1, Utf8CharacterLength(line.substr(at)));
      const std::string character = ShownText(line.substr(at, length), Controls::kEscaped);
      pad += line[at] == '\t' ? std::string("\t") : std::string(CharactersIn(character), ' ');
      ++passed;
      at += length;
    }
    out << std::string(margin, ' ') << " | " << pad
        << ShownText(edit.new_text, Controls::kEscaped) << "\n";
  }
}

// "    5 | the line" and, under it, a caret under the column; tabs before the
// caret stay tabs, so that the caret lines up however tabs are shown, and a
// character shown escaped gets as many spaces as its escape has characters.
template <typename Place>
void PrintQuote(std::ostream& out, const Place& diagnostic) {
  std::string margin = std::to_string(diagnostic.line);
  if (margin.size() < 5) margin.insert(0, 5 - margin.size(), ' ');
  std::string shown;
  std::string caret;
  const std::string_view line = diagnostic.line_text;
  std::size_t passed = 0;  // characters of the line before the caret
  for (std::size_t at = 0; at < line.size();) {
    const std::size_t length = std::max<std::size_t>(1, Utf8CharacterLength(line.substr(at)));
    const std::string character = ShownText(line.substr(at, length), Controls::kEscaped);
    shown += character;
    if (passed + 1 < std::size_t(diagnostic.display_column)) {
      caret += line[at] == '\t' ? std::string("\t") : std::string(CharactersIn(character), ' ');
      ++passed;
    }
    at += length;
  }
  if (passed + 1 < std::size_t(diagnostic.display_column)) {
    caret.append(std::size_t(diagnostic.display_column) - passed - 1, ' ');
  }
  out << margin << " | " << shown << "\n" << std::string(margin.size(), ' ') << " | " << caret
      << "^\n";
  if constexpr (std::is_same_v<Place, Diagnostic>) PrintFixes(out, diagnostic, margin.size());
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
  if (!diagnostic.related.empty()) {
    Json related = Json::array();
    for (const RelatedPlace& place : diagnostic.related) {
      related.push_back({{"file", TextOrNull(place.path)},
                         {"line", NumberOrNull(place.line)},
                         {"column", NumberOrNull(place.line > 0 ? place.column : 0)},
                         {"message", Shown(place.message)}});
    }
    json["related"] = std::move(related);
  }
  if (!diagnostic.fixes.empty()) {
    Json fixes = Json::array();
    for (const Fix& fix : diagnostic.fixes) {
      Json edits = Json::array();
      for (const TextEdit& edit : fix.edits) {
        edits.push_back({{"file", TextOrNull(edit.path)},
                         {"line", edit.line},
                         {"column", edit.column},
                         {"end_column", edit.end_column},
                         {"text", Shown(edit.new_text)}});
      }
      Json shown_fix = {{"description", Shown(fix.description)}, {"edits", std::move(edits)}};
      if (!fix.certain) shown_fix["certain"] = false;  // one of several readings
      fixes.push_back(std::move(shown_fix));
    }
    json["fixes"] = std::move(fixes);
  }
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
    if (diagnostic.display_column > 0 && diagnostic.end_line <= diagnostic.line &&
        diagnostic.end_column > diagnostic.column) {
      region["endColumn"] = diagnostic.display_column + diagnostic.end_column - diagnostic.column;
    }
    // A snippet is the region's text: a window of a longer line is none.
    if (!diagnostic.line_text.empty() && !diagnostic.line_cut) {
      region["snippet"] = {{"text", Shown(diagnostic.line_text)}};
    }
    physical["region"] = std::move(region);
  }
  return {{"physicalLocation", std::move(physical)}};
}

// A related place, with its own region.
Json SarifRelated(const RelatedPlace& place, std::size_t id) {
  Json physical = {{"artifactLocation", {{"uri", ArtifactUri(place.path)}}}};
  if (place.line > 0) {
    Json region = {{"startLine", place.line}, {"startColumn", std::max(place.column, 1)}};
    if (place.end_column > place.column) region["endColumn"] = place.end_column;
    physical["region"] = std::move(region);
  }
  return {{"id", id},
          {"physicalLocation", std::move(physical)},
          {"message", {{"text", Shown(place.message)}}}};
}

// A fix as replacements of the regions it edits.
Json SarifFix(const Fix& fix) {
  Json changes = Json::array();
  for (const TextEdit& edit : fix.edits) {
    Json deleted = {{"startLine", edit.line}, {"startColumn", edit.column}};
    if (edit.end_column > edit.column) deleted["endColumn"] = edit.end_column;
    changes.push_back(
        {{"artifactLocation", {{"uri", ArtifactUri(edit.path)}}},
         {"replacements",
          Json::array({{{"deletedRegion", std::move(deleted)},
                        {"insertedContent", {{"text", Shown(edit.new_text)}}}}})}});
  }
  return {{"description", {{"text", Shown(fix.description)}}},
          {"artifactChanges", std::move(changes)}};
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
  if (!diagnostic.related.empty()) {
    Json related = Json::array();
    for (const RelatedPlace& place : diagnostic.related) {
      related.push_back(SarifRelated(place, related.size()));
    }
    result["relatedLocations"] = std::move(related);
  }
  if (!diagnostic.fixes.empty()) {
    Json fixes = Json::array();
    for (const Fix& fix : diagnostic.fixes) fixes.push_back(SarifFix(fix));
    result["fixes"] = std::move(fixes);
  }
  if (diagnostic.more_like_this > 0) {
    result["properties"] = {{"moreLikeThis", diagnostic.more_like_this}};
  }
  return result;
}

}  // namespace

void PrintDiagnosticLines(std::ostream& out, const std::vector<Diagnostic>& diagnostics) {
  for (const Diagnostic& diagnostic : diagnostics) {
    const std::string path = diagnostic.path.empty()
                                 ? std::string("scenario-tool")
                                 : ShownText(diagnostic.path, Controls::kEscaped);
    out << path;
    if (diagnostic.line > 0) out << ':' << diagnostic.line << ':' << diagnostic.column;
    out << ": " << SeverityWord(diagnostic.severity) << ": "
        << ShownText(diagnostic.message, Controls::kEscaped) << RuleShown(diagnostic) << "\n";
    if (diagnostic.line > 0) PrintQuote(out, diagnostic);
    for (const RelatedPlace& place : diagnostic.related) {
      out << ShownText(place.path, Controls::kEscaped);
      if (place.line > 0) out << ':' << place.line << ':' << place.column;
      out << ": note: " << ShownText(place.message, Controls::kEscaped) << "\n";
      if (place.line > 0) PrintQuote(out, place);
    }
    if (diagnostic.more_like_this > 0) {
      out << path << ": note: and " << CountText(diagnostic.more_like_this)
          << " more like this" << RuleShown(diagnostic) << "\n";
    }
  }
}

void PrintDiagnosticsText(std::ostream& out, const std::vector<Diagnostic>& diagnostics,
                          std::size_t stopped_after) {
  PrintDiagnosticLines(out, diagnostics);
  if (stopped_after > 0) out << "scenario-tool: note: " << StoppedNote(stopped_after) << "\n";
  const std::size_t errors = CountOf(diagnostics, Severity::kError);
  const std::size_t warnings = CountOf(diagnostics, Severity::kWarning);
  out << Counted(errors, "error") << ", " << Counted(warnings, "warning") << "\n";
}

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
