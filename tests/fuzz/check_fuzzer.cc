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
// the check throws, the check of the same texts in memory finds other
// diagnostics (so does one that takes the line description's reading from
// the check of another train description), the text listing is not valid
// UTF-8 or holds a control character (C0 but LF and tab, DEL, C1), the JSON
// or the SARIF listing is not valid UTF-8, does not parse or does not list
// every diagnostic, the report fails or counts other errors than the check,
// the page is not valid UTF-8, or it holds markup that the report does not
// write itself: every '<' starts a tag of the page's own names (or its
// doctype), every attribute is one of the page's own names with a quoted
// value, and every '&' starts an entity.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "fuzz/fuzz_support.h"
#include "fuzz/page_oracle.h"
#include "tables/file_names.h"
#include "check/check.h"
#include "tool/diagnostic_formats.h"
#include "tool/tool.h"

namespace {

using packager::fuzz::PrivateFolder;
using packager::fuzz::Require;
using packager::fuzz::RequireUtf8;

constexpr char kScenarioName[] = "Vardessa_Lontrino";
constexpr char kTrainNumber[] = "5608";
constexpr char kScenarioFile[] = "name = Vardessa_Lontrino\ntrain = 5608\n";
constexpr char kFolder[] = "scenario";
constexpr char kPage[] = "report.html";

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
  // What reaches the author's terminal: UTF-8, and no control character but
  // the line ends and tabs, whatever the texts hold.
  std::ostringstream text;
  packager::fuzz::RequireNoThrow("the text listing",
                                 [&] { PrintDiagnosticsText(text, diagnostics); });
  RequireUtf8(text.str(), "the text listing");
  const std::string& shown = text.str();
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const auto byte = static_cast<unsigned char>(shown[i]);
    const bool c1 = byte == 0xC2 && i + 1 < shown.size() &&
                    static_cast<unsigned char>(shown[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(shown[i + 1]) <= 0x9F;
    Require(byte == '\n' || byte == '\t' || (byte >= 0x20 && byte != 0x7F && !c1),
            "the text listing holds no control character");
  }
  std::ostringstream json;
  std::ostringstream sarif;
  packager::fuzz::RequireNoThrow("the JSON listing",
                                 [&] { PrintDiagnosticsJson(json, diagnostics); });
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
  fuzz::RequireNoThrow("the check",
                       [&] { diagnostics = tool::CheckScenarioFolder(directory).diagnostics; });
  CheckListings(diagnostics);
  // The same texts held in memory, as an editor holds them, say the same.
  tool::ScenarioSources sources{directory, false, "", "", {{"scenario.txt", kScenarioFile}}, {}};
  for (std::size_t i = 0; i < texts.size(); ++i) sources.files.emplace(names[i], texts[i]);
  for (std::size_t i = texts.size(); i < std::size(names); ++i) sources.files.emplace(names[i], "");
  const std::vector<tool::Diagnostic> in_memory = tool::CheckScenario(sources).diagnostics;
  Require(in_memory.size() == diagnostics.size(), "a check in memory finds what one on disk does");
  for (std::size_t i = 0; i < in_memory.size(); ++i) {
    Require(in_memory[i].message == diagnostics[i].message &&
                in_memory[i].line == diagnostics[i].line,
            "a check in memory finds what one on disk does: " + in_memory[i].message);
  }
  // A check that takes the line description's reading from what the check
  // of another train description kept says the same.
  tool::CheckCache cache;
  tool::ScenarioSources other_train = sources;
  other_train.files[names[1]] = "[generale]\n";
  tool::CheckScenario(other_train, {}, &cache);
  Require(tool::CheckScenario(sources, {}, &cache).diagnostics == in_memory,
          "a check with the cache of another train description finds what a fresh one does");

  std::ostringstream out;
  std::ostringstream err;
  const int status = tool::RunTool({"report", directory, "-o", folder.PathOf(kPage)}, out, err);
  Require(status == tool::kToolClean || status == tool::kToolRecordedFault,
          "the report is written: " + err.str());
  const std::string page = folder.Read(kPage);
  const std::size_t errors = tool::CountOf(diagnostics, tool::Severity::kError);
  Require(page.find("data-errors=\"" + std::to_string(errors) + "\"") != std::string::npos,
          "the report counts the errors of the check");
  packager::fuzz::RequireOwnMarkupOnly(page);
  return 0;
}
