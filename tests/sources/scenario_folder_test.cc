#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sources/carried_scenario.h"
#include "sources/scenario_folder.h"
#include "support/temp_folder.h"

namespace packager {
namespace {

using packager::ConvertText;
using Lines = std::vector<std::string>;

template <typename Action>
std::string FailureOf(Action action) {
  try {
    action();
  } catch (const ScenarioFolderError& failure) {
    return failure.what();
  }
  return "no failure";
}

TEST(ConvertText, SplitsAtLineFeeds) {
  EXPECT_EQ(ConvertText("t", ""), Lines{});
  EXPECT_EQ(ConvertText("t", "\n"), Lines{""});
  EXPECT_EQ(ConvertText("t", "a\n\nb\n"), (Lines{"a", "", "b"}));
  EXPECT_EQ(ConvertText("t", "a\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(ConvertText("t", "a\r\n\r\nb\r\n"), (Lines{"a", "", "b"}));
}

TEST(ConvertText, FailuresNameFileAndLine) {
  const auto fault = [](const std::string& contents) {
    return FailureOf([&] { ConvertText("d/X_linea.txt", contents); });
  };
  EXPECT_EQ(fault("ok\nkół\n"),
            "d/X_linea.txt:2: character U+0142 at column 3 has no Windows-1252 byte");
  EXPECT_EQ(fault("\n\n\xEC\n"),
            "d/X_linea.txt:3: saved as ANSI (Windows-1252); the texts are UTF-8: save it as UTF-8 "
            "(in Notepad: File > Save as > Encoding: UTF-8)");
  EXPECT_EQ(fault("a\r\nb\rc\n").rfind("d/X_linea.txt:2: carriage return", 0), 0u);
  EXPECT_EQ(fault("a\nb\r").rfind("d/X_linea.txt:2: carriage return", 0), 0u);
  EXPECT_EQ(fault("a\nriferimento fine del file\n").rfind("d/X_linea.txt:2: the line is", 0), 0u);
  EXPECT_EQ(fault(std::string("a\nb\0c\n", 6)), "d/X_linea.txt:2: NUL byte inside the line");

  std::string thousand;
  for (int i = 0; i < kEmbeddedTextCapacity; ++i) thousand += "r\n";
  EXPECT_EQ(ConvertText("t", thousand).size(), 1000u);
  EXPECT_EQ(fault(thousand + "r").rfind("d/X_linea.txt:1001: more than 1000 lines", 0), 0u);
}

// Texts as editors on Windows save them: each encoding named once, at the
// first line and column that show it, in the text as the editor shows it.
TEST(ConvertText, NamesTheEncodingATextWasSavedIn) {
  const struct {
    const char* what;
    std::string contents;
    SavedEncoding encoding;
    std::vector<std::string> problems;  // "line:column message start"
    std::string shown;                  // TextAsShown
  } kCases[] = {
      {"UTF-8", "Citt\xC3\xA0\n", SavedEncoding::kUtf8, {}, "Citt\xC3\xA0\n"},
      {"ANSI, said once at its first byte that is not UTF-8", "ok\nCitt\xE0 \xE8\n\xE0\n",
       SavedEncoding::kWindows1252, {"2:5 saved as ANSI (Windows-1252)"},
       "ok\nCitt\xC3\xA0 \xC3\xA8\n\xC3\xA0\n"},
      {"a byte no code page explains: each fault its own", "\x81x\xFF\n", SavedEncoding::kUtf8,
       {"1:1 invalid UTF-8 at column 1 (byte 0x81)", "1:3 invalid UTF-8 at column 3 (byte 0xFF)"},
       "\x81x\xFF\n"},
      {"UTF-8 with a mark, read on", "\xEF\xBB\xBFk\xC3\xB6\n", SavedEncoding::kUtf8WithMark,
       {"1:1 saved as UTF-8 with a byte-order mark"}, "k\xC3\xB6\n"},
      {"Unicode", std::string("\xFF\xFE" "a\0\xE0\0\n\0", 8), SavedEncoding::kUtf16,
       {"1:1 saved as Unicode (UTF-16)"}, "a\xC3\xA0\n"},
      {"Unicode big-endian, read on as shown", std::string("\xFE\xFF\0a\xD8\x3D\xDE\x82", 8),
       SavedEncoding::kUtf16,
       {"1:1 saved as Unicode (UTF-16)", "1:2 character U+1F682 at column 2 has no"},
       "a\xF0\x9F\x9A\x82"},
      {"Unicode without a mark", std::string("n\0a\0m\0e\0", 8), SavedEncoding::kUtf16,
       {"1:1 saved as Unicode (UTF-16)"}, "name"},
      {"a NUL in UTF-8 is no Unicode", std::string("a\0b\n", 4), SavedEncoding::kUtf8,
       {"1:2 NUL byte inside the line"}, std::string("a\0b\n", 4)},
  };
  for (const auto& test : kCases) {
    EXPECT_EQ(SavedEncodingOf(test.contents), test.encoding) << test.what;
    EXPECT_EQ(TextAsShown(test.contents), test.shown) << test.what;
    std::vector<FolderProblem> problems;
    ConvertLines(test.contents, problems);
    ASSERT_EQ(problems.size(), test.problems.size()) << test.what;
    for (std::size_t i = 0; i < problems.size(); ++i) {
      const std::string said = std::to_string(problems[i].line) + ":" +
                               std::to_string(problems[i].column) + " " + problems[i].message;
      EXPECT_EQ(said.rfind(test.problems[i], 0), 0u) << test.what << ": " << said;
    }
  }
  // Unicode texts are read on as their editor shows them, said once.
  std::vector<FolderProblem> problems;
  EXPECT_EQ(ConvertLines(std::string("\xFF\xFE" "a\0\xE0\0\n\0", 8), problems),
            Lines{"a\xE0"});
  constexpr char kIdentity[] = "\xFF\xFEn\0a\0m\0e\0=\0S\0\n\0t\0r\0a\0i\0n\0=\0" "1\0";
  problems.clear();
  const std::optional<ScenarioIdentity> read =
      ParseIdentity(std::string(kIdentity, sizeof kIdentity - 1), problems);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->name + " " + read->train, "S 1");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].message.rfind("saved as Unicode (UTF-16)", 0), 0u);
}

TEST(ScenarioFile, ReadsNameAndTrain) {
  const auto id = ParseScenarioFile("s", "# c\n\n  name =  L_A.1\ntrain=56-b \n");
  EXPECT_EQ(id.name + "|" + id.train, "L_A.1|56-b");
  const auto fault = [](const std::string& contents) {
    return FailureOf([&] { ParseScenarioFile("s.txt", contents); });
  };
  EXPECT_EQ(fault("name = A\n"), "s.txt: missing 'train = ...'");
  EXPECT_EQ(fault("name = A\n#\nlinea = B\n").rfind("s.txt:3: unknown key 'linea'", 0), 0u);
  EXPECT_EQ(fault("name = A\nname = B\n"), "s.txt:2: 'name' is given twice");
  EXPECT_EQ(fault("train = 1\nname = a/b\n").rfind("s.txt:2: 'name' may hold only", 0), 0u);
  // Every value is a plain part of a file name, of a length a file name holds.
  EXPECT_EQ(fault("train = 1\nname = ..\n"), "s.txt:2: 'name' may not start with '.'");
  EXPECT_EQ(fault("name = A\ntrain = " + std::string(17, '7') + "\n"),
            "s.txt:2: 'train' has 17 characters; at most 16 make a file name");
  EXPECT_EQ(ParseScenarioFile("s", "name = " + std::string(64, 'n') + "\ntrain = 1").name.size(),
            64u);
}

// A train number that makes two of the files one, in any case, as Windows
// names files: train "linea" makes the route grid the line plan.
TEST(ScenarioFile, RefusesATrainWhoseFilesClash) {
  for (const char* train : {"linea", "LINEA", "Linea"}) {
    std::vector<FolderProblem> problems;
    ParseIdentity("name = Porto\n  train = " + std::string(train) + "\n", problems);
    ASSERT_EQ(problems.size(), 1u) << train;
    EXPECT_EQ(problems[0].line, 2);
    EXPECT_EQ(problems[0].column, 11);
    EXPECT_EQ(problems[0].message,
              "'train = " + std::string(train) + "' makes the route grid Porto_" + train +
                  ".dat and the line plan Porto_linea.dat one file (file names are "
                  "compared without case, as Windows does): choose another train number");
  }
  for (const char* train : {"lineaa", "line", "linea-", "linea.dat"}) {
    std::vector<FolderProblem> problems;
    ParseIdentity("name = Porto\ntrain = " + std::string(train) + "\n", problems);
    EXPECT_TRUE(problems.empty()) << train;
  }
}

TEST(ScenarioFolder, ReadsTheTextsNamedAfterTheScenario) {
  test_support::TempFolder folder;
  folder.Write("scenario.txt", "name = L\ntrain = 9\n");
  EXPECT_EQ(FailureOf([&] { ReadScenarioFolder(folder.path()); }),
            folder.path() + "/L_linea.txt: missing; the scenario folder must hold this text");

  folder.Write("L_linea.txt", "[generale]\n[fine]\n");
  folder.Write("L_9-.txt", "[fine]");
  folder.Write("L_9_note.txt", "Citt\xC3\xA0\n");
  folder.Write("L_9_rallentamenti.txt", "");
  // Every text of a run is required; the message names the first missing.
  EXPECT_EQ(
      FailureOf([&] { ReadScenarioFolder(folder.path()); }),
      folder.path() + "/L_9_scheda_treno.txt: missing; the scenario folder must hold this text");
  folder.Write("L_9_scheda_treno.txt", "n\xC2\xB0 1\n");
  const auto scenario = ReadScenarioFolder(folder.path());
  EXPECT_EQ(scenario.line_description.lines, (Lines{"[generale]", "[fine]"}));
  EXPECT_EQ(scenario.train_description.lines, Lines{"[fine]"});
  EXPECT_EQ(scenario.notes.lines, Lines{"Citt\xE0"});
  EXPECT_TRUE(scenario.slowdown_order.lines.empty());
  EXPECT_EQ(scenario.timetable_sheet.lines, Lines{"n\xB0 1"});

  folder.Write("L_9_scheda_treno.txt", "ok\n\n\xE2\x86\x92\n");
  EXPECT_EQ(FailureOf([&] { ReadScenarioFolder(folder.path()); }),
            folder.path() +
                "/L_9_scheda_treno.txt:3: character U+2192 at column 1 has no "
                "Windows-1252 byte");
}

// The fixture's texts hold quotes, backslashes, a tab, characters of every
// range of Windows-1252 next to digits and letters, and a long line: a
// packager carries exactly the converted bytes, each text ended by the
// marker.
TEST(ScenarioFolder, APackagerCarriesTheConvertedBytes) {
  const auto carried =
      CarriedScenarioOf(ReadScenarioFolder(SOURCE_DIR "/conversion_fixture"));
  const EmbeddedScenario& scenario = carried->embedded();
  EXPECT_EQ(std::string(scenario.scenario_name) + "_" + std::string(scenario.train_number),
            "Prova_7");
  std::string long_line;
  for (int i = 0; i < 45; ++i)
    long_line +=
        "\xEC"
        "0";
  const std::vector<std::string_view> expected = {
      "[generale]",
      "Caff\xE8 \xEC"
      "1 \xEC"
      "abc \x93x\x94 \x91y\x92 \x96 \x97 \x80 \x85 \x99 \x9F",
      "\"quoted\" and back\\slash",
      "",
      "\tcol",
      long_line,
      "[fine]",
      kEndOfTextMarker};
  const auto& line = scenario.line_description;
  EXPECT_EQ(std::vector<std::string_view>(line.lines.begin(), line.lines.end()), expected);
  ASSERT_EQ(scenario.train_description.lines.size(), 3u);  // file without a final LF
  EXPECT_EQ(scenario.train_description.lines[1], "[fine]");
  ASSERT_EQ(scenario.notes.lines.size(), 1u);  // an empty document
  EXPECT_EQ(scenario.notes.lines[0], kEndOfTextMarker);
}

}  // namespace
}  // namespace packager
