#include "sources/carrying_packager.h"

#include <filesystem>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "sources/carried_scenario.h"
#include "support/temp_folder.h"
#include "tables/file_failure.h"
#include "tables/replace_file.h"

namespace packager {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = std::string("\x7F" "ELF prebuilt\0\x02", 15);

ScenarioFolder Folder() {
  ScenarioFolder folder;
  folder.identity = {"Colle_Brina", "4410"};
  folder.line_description.lines = {"[generale]", "[fine]"};
  folder.train_description.lines = {"[fine]"};
  folder.notes.lines = {"Citt\xE0"};
  return folder;
}

std::string FailureOf(const std::string& path) {
  try {
    ReadPrebuiltPackager(path, "package for linux-x86_64", "make build puts it there");
  } catch (const FileFailure& failure) {
    return failure.what();
  }
  return "read";
}

// Only a program as built is one to append a scenario to; a packager that
// carries one already would hide the second.
TEST(CarryingPackagerTest, OnlyAProgramAsBuiltIsAPrebuiltPackager) {
  test_support::TempFolder folder;
  folder.Write("built", kProgram);
  folder.Write("carrying", kProgram + EncodeCarriedScenario(Folder()));
  std::string damaged = kProgram + EncodeCarriedScenario(Folder());
  damaged[kProgram.size() + 5] ^= 1;
  folder.Write("damaged", damaged);
  ScenarioFolder refused = Folder();
  refused.identity.train = "linea";
  folder.Write("carrying_refused", kProgram + EncodeCarriedScenario(refused));
  fs::create_directory(folder.PathOf("a_folder"));
  EXPECT_EQ(ReadPrebuiltPackager(folder.PathOf("built"), "use", "origin"), kProgram);
  EXPECT_EQ(ReadPrebuiltPackager(folder.PathOf("damaged"), "use", "origin"), damaged);

  const struct {
    const char* file;
    const char* message;
  } kCases[] = {
      {"carrying",
       ": cannot package for linux-x86_64: it carries a scenario already; it is not the "
       "prebuilt packager"},
      {"carrying_refused",
       ": cannot package for linux-x86_64: it carries a scenario already; it is not the "
       "prebuilt packager"},
      {"absent",
       ": cannot package for linux-x86_64: the prebuilt packager is missing; make build puts it "
       "there"},
      {"a_folder", ": cannot read the file: it is a folder"},
  };
  for (const auto& test : kCases) {
    EXPECT_EQ(FailureOf(folder.PathOf(test.file)), folder.PathOf(test.file) + test.message)
        << test.file;
  }
}

// The packager is the program's bytes unchanged, then the folder's scenario,
// which it reads back from its own file; whoever may read it may run it.
TEST(CarryingPackagerTest, ThePackagerIsTheProgramThenTheScenario) {
  test_support::TempFolder folder;
  const std::string output = folder.PathOf("packager");
  const std::uint64_t size = WriteCarryingPackager(output, kProgram, Folder(), true, ReplaceFile);
  const std::string bytes = folder.Read("packager");
  EXPECT_EQ(bytes, kProgram + EncodeCarriedScenario(Folder()));
  EXPECT_EQ(size, bytes.size());
  const auto carried = ReadCarriedScenario(output);
  EXPECT_EQ(carried->embedded().scenario_name, "Colle_Brina");
  EXPECT_EQ(carried->embedded().notes.lines[0], "Citt\xE0");
  EXPECT_THROW(ReadPrebuiltPackager(output, "use", "origin"), FileFailure);
}

TEST(CarryingPackagerTest, WhoMayReadThePackagerMayRunIt) {
  using P = fs::perms;
  const struct {
    P before;
    bool executable;
    P after;
  } kCases[] = {
      {P::owner_read | P::owner_write | P::group_read | P::others_read, true,
       P::owner_all | P::group_read | P::group_exec | P::others_read | P::others_exec},
      {P::owner_read | P::owner_write, true, P::owner_all},
      {P::owner_read | P::owner_write | P::group_read, false,
       P::owner_read | P::owner_write | P::group_read},
  };
  for (const auto& test : kCases) {
    test_support::TempFolder folder;
    const std::string output = folder.PathOf("packager.exe");
    folder.Write("packager.exe", "an older packager");
    fs::permissions(output, test.before);
    WriteCarryingPackager(output, kProgram, Folder(), test.executable, ReplaceFile);
    EXPECT_EQ(fs::status(output).permissions(), test.after)
        << static_cast<int>(test.before) << " " << test.executable;
  }
}

// The writer is the caller's: what it refuses is neither written nor
// made executable.
TEST(CarryingPackagerTest, AWriterThatRefusesLeavesNothing) {
  test_support::TempFolder folder;
  const std::string output = folder.PathOf("packager");
  const PiecesWriter refuse = [](const std::string& path, std::span<const std::string_view>) {
    throw FileFailure(path, "write the file", "it is the prebuilt packager");
  };
  EXPECT_THROW(WriteCarryingPackager(output, kProgram, Folder(), true, refuse), FileFailure);
  EXPECT_FALSE(folder.Exists("packager"));
}

}  // namespace
}  // namespace packager
