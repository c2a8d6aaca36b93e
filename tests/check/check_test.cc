// The checker on texts held in memory: what it finds, where, with which
// related places and fixes.
#include "check/check.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/check_texts.h"

#include "check/diagnostics.h"

namespace packager::tool {
namespace {

using test_support::kFaultyLine;
using test_support::kFaultyTrain;
using test_support::kLineHead;
using test_support::kTrainHead;


// The texts a packager hands over, in memory; no folder named.
CheckResult CheckTexts(const std::string& line, const std::string& train) {
  ScenarioSources sources{"", true, "Vardessa_Lontrino", "5608", {}, {}};
  sources.files["Vardessa_Lontrino_linea.txt"] = line;
  sources.files["Vardessa_Lontrino_5608-.txt"] = train;
  return CheckScenario(sources);
}

// Each diagnostic's place and rule, "FILE:LINE:COLUMN RULE" with the
// scenario's name left out ("5608-.txt:2:1 no-start-value"); a folder's
// problems as "FILE:LINE:COLUMN error".
std::vector<std::string> Findings(const CheckResult& result) {
  std::vector<std::string> findings;
  for (const Diagnostic& diagnostic : result.diagnostics) {
    std::string file = diagnostic.path;
    if (file.rfind("Vardessa_Lontrino_", 0) == 0) file = file.substr(18);
    findings.push_back(file + ":" + std::to_string(diagnostic.line) + ":" +
                       std::to_string(diagnostic.column) + " " +
                       (diagnostic.severity == Severity::kNote ? "note"
                        : diagnostic.rule.empty()               ? "error"
                                                                : diagnostic.rule));
  }
  return findings;
}

TEST(CheckTest, WarnsOfWhatTheCompileAcceptsButAuthorsRarelyMean) {
  const struct {
    const char* what;
    std::string line;
    std::string train;
    std::vector<std::string> findings;
  } kCases[] = {
      {"a misspelt keyword, its values not reported again",
       std::string(kLineHead) + "pendeza, 0, 5\r\n", kTrainHead,
       {"linea.txt:4:1 unknown-keyword"}},
      {"a misspelt train keyword and a section header", kLineHead,
       std::string(kTrainHead) + "[segnali]\r\nsegnalle, 1750, 2\r\n",
       {"5608-.txt:5:1 unknown-keyword"}},
      {"no [generale] in the train: nothing else is said of it", kLineHead,
       "[general]\r\nvelocita, 0, 100\r\n",
       {"5608-.txt:1:1 no-general-header", "5608-.txt:0:0 note"}},
      {"no header in brackets at all: said at the first line", kLineHead,
       "velocita, 0, 100\r\n", {"5608-.txt:1:1 no-general-header", "5608-.txt:0:0 note"}},
      {"a station name with a comma leaves a field over", kLineHead,
       std::string(kTrainHead) +
           "stazione, 0, 7, 800, 1,0,0, 4,1,0, 2,1,1, 1, 12,5,0, BORGO, VESSARO\r\n[fine]\r\n",
       {"5608-.txt:4:61 leftover-fields"}},
      {"a record short of values reads the next line",
       std::string(kLineHead) + "pendenza, 0\r\n  5\r\n", kTrainHead,
       {"linea.txt:5:3 record-spans-lines"}},
      {"records out of order; curves that overlap",
       std::string(kLineHead) + "pendenza, 500, 2\r\npendenza, 200, 1\r\n" +
           "curvas3, 100, 400\r\ncurvad3, 300, 300\r\n",
       kTrainHead, {"linea.txt:5:11 out-of-order", "linea.txt:7:10 overlapping-curves"}},
      {"curve keywords read otherwise than they look",
       std::string(kLineHead) + "curva destra 2, 100, 100\r\ncurvad12, 300, 100\r\n" +
           "Curvas 3, 500, 100\r\ncurvaS4, 700, 100\r\n",
       kTrainHead,
       {"linea.txt:4:1 curve-keyword", "linea.txt:5:1 curve-keyword",
        "linea.txt:6:1 curve-keyword"}},
      {"no speed at 0, no adhesion at all", kLineHead,
       "[generale]\r\nvelocita, 100, 50\r\n",
       {"5608-.txt:2:1 no-start-value", "5608-.txt:0:0 no-start-value"}},
      {"positions off the raster that change cell; one that does not",
       std::string(kLineHead) + "pendenza, 1020, 1\r\ncartello_indicatore, 1030, (F)\r\n",
       std::string(kTrainHead) + "velocita, 1075, 50\r\n",
       {"linea.txt:5:22 position-rounding", "5608-.txt:4:11 position-rounding"}},
      {"a signal at 3425 m lands a cell late, one at 3475 m where its metre lies", kLineHead,
       std::string(kTrainHead) + "segnale, 3425, 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\n" +
           "segnale, 4475, 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\n",
       {"5608-.txt:4:10 position-rounding"}},
      {"fractions, empty texts and values beyond their fields",
       std::string(kLineHead) + "pendenza, 0, 12.5\r\npendenza, 50, 200\r\n" +
           "cartello_indicatore, 500,\r\nindicatori_vmax, 600, 100, 90, 80, 12, , , , 0\r\n",
       std::string(kTrainHead) + "aderenza, 100, 300\r\nvelocita, 100, 92\r\n",
       {"linea.txt:4:14 fraction", "linea.txt:5:15 narrow-field", "linea.txt:6:26 empty-text",
        "linea.txt:7:1 speed-board", "linea.txt:7:36 narrow-field", "5608-.txt:4:16 narrow-field",
        "5608-.txt:5:16 narrow-field"}},
      {"board speeds off the 5 km/h step: a left one spills into the right, a right one above "
       "495 into the left; multiples of 5 are sound",
       std::string(kLineHead) + "indicatori_vmax, 500, 100, 92, 80, 0, 97, 90, 500, 0\r\n" +
           "indicatori_vmax, 700, 100, 90, 80, 0, 95, 0, 5, 0\r\n",
       kTrainHead, {"linea.txt:4:28 narrow-field", "linea.txt:4:39 narrow-field",
                    "linea.txt:4:47 narrow-field"}},
      {"a deleted [curve] header: once, at the first record it leaves in the general part, "
       "with the header as its fix",
       "[generale]\r\nlunghezza percorso, 5000\r\ncurvas3, 100, 200\r\ncurvad4, 900, 100\r\n"
       "[pendenze]\r\npendenza, 0, 1\r\n",
       kTrainHead, {"linea.txt:3:1 missing-header"}},
      {"values an author hardly means; 100 and the flags 0 and 1 are sound", kLineHead,
       "[generale]\r\nnumero vetture, 0\r\nvelocita, 0, 100\r\naderenza, 0, 100\r\n"
       "aderenza, 500, 8\r\norologio, 7, 75, 0\r\nrallentamento, 2000, 30, 100, 2, 1, 0\r\n",
       {"5608-.txt:2:17 unlikely-value", "5608-.txt:5:16 unlikely-value",
        "5608-.txt:6:14 unlikely-value", "5608-.txt:7:31 unlikely-value"}},
      {"a signal without a head, codes for a side without one; a one-sided signal is sound",
       kLineHead,
       std::string(kTrainHead) + "segnale, 1000, 0, 4, 1, 0, 0, 0, 3, 1, 0, 0\r\n" +
           "segnale, 2000, 0, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\n" +
           "segnale, 3000, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\r\n",
       {"5608-.txt:4:16 signal-heads", "5608-.txt:5:19 signal-heads"}},
      {"a cab signalling stretch backwards, mountains 100 m apart and overlapping; 200 m "
       "apart, or meant as type 3, is sound",
       "[generale]\r\nlunghezza percorso, 9000\r\nripetizione segnali 4 codici, 3000, 1000\r\n"
       "[montagne]\r\nmontagna, 100, 500, 1\r\nmontagna, 600, 900, 11\r\n"
       "montagna, 800, 1500, 2\r\nmontagna, 1700, 2000, 1\r\nmontagna, 2100, 2500, 13\r\n",
       kTrainHead,
       {"linea.txt:3:37 reversed-stretch", "linea.txt:6:11 near-mountains",
        "linea.txt:7:11 near-mountains"}},
      {"a clock above [generale]; notes that name a record are sound", kLineHead,
       "notes: orologio, h, m, s sets the clock\r\norologio, 7, 5, 0\r\n" +
           std::string(kTrainHead),
       {"5608-.txt:2:1 above-general"}},
      {"a curve that swallows the curves after it: said once, at its length",
       "[generale]\r\nlunghezza percorso, 9000\r\n[curve]\r\ncurvas3, 100, 5000\r\n"
       "curvad4, 900, 100\r\ncurvas2, 2000, 100\r\ncurvad2, 6000, 100\r\n",
       kTrainHead, {"linea.txt:4:15 curve-swallows"}},
      {"two speeds in one cell; two gradients 50 m apart are sound",
       std::string(kLineHead) + "pendenza, 0, 1\r\npendenza, 50, 2\r\n",
       std::string(kTrainHead) + "velocita, 500, 60\r\nvelocita, 520, 80\r\n",
       {"5608-.txt:5:11 overwritten"}},
  };
  for (const auto& test : kCases) {
    const CheckResult result = CheckTexts(test.line, test.train);
    EXPECT_EQ(CountOf(result.diagnostics, Severity::kError), 0u) << test.what;
    EXPECT_EQ(Findings(result), test.findings) << test.what;
  }
}


// As every round compiled both texts again, before the line description
// was read once for all the rounds of the train description.
TEST(CheckTest, RoundsFindWhatCompilingBothTextsEachRoundFound) {
  const CheckResult result = CheckTexts(kFaultyLine, kFaultyTrain);
  EXPECT_EQ(Findings(result), (std::vector<std::string>{
                               "linea.txt:5:1 E15", "linea.txt:7:1 E103", "linea.txt:8:1 E15",
                               "5608-.txt:4:1 E16", "5608-.txt:5:10 E25",
                               "5608-.txt:6:1 unknown-keyword", "5608-.txt:8:1 E16",
                               "5608-.txt:0:0 note"}));
  // A taken cell names the record that took it as a related place.
  std::vector<std::string> holders;
  for (const Diagnostic& diagnostic : result.diagnostics) {
    for (const RelatedPlace& place : diagnostic.related) {
      holders.push_back(diagnostic.message.substr(diagnostic.message.rfind(": ") + 2) + " <- " +
                        place.path + ":" + std::to_string(place.line) + ":" +
                        std::to_string(place.column) + " " + place.message);
    }
  }
  EXPECT_EQ(holders, (std::vector<std::string>{
                         "cell 41 (2050 m) holds an indicator board; move one of the two "
                         "records to a free cell <- "
                         "Vardessa_Lontrino_linea.txt:4:1 this record put an indicator board on "
                         "the cell",
                         "cell 51 (2550 m) holds a signal; move one of the two records to a "
                         "free cell <- Vardessa_Lontrino_5608-.txt:7:1 "
                         "this record put a signal on the cell"}));
}

// Rounds after the first read on from before the record set aside last:
// what a record set aside there wrote is put back, and what the rounds read
// finds what a reading from the top finds.
TEST(CheckTest, RoundsReadOnFromBeforeTheRecordSetAside) {
  const std::string kSignal = ", 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\n";
  const auto station = [](int x, const char* name) {
    return "stazione, " + std::to_string(x) + ", 1, 400, 1, 0, 0, 4,1,0, 2,1,1, 1, 12, 5, 0, " +
           name + "\r\n";
  };
  const auto slowdown = [](int x) {
    return "rallentamento, " + std::to_string(x) + ", 60, 50, 0, 0, 0\r\n";
  };
  const struct {
    const char* what;
    std::string line, train;
    std::vector<std::string> errors;
  } kCases[] = {
      {"a station too near the one before, set aside after it put its stop point in cell 47: "
       "a signal there is sound",
       "[generale]\r\nlunghezza percorso, 9000\r\n[curve]\r\n",
       std::string(kTrainHead) + station(2000, "A") + "segnale, 1x" + kSignal +
           station(2200, "B") + "segnale, 2300" + kSignal + "segnale, 2y" + kSignal,
       {"5608-.txt:5:10 E25", "5608-.txt:6:1 E22", "5608-.txt:8:10 E25"}},
      {"slowdowns whose points reach cell 1 only in the third round",
       "[generale]\r\nlunghezza percorso, 20000\r\n[curve]\r\n",
       std::string(kTrainHead) + "segnale, 1x" + kSignal + slowdown(350) + slowdown(650) +
           "segnale, 2y" + kSignal + slowdown(1000) + "segnale, 3z" + kSignal,
       {"5608-.txt:4:10 E25", "5608-.txt:7:10 E25", "5608-.txt:8:16 E1250",
        "5608-.txt:9:10 E25"}},
  };
  for (const auto& test : kCases) {
    std::vector<std::string> errors;
    for (const std::string& finding : Findings(CheckTexts(test.line, test.train))) {
      if (finding.find(" E") != std::string::npos) errors.push_back(finding);
    }
    EXPECT_EQ(errors, test.errors) << test.what;
  }
}

// A scenario folder in memory: scenario.txt and the five UTF-8 texts.
FolderFiles Folder(const std::string& line, const std::string& train) {
  return {{"scenario.txt", "name = L\ntrain = 1\n"},
          {"L_linea.txt", line},
          {"L_1-.txt", train},
          {"L_1_note.txt", ""},
          {"L_1_rallentamenti.txt", ""},
          {"L_1_scheda_treno.txt", ""}};
}

std::vector<std::string> Errors(const CheckResult& result) {
  std::vector<std::string> errors;
  for (const Diagnostic& diagnostic : result.diagnostics) {
    if (diagnostic.severity != Severity::kError) continue;
    errors.push_back(diagnostic.path + ":" + std::to_string(diagnostic.line) + ":" +
                     std::to_string(diagnostic.column) + " " +
                     (diagnostic.rule.empty() ? diagnostic.message : diagnostic.rule));
  }
  return errors;
}

// Reading a folder says every problem of every file, at its line and
// column, and goes on with the texts where it can: the build refuses such a
// folder, so the result carries none.
TEST(CheckTest, EveryProblemOfEveryFileOfTheFolder) {
  const std::string signal = "segnale, 1750, 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\n";
  struct Case {
    const char* what;
    FolderFiles files;
    std::vector<std::string> errors;
  };
  FolderFiles unholdable = Folder(kLineHead, std::string(kTrainHead) + signal + signal);
  unholdable["L_1-.txt"].insert(0, "; \xC5\x81\xC3\xB3" "d\xC5\xBA \xE2\x9C\x93\n");
  FolderFiles missing = Folder(kLineHead, kTrainHead);
  missing.erase("L_1-.txt");
  missing.erase("L_1_note.txt");
  FolderFiles keys = Folder(kLineHead, kTrainHead);
  keys["scenario.txt"] = "\xEF\xBB\xBFname = L\nname = M\ncolour = red\n  train = 1/2\n";
  FolderFiles other_train = Folder(kLineHead, kTrainHead);
  other_train["scenario.txt"] = "name = L\ntrain = 2\n";
  FolderFiles other_name = Folder(kLineHead, kTrainHead);
  other_name["scenario.txt"] = "# the scenario\nname = M\ntrain = 1\n";
  FolderFiles marker = Folder(kLineHead, std::string(kTrainHead) + "riferimento fine del file\n");
  marker["L_1_note.txt"] = std::string("a\0b\n", 4) + "\xFF\n";
  FolderFiles unnamed = missing;
  unnamed.erase("scenario.txt");
  const Case kCases[] = {
      {"no scenario.txt: what to write in it, from the texts, and every text missing",
       unnamed,
       {"scenario.txt:0:0 missing; it names the scenario and its train: write in it the lines "
        "\"name = L\" and \"train = 1\", as the texts of the folder say",
        "L_1-.txt:0:0 missing; the scenario folder must hold this text",
        "L_1_note.txt:0:0 missing; the scenario folder must hold this text"}},
      {"three characters the code page cannot hold, then a signal on a signal",
       unholdable,
       {"L_1-.txt:1:3 character U+0141 at column 3 has no Windows-1252 byte",
        "L_1-.txt:1:6 character U+017A at column 6 has no Windows-1252 byte",
        "L_1-.txt:1:8 character U+2713 at column 8 has no Windows-1252 byte",
        "L_1-.txt:6:1 E16"}},
      {"every missing text named", missing,
       {"L_1-.txt:0:0 missing; the scenario folder must hold this text",
        "L_1_note.txt:0:0 missing; the scenario folder must hold this text"}},
      {"a train number no text bears: scenario.txt is at fault, once", other_train,
       {"scenario.txt:2:9 'train = 2' names L_2-.txt, which the folder does not hold; it holds "
        "L_1-.txt: write 'train = 1', or rename the texts to the train given"}},
      {"a name no text bears", other_name,
       {"scenario.txt:2:8 'name = M' names M_linea.txt, which the folder does not hold; it holds "
        "L_linea.txt: write 'name = L', or rename the texts to the name given"}},
      {"every fault of scenario.txt", keys,
       {"scenario.txt:1:1 saved as UTF-8 with a byte-order mark (BOM), which the texts may not "
        "start with: save it as UTF-8 (in Notepad: File > Save as > Encoding: UTF-8), without "
        "the mark",
        "scenario.txt:2:1 'name' is given twice",
        "scenario.txt:3:1 unknown key 'colour'; expected 'name' or 'train'",
        "scenario.txt:4:11 'train' may hold only ASCII letters, digits, '_', '-' and '.'",
        "scenario.txt:0:0 missing 'train = ...'"}},
      {"lines that cannot be carried", marker,
       {"L_1-.txt:4:1 the line is the end marker \"riferimento fine del file\", which would "
        "cut the text short",
        "L_1_note.txt:1:2 NUL byte inside the line",
        "L_1_note.txt:2:1 saved as ANSI (Windows-1252); the texts are UTF-8: save it as UTF-8 "
        "(in Notepad: File > Save as > Encoding: UTF-8)"}},
  };
  for (const Case& test : kCases) {
    const CheckResult result = CheckScenario({"", false, "", "", test.files, {}});
    EXPECT_EQ(Errors(result), test.errors) << test.what;
    EXPECT_FALSE(result.folder) << test.what;
  }
  // Texts of the folder the check did not read count as the texts it holds.
  FolderFiles on_disk = missing;
  on_disk["scenario.txt"] = "name = L\ntrain = 2\n";
  const CheckResult listed = CheckScenario({"", false, "", "", on_disk, {"L_1-.txt", "x.txt"}});
  EXPECT_EQ(Errors(listed).size(), 2u);  // the train number, and the notes neither number has
  ASSERT_FALSE(listed.diagnostics.empty());
  EXPECT_NE(listed.diagnostics[0].message.find("it holds L_1-.txt:"), std::string::npos);
  // A crew document missing is said, the descriptions read on, and handed
  // over for a picture; the build still refuses the folder.
  FolderFiles crew_missing = Folder(kLineHead, std::string(kTrainHead) + signal + signal);
  crew_missing.erase("L_1_rallentamenti.txt");
  const CheckResult crew = CheckScenario({"", false, "", "", crew_missing, {}});
  EXPECT_EQ(Errors(crew), (std::vector<std::string>{
                              "L_1-.txt:5:1 E16",
                              "L_1_rallentamenti.txt:0:0 missing; the scenario folder must hold "
                              "this text"}));
  EXPECT_FALSE(crew.folder);
  EXPECT_TRUE(crew.descriptions);
  const CheckResult clean = CheckScenario({"", false, "", "", Folder(kLineHead, kTrainHead), {}});
  EXPECT_EQ(Errors(clean), std::vector<std::string>{});
  ASSERT_TRUE(clean.folder);
  EXPECT_EQ(clean.folder->line_description.lines[1], "lunghezza percorso, 1000");
  // The caret stands under the character at fault in the line as written.
  const CheckResult in_folder = CheckScenario({"d", false, "", "", unholdable, {}});
  ASSERT_FALSE(in_folder.diagnostics.empty());
  const Diagnostic& first = in_folder.diagnostics.front();
  EXPECT_EQ(first.path, "d/L_1-.txt");
  EXPECT_EQ(first.line_text, "; \xC5\x81\xC3\xB3" "d\xC5\xBA \xE2\x9C\x93");
  EXPECT_EQ(first.display_column, 3);
  // A text saved as ANSI is quoted as its editor shows it.
  FolderFiles ansi = Folder(kLineHead, kTrainHead);
  ansi["L_1_note.txt"] = "Fermata a Citt\xE0\r\n";
  const CheckResult ansi_result = CheckScenario({"d", false, "", "", ansi, {}});
  ASSERT_EQ(Errors(ansi_result).size(), 1u);
  EXPECT_EQ(ansi_result.diagnostics[0].line_text, "Fermata a Citt\xC3\xA0");
  EXPECT_EQ(ansi_result.diagnostics[0].column, 15);
}

// A fix is certain: applied, the text reads as before and says so plainly,
// and its warning is gone.
TEST(CheckTest, FixesMakeTheTextSayWhatTheCompileReads) {
  const struct {
    const char* what;
    std::string line;
    const char* rule;
    std::string fixed;
  } kCases[] = {
      {"a misspelt keyword", std::string(kLineHead) + "  pendeza, 0, 5\r\n", "unknown-keyword",
       std::string(kLineHead) + "  pendenza, 0, 5\r\n"},
      {"a fraction", std::string(kLineHead) + "pendenza, 0, 12.5\r\n", "fraction",
       std::string(kLineHead) + "pendenza, 0, 12\r\n"},
      {"a position off the raster", std::string(kLineHead) + "pendenza, 1030, 1\r\n",
       "position-rounding", std::string(kLineHead) + "pendenza, 1050, 1\r\n"},
      {"a board a cell late", std::string(kLineHead) + "cartello_indicatore, 1225, (F)\r\n",
       "position-rounding", std::string(kLineHead) + "cartello_indicatore, 1250, (F)\r\n"},
      {"a board's right speed off the step",
       std::string(kLineHead) + "indicatori_vmax, 500, 100, , , 0, 97, , , 0\r\n", "narrow-field",
       std::string(kLineHead) + "indicatori_vmax, 500, 100, , , 0, 95, , , 0\r\n"},
  };
  for (const auto& test : kCases) {
    const CheckResult result = CheckTexts(test.line, kTrainHead);
    ASSERT_EQ(result.diagnostics.size(), 1u) << test.what;
    const Diagnostic& warning = result.diagnostics.front();
    EXPECT_EQ(warning.rule, test.rule);
    ASSERT_EQ(warning.fixes.size(), 1u) << test.what;
    ASSERT_EQ(warning.fixes[0].edits.size(), 1u) << test.what;
    const TextEdit& edit = warning.fixes[0].edits[0];
    EXPECT_EQ(edit.path, "Vardessa_Lontrino_linea.txt");
    // The edit's line is the fourth: after the three of the head.
    ASSERT_EQ(edit.line, 4) << test.what;
    std::string fixed = test.line;
    const std::size_t line_start = std::string(kLineHead).size();
    fixed.replace(line_start + edit.column - 1, edit.end_column - edit.column, edit.new_text);
    EXPECT_EQ(fixed, test.fixed) << test.what;
    EXPECT_TRUE(CheckTexts(fixed, kTrainHead).diagnostics.empty()) << test.what;
  }
  // The train's header spelt otherwise: the fix makes the whole train read.
  std::string train = std::string(kTrainHead).replace(0, 10, "  [General]");
  const CheckResult headless = CheckTexts(kLineHead, train);
  ASSERT_FALSE(headless.diagnostics.empty());
  ASSERT_EQ(headless.diagnostics[0].fixes.size(), 1u);
  const TextEdit& edit = headless.diagnostics[0].fixes[0].edits[0];
  ASSERT_EQ(edit.line, 1);
  train.replace(edit.column - 1, edit.end_column - edit.column, edit.new_text);
  EXPECT_EQ(train, "  " + std::string(kTrainHead));
  EXPECT_TRUE(CheckTexts(kLineHead, train).diagnostics.empty());
}

// A fix is offered only where the text it makes is read as meant: a body
// keyword misspelt above the line's first header would be read as no
// record even spelt right, so none is offered; below it, it is.
TEST(CheckTest, NoFixIsAskedForAgain) {
  const auto fixes_of = [](const std::string& line) {
    const CheckResult result = CheckTexts(line, kTrainHead);
    EXPECT_EQ(Findings(result).size(), 1u) << line;
    return result.diagnostics.empty() ? std::size_t{99} : result.diagnostics[0].fixes.size();
  };
  EXPECT_EQ(fixes_of("[generale]\r\nlunghezza percorso, 1000\r\npendnza, 0, 5\r\n[curve]\r\n"),
            0u);
  EXPECT_EQ(fixes_of("[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\npendnza, 0, 5\r\n"),
            1u);
}

// Whatever a record asked for and the tables do not hold is said at that
// record, the record that wrote over it named; what is placed by design
// over a mountain stretch's marks, or a pass at a station that places no
// stop point, is not.
TEST(CheckTest, NothingIsLostWithoutAWord) {
  const std::string kStation = "stazione, 2000, 7, 300, 0,0,0, 1,1,0, 1,1,0, 0, 12,9,0, BORGO\r\n";
  const std::string kStations = std::string(kTrainHead) + "[stazioni]\r\n";
  const struct {
    const char* what;
    std::string line;
    std::string train;
    std::vector<std::string> findings;
    std::vector<std::string> related;
  } kCases[] = {
      {"a mountain stretch that ends before it starts",
       std::string(kLineHead) + "montagna, 800, 700, 12\r\n", kTrainHead,
       {"linea.txt:4:1 no-effect"}, {}},
      {"a curve of no length; one that the plan has passed already",
       std::string(kLineHead) + "curvad2, 100, 0\r\ncurvas2, 200, 300\r\ncurvad3, 300, 100\r\n",
       kTrainHead,
       {"linea.txt:4:1 no-effect", "linea.txt:6:1 no-effect"}, {}},
      {"a stop at a station of a kind that places no stop point; a pass there is sound",
       kLineHead,
       kStations + "stazione, 200, 27, 300, 0,0,0, 1,1,0, 1,1,0, 0, 12,5,0, BIVIO\r\n" +
           "stazione, 900, 25, 200, 0,0,0, 1,1,0, 1,1,0, 0, 0,0,0, FERMATA\r\n",
       {"5608-.txt:5:1 no-effect"}, {}},
      {"an indicator board under a station's stop point",
       std::string(kLineHead) + "cartello_indicatore, 2200, (F)\r\n", kStations + kStation,
       {"linea.txt:4:1 overwritten"}, {"5608-.txt:5"}},
      {"two adhesions in cell 0: the first is replaced before any cell gets it", kLineHead,
       "[generale]\r\nvelocita, 0, 100\r\naderenza, 0, 100\r\naderenza, 20, 90\r\n",
       {"5608-.txt:3:1 no-effect"}, {"5608-.txt:4"}},
      {"two speeds in one cell later on", kLineHead,
       std::string(kTrainHead) + "velocita, 500, 60\r\nvelocita, 500, 80\r\n",
       {"5608-.txt:5:11 overwritten"}, {"5608-.txt:4"}},
      {"an exit signal just past a station takes its nearest approach marks: said at the "
       "station; one whose marks fall clear is sound",
       "[generale]\r\nlunghezza percorso, 9000\r\n[curve]\r\n",
       kStations + "stazione, 2400, 11, 600, 0,1,1, 2,1,0, 3,1,1, 30, 10,5,0, PIAN\r\n" +
           "stazione, 5000, 11, 600, 0,1,1, 2,1,0, 3,1,1, 30, 10,9,0, MORO\r\n" +
           "segnale, 2950, 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\n" +
           "segnale, 5700, 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\n",
       {"5608-.txt:5:1 overwritten"}, {"5608-.txt:7"}},
      {"boards and signals over a mountain stretch's marks",
       std::string(kLineHead) + "montagna, 100, 900, 12\r\ncartello_indicatore, 300, (F)\r\n",
       std::string(kTrainHead) + "segnale, 500, 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\n", {}, {}},
  };
  for (const auto& test : kCases) {
    const CheckResult result = CheckTexts(test.line, test.train);
    EXPECT_EQ(Findings(result), test.findings) << test.what;
    std::vector<std::string> related;
    for (const Diagnostic& diagnostic : result.diagnostics) {
      for (const RelatedPlace& place : diagnostic.related) {
        related.push_back(place.path.substr(18) + ":" + std::to_string(place.line));
      }
    }
    EXPECT_EQ(related, test.related) << test.what;
  }
}

// The train against itself and the line's boards: each rule fires on the
// slip it names, and on nothing a sound text says.
TEST(CheckTest, TheTrainCheckedAgainstItself) {
  const std::string kStations = std::string(kTrainHead) + "[stazioni]\r\n";
  // Where the train stops it stands 30 s (column 13), unless told.
  const auto station = [](int position, const char* time, const char* name,
                          const char* dwell = nullptr) {
    const bool stops = std::string(time) != "0,0,0";
    return "stazione, " + std::to_string(position) + ", 12, 300, 0,0,0, 1,1,0, 1,1,0, " +
           (dwell != nullptr ? dwell : stops ? "30" : "0") + ", " + time + ", " + name + "\r\n";
  };
  // 100 km/h from 0 on: from a stop to one 5000 m on the train needs at least
  // 3 min 48 s (starting at 0.5 m/s², braking at 0.7 m/s²), a minute less is
  // let pass.
  const std::string kRun = "[generale]\r\nvelocita, 0, 100\r\naderenza, 0, 100\r\n[stazioni]\r\n";
  const std::string kSignal = ", 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\n";
  const std::string kLong = "[generale]\r\nlunghezza percorso, 20000\r\n[curve]\r\n";
  const struct {
    const char* what;
    std::string line;
    std::string train;
    std::vector<std::string> findings;
  } kCases[] = {
      {"times that go back; a pass between stops is sound", kLong,
       kStations + station(1000, "12,10,0", "A") + station(3000, "0,0,0", "B") +
           station(5000, "12,5,0", "C"),
       {"5608-.txt:7:1 time-order"}},
      {"a time that does not advance", kLong,
       kStations + station(1000, "12,10,0", "A") + station(5000, "12,10,0", "C"),
       {"5608-.txt:6:1 time-order"}},
      {"a stop on the way that stands 0 s; the first stop's 1 and the last stop's 0 are sound",
       kLong,
       kStations + station(1000, "12,10,0", "A", "1") + station(5000, "12,20,0", "B", "0") +
           station(9000, "12,30,0", "C", "0"),
       {"5608-.txt:6:47 stop-dwell"}},
      {"running times: 2 min 20 s for 5000 m is short, 3 min lies within the minute's "
       "rounding; the stop's 30 s count, the last stop's do not",
       kLong,
       kRun + station(0, "12,0,0", "A") + station(5000, "12,2,50", "B") +
           station(10000, "12,6,20", "C") + station(15000, "12,9,20", "D", "60"),
       {"5608-.txt:6:51 running-time"}},
      {"a slowdown at 1500 m gets no warning board; one at 1550 m does", kLong,
       std::string(kTrainHead) + "rallentamento, 1500, 60, 200, 0, 0, 0\r\n" +
           "rallentamento, 3550, 60, 200, 0, 0, 0\r\n",
       {"5608-.txt:4:1 slowdown-no-warning"}},
      {"kind 7 on the way; at either end it is sound", kLong,
       kStations + "stazione, 0, 7, 600, 1,0,0, 4,1,0, 2,1,1, 1, 12,0,0, A\r\n" +
           "stazione, 5000, 7, 600, 0,1,1, 2,1,0, 3,1,1, 30, 12,10,0, B\r\n" +
           "stazione, 10000, 7, 400, 1,0,0, 4,1,0, 2,1,1, 60, 12,20,0, C\r\n",
       {"5608-.txt:6:17 terminus-kind"}},
      {"a curve of class 6 run at 160 km/h; one of class 5 is sound",
       kLong + "curvas6, 1000, 300\r\ncurvad5, 3000, 300\r\n",
       "[generale]\r\nvelocita, 0, 160\r\naderenza, 0, 100\r\n",
       {"linea.txt:4:1 curve-speed"}},
      {"the clock after the first departure", kLong,
       "[generale]\r\nvelocita, 0, 100\r\naderenza, 0, 100\r\norologio, 12 30 0\r\n"
       "[stazioni]\r\n" + station(1000, "12,10,0", "A"),
       {"5608-.txt:4:1 clock-after-departure"}},
      {"a name again, side by side mid-line or further on; a terminus of two records is "
       "sound at either end",
       kLong,
       kStations + station(1000, "0,0,0", "A") + station(2000, "0,0,0", "A") +
           station(4000, "0,0,0", "B") + station(7500, "0,0,0", "B") +
           station(9000, "0,0,0", "C") + station(10000, "0,0,0", " a ") +
           station(12000, "0,0,0", "D") + station(13000, "0,0,0", "D"),
       {"5608-.txt:8:1 repeated-station", "5608-.txt:10:1 repeated-station"}},
      {"a slowdown at the speed in force; one below it is sound", kLong,
       std::string(kTrainHead) + "rallentamento, 5000, 100, 200, 0, 0, 0\r\n" +
           "rallentamento, 9000, 60, 200, 0, 0, 0\r\n",
       {"5608-.txt:4:1 slowdown-above-limit"}},
      {"signals closer than the train brakes from 100 km/h (551 m)", kLong,
       std::string(kTrainHead) + "segnale, 2000" + kSignal + "segnale, 2500" + kSignal +
           "segnale, 3100" + kSignal,
       {"5608-.txt:5:1 signal-spacing"}},
      {"speed boards: one without its record, one the record disagrees with, one that "
       "repeats the speed in force",
       kLong + "indicatori_vmax, 3000, 60, 65, 70, 0, , , , 0\r\n" +
           "indicatori_vmax, 5000, 80, 85, 90, 0, , , , 0\r\n" +
           "indicatori_vmax, 7000, 80, 85, 100, 0, , , , 0\r\n",
       std::string(kTrainHead) + "velocita, 5000, 95\r\n",
       {"linea.txt:4:1 speed-board", "linea.txt:5:1 speed-board", "linea.txt:6:1 speed-board"}},
  };
  for (const auto& test : kCases) {
    EXPECT_EQ(Findings(CheckTexts(test.line, test.train)), test.findings) << test.what;
  }
}

// A record set aside for its fault leaves no second error behind it, and a
// train text not read to its end is not compared with the crew documents:
// each would only say that the train lacks what was not read. A note says
// once what was not looked at.
TEST(CheckTest, NoFalseFollowOns) {
  const std::string kNotes = "Treno R 1, massa frenata 105%\n";
  const struct {
    const char* what;
    std::string line;
    std::string train;
    std::vector<std::string> findings;
  } kCases[] = {
      {"the crew documents compared when the texts read to their end", kLineHead, kTrainHead,
       {"L_1_note.txt:1:26 crew-braked-mass", "L_1_rallentamenti.txt:0:0 crew-slowdown-order",
        "L_1_scheda_treno.txt:0:0 crew-timetable"}},
      {"a length that is no number: no \"no line length record\" after it",
       "[generale]\r\nlunghezza percorso, 12x5000\r\n[curve]\r\n", kTrainHead,
       {"L_linea.txt:2:21 E25", "L_1-.txt:0:0 note"}},
      {"no length at all is the error itself", "[generale]\r\n[curve]\r\n", kTrainHead,
       {"L_linea.txt:0:0 E26", "L_1-.txt:0:0 note"}},
      {"a train text without its header", kLineHead, "[general]\r\nvelocita, 0, 100\r\n",
       {"L_1-.txt:1:1 no-general-header", "L_1-.txt:0:0 note"}},
      {"progressive values off the raster: at their fields, the train read whole",
       "[generale]\r\nlunghezza percorso, 1000\r\nprogressiva chilometrica due, 1234, 75, 0\r\n"
       "progressiva chilometrica tre, 50, 0, 7\r\n[curve]\r\n",
       kTrainHead,
       {"L_linea.txt:3:31 E2", "L_linea.txt:3:37 E2", "L_1_note.txt:1:26 crew-braked-mass",
        "L_1_rallentamenti.txt:0:0 crew-slowdown-order", "L_1_scheda_treno.txt:0:0 crew-timetable"}},
  };
  for (const auto& test : kCases) {
    FolderFiles files = Folder(test.line, test.train);
    files["L_1_note.txt"] = kNotes;
    const CheckResult result = CheckScenario({"", false, "", "", files, {}});
    std::vector<std::string> findings;
    for (const Diagnostic& diagnostic : result.diagnostics) {
      findings.push_back(diagnostic.path + ":" + std::to_string(diagnostic.line) + ":" +
                         std::to_string(diagnostic.column) + " " +
                         (diagnostic.severity == Severity::kNote ? "note" : diagnostic.rule));
    }
    EXPECT_EQ(findings, test.findings) << test.what;
  }
}

// Records beyond the grid because the line is short are one error at the
// length record; a record beyond it by a slip of its own is its own error,
// with the grid's end said.
TEST(CheckTest, RecordsBeyondAShortLineAreOneErrorAtTheLength) {
  // A line's grid reaches some way past a short length: these lie beyond it.
  const std::string kPast = "pendenza, 9000, 1\r\npendenza, 12000, 2\r\n";
  const struct {
    const char* what;
    std::string line;
    std::string train;
    std::vector<std::string> findings;
    const char* saying;  // in the first error's message
  } kCases[] = {
      {"a length in kilometres",
       "[generale]\r\nlunghezza percorso, 20\r\n[curve]\r\n" + kPast,
       std::string(kTrainHead) + "velocita, 19000, 50\r\n",
       {"linea.txt:2:1 E15", "5608-.txt:0:0 note"},
       "3 records lie beyond it, from 9000 m to 19000 m; lengths are in metres: did you mean "
       "20000?"},
      {"many records past a short line",
       "[generale]\r\nlunghezza percorso, 1500\r\n[curve]\r\n" + kPast +
           "pendenza, 14000, 1\r\n",
       kTrainHead, {"linea.txt:2:1 E15"}, "3 records lie beyond it"},
      {"one record beyond the grid by a slip",
       std::string(kLineHead) + "pendenza, 90000, 1\r\n", kTrainHead, {"linea.txt:4:1 E15"},
       "at 90000 m: the grid ends at"},
  };
  for (const auto& test : kCases) {
    const CheckResult result = CheckTexts(test.line, test.train);
    EXPECT_EQ(Findings(result), test.findings) << test.what;
    ASSERT_FALSE(result.diagnostics.empty());
    EXPECT_NE(result.diagnostics[0].message.find(test.saying), std::string::npos)
        << result.diagnostics[0].message;
  }
}

// An error whose compile names another place than the slip, or leaves the
// author guessing, is said once, at the record at fault, with what the
// packager does and what to write.
TEST(CheckTest, ErrorsAreSaidAtTheRecordAtFault) {
  const std::string kLong = "[generale]\r\nlunghezza percorso, 20000\r\n[curve]\r\n";
  const std::string kSignal = ", 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\n";
  const auto slowdown = [](int x) {
    return "rallentamento, " + std::to_string(x) + ", 60, 50, 0, 0, 0\r\n";
  };
  const struct {
    const char* what;
    std::string line;
    std::string train;
    std::vector<std::string> errors;
    const char* saying;  // in the first error's message
  } kCases[] = {
      {"a speed the grid cannot hold fails at the next speed record", kLong,
       std::string(kTrainHead) + "velocita, 500, 1300\r\nvelocita, 900, 80\r\n" +
           "velocita, 1200, 90\r\n",
       {"5608-.txt:4:16 E25"},
       "the speed 1300 km/h cannot be stored: the route grid keeps speed / 5 in one byte, so the "
       "largest speed it holds is 1275 km/h; the packager stores no speed and stops with code 25 "
       "at line 5"},
      {"the last speed record fails at the end of the text", kLong,
       std::string(kTrainHead) + "velocita, 500, 1280\r\n[fine]\r\n", {"5608-.txt:4:16 E25"},
       "at the end of the text"},
      {"a text that ends inside a record", kLong,
       std::string(kTrainHead) + "segnale, 2000, 1, 4, 1", {"5608-.txt:4:1 E25"},
       "the text ends inside this signal record: it lacks its s3, rapp, dx, d1, d2, d3 and "
       "tempo; the packager stops with code 25 at the text's end (line 4)"},
      {"a slowdown whose end takes its start's cell", kLong,
       std::string(kTrainHead) + "rallentamento, 1025, 60, 50, 0, 0, 0\r\n",
       {"5608-.txt:4:26 E27"},
       "this slowdown's start takes cell 22 (x / 50 + 1) and its end cell 22"},
      {"starts in cells 8, 14 and 21: the third's point lands in cell 1", kLong,
       std::string(kTrainHead) + slowdown(350) + slowdown(650) + slowdown(1000),
       {"5608-.txt:6:16 E1250"},
       "before this slowdown's start in cell 21 (1050 m) takes the first free cell of 3, 2 and "
       "1; cell 3 (150 m) holds the packager's own abbattimento point and cell 2 (100 m) holds "
       "the packager's own abbattimento point, so it lands in cell 1"},
      {"a point of value 0 before a signal is not lowered: code 11", kLong,
       std::string(kTrainHead) + "segnale, 1900" + kSignal + "segnale, 2000" + kSignal +
           "abbattimento, 2000, 0\r\nrallentamento, 3300, 60, 200, 0, 0, 0\r\n",
       {"5608-.txt:5:10 E11"},
       "cell 40 (2000 m) holds an abbattimento point of value 0 or less and cell 39 (1950 m) "
       "holds a signal; a point of value 0 or less is neither taken over nor lowered"},
  };
  for (const auto& test : kCases) {
    const CheckResult result = CheckTexts(test.line, test.train);
    std::vector<std::string> errors;
    for (const std::string& finding : Findings(result)) {
      if (finding.find(" E") != std::string::npos) errors.push_back(finding);
    }
    EXPECT_EQ(errors, test.errors) << test.what;
    ASSERT_FALSE(result.diagnostics.empty()) << test.what;
    const auto first =
        std::find_if(result.diagnostics.begin(), result.diagnostics.end(),
                     [](const Diagnostic& d) { return d.severity == Severity::kError; });
    ASSERT_NE(first, result.diagnostics.end()) << test.what;
    EXPECT_NE(first->message.find(test.saying), std::string::npos) << first->message;
  }
}

// What reaches past the grid's last cell (cell 540, 27000 m, for a line of
// 20000 m) is said at the field that reaches there, with the most it may
// give: exactly that much is sound.
TEST(CheckTest, WhatReachesPastTheGridIsSaidAtItsEnd) {
  const std::string kLong = "[generale]\r\nlunghezza percorso, 20000\r\n[curve]\r\n";
  const auto cab = [](const char* end) {
    return std::string("[generale]\r\nlunghezza percorso, 20000\r\n") +
           "ripetizione segnali 4 codici, 5000, " + end + "\r\n[curve]\r\n";
  };
  const auto slowdown = [](const char* l) {
    return std::string(kTrainHead) + "rallentamento, 26000, 60, " + l + ", 0, 0, 0\r\n";
  };
  const struct {
    const char* what;
    std::string line;
    std::string train;
    std::vector<std::string> findings;
    const char* saying;  // in the first diagnostic's message; "" when none
  } kCases[] = {
      {"a curve to the line plan's last metre", kLong + "curvad2, 26500, 500\r\n", kTrainHead,
       {}, ""},
      {"a curve a metre past it", kLong + "curvad2, 26500, 501\r\n", kTrainHead,
       {"linea.txt:4:17 E25"},
       "give it a length of at most 500 m, or give the line a length (lunghezza percorso) of at "
       "least 20001 m"},
      {"a mountain stretch to the end of the last cell", kLong + "montagna, 26000, 27050, 1\r\n",
       kTrainHead, {}, ""},
      {"a mountain stretch into a cell past it", kLong + "montagna, 26000, 27100, 1\r\n",
       kTrainHead, {"linea.txt:4:18 E25"},
       "end it at 27050 m or before, or give the line a length (lunghezza percorso) of at least "
       "20050 m"},
      {"a slowdown whose end takes the last cell", kLong, slowdown("950"), {}, ""},
      {"a slowdown whose end takes a cell past it", kLong, slowdown("1000"),
       {"5608-.txt:4:27 E25", "5608-.txt:0:0 note"}, "give it a length of at most 950 m"},
      {"a cab signalling stretch to the last cell", cab("27000"), kTrainHead, {}, ""},
      {"a cab signalling stretch past it", cab("27050"), kTrainHead,
       {"linea.txt:3:1 beyond-grid"}, "at 27000 m or before"},
  };
  for (const auto& test : kCases) {
    const CheckResult result = CheckTexts(test.line, test.train);
    EXPECT_EQ(Findings(result), test.findings) << test.what;
    if (*test.saying == '\0' || result.diagnostics.empty()) continue;
    EXPECT_NE(result.diagnostics[0].message.find(test.saying), std::string::npos)
        << result.diagnostics[0].message;
  }
}

// A record short of values on its line reads on into the next and fails on
// that line's keyword: said at the short record, whose line alone is set
// aside, so the next record is read. A value at fault on a record's second
// line, written so on purpose, stays where it is.
TEST(CheckTest, ARecordShortOfValuesIsSaidAtItsLine) {
  const std::string kSignal = "segnale, 2000, 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\n";
  const struct {
    const char* what;
    std::string line;
    std::string train;
    std::vector<std::string> findings;
  } kCases[] = {
      {"a signal one value short", kLineHead,
       std::string(kTrainHead) + "segnale, 1500, 1, 4, 1, 0, 0, 1, 3, 1, 0\r\n" + kSignal,
       {"5608-.txt:4:1 E25", "5608-.txt:0:0 note"}},
      {"a note that holds a keyword", std::string(kLineHead) + "# curva dopo il ponte\r\n" +
                                          "curvad3, 100, 200\r\n",
       kTrainHead, {"linea.txt:4:1 E25"}},
      {"a record over two lines, a value of the second at fault", kLineHead,
       std::string(kTrainHead) + "segnale, 1500, 1, 4, 1, 0,\r\n 0, 1, x, 1, 0, 0\r\n",
       {"5608-.txt:5:8 E25", "5608-.txt:0:0 note"}},
  };
  for (const auto& test : kCases) {
    const CheckResult result = CheckTexts(test.line, test.train);
    EXPECT_EQ(Findings(result), test.findings) << test.what;
  }
}

// A check that takes the line description's reading from the cache the
// last check left finds what a fresh check finds, edit after edit, whichever
// text an edit changes: the repository's scenario as an editor changes it.
TEST(CheckTest, ACheckWithTheCacheFindsWhatAFreshOneFinds) {
  ScenarioSources sources = ReadScenarioSources(SCENARIO_FOLDER);
  const FolderFiles original = sources.files;
  const std::string line = "Vardessa_Lontrino_linea.txt";
  const std::string train = "Vardessa_Lontrino_5608-.txt";
  // Line `number` of a file of the sources replaced.
  const auto set_line = [&](const std::string& file, int number, const std::string& text) {
    return [=](ScenarioSources& s) {
      std::string& bytes = s.files.at(file);
      std::size_t begin = 0;
      for (int i = 1; i < number; ++i) begin = bytes.find('\n', begin) + 1;
      bytes.replace(begin, bytes.find('\n', begin) - begin, text);
    };
  };
  const auto restore = [&](ScenarioSources& s) { s.files = original; };
  struct Edit {
    const char* what;
    std::function<void(ScenarioSources&)> apply;
    bool errors;  // the fresh check finds an error
  };
  const Edit kEdits[] = {
      {"a train record no number", set_line(train, 2, "numero vetture,    3x"), true},
      {"the train mended", restore, false},
      {"a line length no number", set_line(line, 2, "lunghezza percorso,    124x"), true},
      {"a curve of no class", set_line(line, 11, "curvas9,  800,  100"), true},
      {"the line mended", restore, false},
      {"the line too short for the train", set_line(line, 2, "lunghezza percorso,    60000"),
       true},
      {"the train too, and a crew document",
       [&](ScenarioSources& s) {
         set_line(train, 2, "numero vetture,    3x")(s);
         s.files.at("Vardessa_Lontrino_5608_note.txt") += "Treno 9999\n";
       },
       true},
      {"no line description", [&](ScenarioSources& s) { s.files.erase(line); }, true},
      {"everything mended", restore, false},
      {"another train", set_line("scenario.txt", 17, "train = 5609"), true},
      {"the texts of the other train",
       [&](ScenarioSources& s) {
         for (const char* suffix : {"-.txt", "_note.txt", "_rallentamenti.txt",
                                    "_scheda_treno.txt"}) {
           s.files["Vardessa_Lontrino_5609" + std::string(suffix)] =
               original.at("Vardessa_Lontrino_5608" + std::string(suffix));
         }
       },
       false},
      {"a keyword of the line misspelt",
       [&](ScenarioSources& s) {
         s.files = original;
         set_line(line, 11, "cruvas5,  800,  100")(s);
       },
       false},
      {"the same line under another name",
       [&](ScenarioSources& s) {
         s.files["scenario.txt"].replace(s.files["scenario.txt"].find("name = Vardessa_Lontrino"),
                                         24, "name = Lontrino_Nuova");
         for (const char* suffix : {"_linea.txt", "_5608-.txt", "_5608_note.txt",
                                    "_5608_rallentamenti.txt", "_5608_scheda_treno.txt"}) {
           s.files["Lontrino_Nuova" + std::string(suffix)] =
               s.files.at("Vardessa_Lontrino" + std::string(suffix));
         }
         s.files.at("Lontrino_Nuova_5608-.txt").insert(11, "segnale, 1x\n");
       },
       true},
  };
  CheckCache cache;
  CheckScenario(sources, {}, &cache);
  for (const Edit& edit : kEdits) {
    SCOPED_TRACE(edit.what);
    edit.apply(sources);
    const CheckResult cached = CheckScenario(sources, {}, &cache);
    const CheckResult fresh = CheckScenario(sources);
    EXPECT_EQ(Findings(cached), Findings(fresh));
    EXPECT_TRUE(cached.diagnostics == fresh.diagnostics);
    EXPECT_EQ(cached.stopped_after, fresh.stopped_after);
    EXPECT_EQ(CountOf(fresh.diagnostics, Severity::kError) > 0, edit.errors);
  }
}

// A word is quoted whole up to the limit, and cut past it with its length.
TEST(QuotedWordTest, CutsOnlyALongWord) {
  const std::string limit(kQuotedWordBytes, 'x');
  EXPECT_EQ(QuotedWord("velocit\xE0", '"'), "\"velocit\xC3\xA0\"");
  EXPECT_EQ(QuotedWord(limit, '\''), "'" + limit + "'");
  EXPECT_EQ(QuotedWord(std::string(5000000, 'x'), '"'),
            "\"" + std::string(kQuotedWordBytes / 2, 'x') + "...\" (5,000,000 characters)");
}

}  // namespace
}  // namespace packager::tool
