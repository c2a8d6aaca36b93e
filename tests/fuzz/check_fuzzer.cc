// Fuzz harness of what an author reads about a scenario folder: the check
// (CheckScenarioFolder), its JSON and SARIF listings, and the report page of
// scenario-tool report.
//
// The input is split at separator lines "@@@@" (as compile_fuzzer splits it)
// into the five UTF-8 texts of a scenario folder: the line description, the
// train description, the notes, the slowdown order and the timetable sheet;
// the texts the input's separators do not reach are empty. The folder's
// scenario.txt is fixed (the repository scenario's name and train, so that
// its texts make a seed), and the folder lies under /dev/shm.
//
// Besides what the sanitizers catch, the harness stops on a broken promise:
// the check throws, the JSON or the SARIF listing is not valid UTF-8, does
// not parse or does not list every diagnostic, the report fails or counts
// other errors than the check, the page is not valid UTF-8, or it holds
// markup that the report does not write itself: every '<' starts a tag of the
// page's own names (or its doctype), every attribute is one of the page's own
// names with a quoted value, and every '&' starts an entity.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "fuzz/fuzz_support.h"
#include "tables/file_names.h"
#include "tool/diagnostics.h"
#include "tool/tool.h"

namespace {

using packager::fuzz::PrivateFolder;
using packager::fuzz::Require;

constexpr char kScenarioName[] = "Vardessa_Lontrino";
constexpr char kTrainNumber[] = "5608";
constexpr char kScenarioFile[] = "name = Vardessa_Lontrino\ntrain = 5608\n";
constexpr char kFolder[] = "scenario";
constexpr char kPage[] = "report.html";

// The elements and attributes of the report page and its inline pictures.
const std::set<std::string_view> kTags = {
    "html", "head", "meta", "title", "style", "body",     "h1",      "h2",     "p",
    "span", "div",  "b",    "pre",   "table", "tr",       "th",      "td",     "svg",
    "g",    "rect", "line", "text",  "tspan", "polyline", "polygon", "circle", "path"};
const std::set<std::string_view> kAttributes = {
    "lang",         "charset",        "class",           "id",
    "xmlns",        "version",        "width",           "height",
    "viewBox",      "x",              "y",               "x1",
    "y1",           "x2",             "y2",              "dx",
    "dy",           "cx",             "cy",              "r",
    "d",            "points",         "fill",            "stroke",
    "stroke-width", "stroke-dasharray", "stroke-linecap", "stroke-linejoin",
    "font-family",  "font-size",      "font-weight",     "text-anchor",
    "transform",    "opacity",        "fill-opacity",    "dominant-baseline"};

// Where strict UTF-8 (no overlong form, no surrogate, nothing beyond
// U+10FFFF) ends in the text: its size when it is UTF-8 throughout.
std::size_t Utf8Length(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    std::size_t length = 1;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;  // the range of the byte after the lead
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return i;
    }
    if (text.size() - i < length || byte(i + 1) < low || byte(i + 1) > high) return i;
    for (std::size_t k = 2; k < length; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) return i;
    }
    i += length;
  }
  return text.size();
}

// Stops unless the text is UTF-8, showing what comes before its first fault.
void RequireUtf8(std::string_view text, const std::string& what) {
  const std::size_t length = Utf8Length(text);
  if (length == text.size()) return;
  const std::size_t from = length > 60 ? length - 60 : 0;
  Require(false, what + " is UTF-8, but not at byte " + std::to_string(length) + ", after: " +
                     std::string(text.substr(from, length - from)));
}

bool IsNameChar(char c, bool first) {
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  return letter || (!first && ((c >= '0' && c <= '9') || c == '-' || c == ':'));
}

// The name at `at`, which is moved past it.
std::string_view NameAt(std::string_view page, std::size_t& at) {
  const std::size_t start = at;
  while (at < page.size() && IsNameChar(page[at], at == start)) ++at;
  return page.substr(start, at - start);
}

// Stops on a broken promise about the page at byte `at`, which it shows.
void RequireOfPage(bool holds, std::string_view page, std::size_t at, const char* property) {
  if (holds) return;
  Require(false, std::string(property) + " (at byte " + std::to_string(at) + ": " +
                     std::string(page.substr(at, 60)) + ")");
}

bool IsEntity(std::string_view page, std::size_t at) {
  const std::string_view rest = page.substr(at, 6);
  for (const std::string_view known : {"&amp;", "&lt;", "&gt;", "&quot;", "&#"}) {
    if (rest.substr(0, known.size()) == known) return true;
  }
  return false;
}

// The tag that starts at page[at] == '<'; returns where it ends.
std::size_t CheckTag(std::string_view page, std::size_t at) {
  constexpr std::string_view kDoctype = "<!DOCTYPE html>";
  if (page.substr(at, kDoctype.size()) == kDoctype) return at + kDoctype.size();
  std::size_t i = at + 1;
  const bool closing = i < page.size() && page[i] == '/';
  if (closing) ++i;
  RequireOfPage(kTags.count(NameAt(page, i)) != 0, page, at,
                "every '<' of the page starts a tag of its own");
  for (;;) {
    while (i < page.size() && (page[i] == ' ' || page[i] == '\n')) ++i;
    RequireOfPage(i < page.size(), page, at, "every tag of the page ends");
    if (page[i] == '>') return i + 1;
    if (!closing && page.substr(i, 2) == "/>") return i + 2;
    RequireOfPage(!closing, page, at, "a closing tag holds no attribute");
    const std::string_view attribute = NameAt(page, i);
    RequireOfPage(kAttributes.count(attribute) != 0 || attribute.starts_with("data-"), page, at,
                  "every attribute of the page is one of its own");
    RequireOfPage(page.substr(i, 2) == "=\"", page, at, "every attribute value is quoted");
    const std::size_t close = page.find('"', i + 2);
    RequireOfPage(close != std::string_view::npos, page, at, "every attribute value ends");
    for (std::size_t k = i + 2; k < close; ++k) {
      RequireOfPage(page[k] != '<', page, k, "no '<' in an attribute value");
      if (page[k] == '&') RequireOfPage(IsEntity(page, k), page, k, "every '&' starts an entity");
    }
    i = close + 1;
  }
}

void CheckPage(std::string_view page) {
  RequireUtf8(page, "the report page");
  constexpr std::string_view kStyle = "<style>";
  for (std::size_t at = 0; at < page.size();) {
    if (page[at] == '<') {
      const bool style = page.substr(at, kStyle.size()) == kStyle;
      at = CheckTag(page, at);
      if (style) {  // the style sheet holds no markup
        at = page.find("</style>", at);
        RequireOfPage(at != std::string_view::npos, page, 0, "the style sheet ends");
      }
      continue;
    }
    if (page[at] == '&') RequireOfPage(IsEntity(page, at), page, at, "every '&' starts an entity");
    ++at;
  }
}

nlohmann::json Parsed(const std::string& text, const char* listing) {
  RequireUtf8(text, std::string("the ") + listing + " listing");
  try {
    return nlohmann::json::parse(text);
  } catch (const nlohmann::json::exception& error) {
    Require(false, std::string("the ") + listing + " listing parses: " + error.what());
  }
  return {};
}

void CheckListings(const std::vector<packager::tool::Diagnostic>& diagnostics) {
  using namespace packager::tool;
  std::ostringstream json;
  std::ostringstream sarif;
  packager::fuzz::RequireNoThrow("the JSON listing", [&] { PrintDiagnosticsJson(json, diagnostics); });
  packager::fuzz::RequireNoThrow("the SARIF listing",
                                 [&] { PrintDiagnosticsSarif(sarif, diagnostics); });
  const nlohmann::json document = Parsed(json.str(), "JSON");
  Require(document.at("diagnostics").size() == diagnostics.size() &&
              document.at("errors") == CountOf(diagnostics, Severity::kError),
          "the JSON listing lists every diagnostic and counts the errors");
  const nlohmann::json log = Parsed(sarif.str(), "SARIF");
  Require(log.at("runs").at(0).at("results").size() == diagnostics.size(),
          "the SARIF listing has a result for every diagnostic");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace packager;
  static const PrivateFolder folder("check_fuzzer");
  folder.Clear();
  std::error_code error;
  std::filesystem::create_directory(folder.PathOf(kFolder), error);
  Require(!error, "the scenario folder is made");

  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string_view> texts = fuzz::SplitTexts(input, 5);
  const std::string names[] = {
      LineDescriptionName(kScenarioName), TrainDescriptionName(kScenarioName, kTrainNumber),
      NotesName(kScenarioName, kTrainNumber), SlowdownOrderName(kScenarioName, kTrainNumber),
      TimetableSheetName(kScenarioName, kTrainNumber)};
  const std::string in_folder = std::string(kFolder) + "/";
  folder.Write(in_folder + "scenario.txt", kScenarioFile);
  for (std::size_t i = 0; i < texts.size(); ++i) folder.Write(in_folder + names[i], texts[i]);

  const std::string directory = folder.PathOf(kFolder);
  std::vector<tool::Diagnostic> diagnostics;
  fuzz::RequireNoThrow("the check", [&] { diagnostics = tool::CheckScenarioFolder(directory); });
  CheckListings(diagnostics);

  std::ostringstream out;
  std::ostringstream err;
  const int status = tool::RunTool({"report", directory, "-o", folder.PathOf(kPage)}, out, err);
  Require(status == tool::kToolClean || status == tool::kToolRecordedFault,
          "the report is written: " + err.str());
  const std::string page = folder.Read(kPage);
  const std::size_t errors = tool::CountOf(diagnostics, tool::Severity::kError);
  Require(page.find("data-errors=\"" + std::to_string(errors) + "\"") != std::string::npos,
          "the report counts the errors of the check");
  CheckPage(page);
  return 0;
}
