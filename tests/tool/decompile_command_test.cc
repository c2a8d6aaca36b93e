// scenario-tool decompile on files as an author hands them in: what it
// refuses is named by file and byte, with its status, and nothing is written;
// a line too long for a scenario folder comes back as the two texts.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "tool/tool.h"
#include "tool_run.h"

namespace packager::tool {
namespace {

using test_support::TempFolder;

constexpr const char* kPlan = "Vardessa_Lontrino_linea.dat";
constexpr const char* kTable = "Vardessa_Lontrino_5608.sim";
constexpr const char* kGrid = "Vardessa_Lontrino_5608.dat";

// The reference scenario's three files, compiled into the folder.
void CompileReference(const TempFolder& folder) {
  ASSERT_EQ(Tool({"compile", REFERENCE_SCENARIO_DIR, "-o", folder.path()}).status, kToolClean);
}

TEST(DecompileCommandTest, RefusesFilesByNameAndByteAndWritesNothing) {
  TempFolder good;
  CompileReference(good);
  // The grid of train 5609 on the same line: the texts of 5608 under that
  // number, compiled.
  TempFolder texts, other;
  ASSERT_EQ(Tool({"decompile", good.path(), "-o", texts.PathOf("t"), "--texts"}).status,
            kToolClean);
  std::filesystem::rename(texts.PathOf("t/Vardessa_Lontrino_5608-.txt"),
                          texts.PathOf("t/Vardessa_Lontrino_5609-.txt"));
  ASSERT_EQ(Tool({"compile", texts.PathOf("t"), "--name", "Vardessa_Lontrino", "--train", "5609",
                  "-o", other.path()})
                .status,
            kToolClean);
  const std::string grid = good.Read(kGrid), table = good.Read(kTable);
  const struct Case {
    const char* what;
    const char* file;      // the file changed, or removed when bytes is null
    std::string bytes;
    int status;
    std::string expected;  // in the message
  } kCases[] = {
      {"a grid cut short", kGrid, grid.substr(0, grid.size() - 8), kToolRecordedFault,
       std::string(kGrid) + ": byte 39300:"},
      {"a grid one byte long", kGrid, grid.substr(0, 1), kToolRecordedFault,
       std::string(kGrid) + ": byte 0:"},
      {"a grid given as the train table", kTable, grid, kToolRecordedFault,
       std::string(kTable) + ": byte "},
      {"a train table given as the grid", kGrid, table, kToolRecordedFault,
       std::string(kGrid) + ": byte "},
      {"the grid of another train", kGrid, other.Read("Vardessa_Lontrino_5609.dat"),
       kToolRecordedFault, std::string(kGrid) + ": byte 18: the competition code"},
      {"an empty line plan", kPlan, "", kToolRecordedFault, std::string(kPlan) + ": byte 0:"},
      {"no grid beside the train table", kGrid, {}, kToolFileFailure,
       "holds no route grid file"},
  };
  for (const Case& c : kCases) {
    TempFolder in, out;
    for (const char* name : {kPlan, kTable, kGrid}) in.Write(name, good.Read(name));
    if (c.bytes.empty() && c.status == kToolFileFailure) {
      std::filesystem::remove(in.PathOf(c.file));
    } else {
      in.Write(c.file, c.bytes);
    }
    for (const bool named : {false, true}) {
      const std::vector<std::string> args =
          named ? std::vector<std::string>{"decompile", in.PathOf(kPlan), in.PathOf(kTable),
                                           in.PathOf(kGrid), "-o", out.PathOf("d")}
                : std::vector<std::string>{"decompile", in.path(), "-o", out.PathOf("d")};
      const Outcome outcome = Tool(args);
      EXPECT_EQ(outcome.status, c.status) << c.what << (named ? ", files named" : "");
      // A file named on the command line that is missing is said as any
      // file that cannot be read: by its path.
      const std::string expected =
          named && c.status == kToolFileFailure ? in.PathOf(c.file) : c.expected;
      EXPECT_NE(outcome.err.find(expected), std::string::npos)
          << c.what << (named ? ", files named" : "") << ": " << outcome.err;
      EXPECT_FALSE(out.Exists("d")) << c.what;
    }
  }
}

// A line of 1100 curves: its text holds more lines than a scenario folder's
// text may (as many as the packager carries), so only --texts gives it back.
TEST(DecompileCommandTest, ALineTooLongForAFolderComesBackAsTheTwoTexts) {
  std::string line = "[generale]\r\nlunghezza percorso, 120000\r\n[curve]\r\n";
  for (int i = 0; i < 1100; ++i) {
    line += "curvas1, " + std::to_string(100 + i * 100) + ", 50\r\n";
  }
  line += "[fine]\r\n";
  TempFolder source, binaries;
  source.Write("Lunga_linea.txt", line);
  source.Write("Lunga_1-.txt",
               "[generale]\r\nnumero vetture, 3\r\n[vel_limite]\r\nvelocita, 0, 100\r\n[fine]\r\n");
  ASSERT_EQ(Tool({"compile", source.path(), "--name", "Lunga", "--train", "1", "-o",
                  binaries.path()})
                .status,
            kToolClean);
  const struct {
    bool texts;
    int status;
    const char* expected;  // in what it prints
  } kCases[] = {{false, kToolRecordedFault, "Lunga_linea.txt would need"},
                {true, kToolClean, "compile"}};
  for (const auto& c : kCases) {
    TempFolder out;
    std::vector<std::string> args = {"decompile", binaries.path(), "-o", out.PathOf("d")};
    if (c.texts) args.push_back("--texts");
    const Outcome outcome = Tool(args);
    EXPECT_EQ(outcome.status, c.status) << c.texts;
    EXPECT_NE((outcome.err + outcome.out).find(c.expected), std::string::npos)
        << outcome.err << outcome.out;
    EXPECT_EQ(out.Exists("d"), c.texts);
    if (!c.texts) {
      EXPECT_NE(outcome.err.find("--texts"), std::string::npos) << outcome.err;
      continue;
    }
    TempFolder again;
    ASSERT_EQ(Tool({"compile", out.PathOf("d"), "--name", "Lunga", "--train", "1", "-o",
                    again.path()})
                  .status,
              kToolClean);
    for (const char* name : {"Lunga_linea.dat", "Lunga_1.sim", "Lunga_1.dat"}) {
      EXPECT_EQ(again.Read(name), binaries.Read(name)) << name;
    }
  }
}

}  // namespace
}  // namespace packager::tool
