#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "tool/tool.h"
#include "tool_run.h"

namespace packager::tool {
namespace {

using test_support::TempFolder;

TEST(NewCommandTest, RefusesWhatWouldOverwriteOrMakeNoSoundName) {
  TempFolder folder;
  folder.Write("taken.txt", "mine");
  std::filesystem::create_directory(folder.PathOf("full"));
  folder.Write("full/scenario.txt", "name = Mine\ntrain = 1\n");
  const std::string fresh = folder.PathOf("fresh");
  for (const auto& [args, status, message] :
       std::vector<std::tuple<std::vector<std::string>, int, std::string>>{
           {{"new", folder.PathOf("full"), "--name", "S", "--train", "1"},
            kToolUsage,
            "is not empty"},
           {{"new", folder.PathOf("taken.txt"), "--name", "S", "--train", "1"},
            kToolUsage,
            "is a file, not a folder"},
           {{"new", fresh, "--name", "a/b", "--train", "1"},
            kToolUsage,
            "'--name': 'name' may hold only ASCII letters"},
           {{"new", fresh, "--name", ".S", "--train", "1"}, kToolUsage, "may not start with '.'"},
           {{"new", fresh, "--name", "S", "--train", "47 11"}, kToolUsage, "'train' may hold only"},
           {{"new", fresh, "--name", "S", "--train", "12345678901234567"},
            kToolUsage,
            "17 characters; at most 16"},
           {{"new", fresh, "--name", "S", "--train", "LINEA"},
            kToolUsage,
            "option '--train': the train number 'LINEA' makes the route grid S_LINEA.dat and the "
            "line plan S_linea.dat one file"},
           {{"new", fresh, "--name", "S"}, kToolUsage, "--train"},
           {{"new", "--name", "S", "--train", "1"}, kToolUsage, "usage: scenario-tool new"},
       }) {
    const Outcome outcome = Tool(args);
    EXPECT_EQ(outcome.status, status) << outcome.err;
    EXPECT_NE(outcome.err.find(message), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_EQ(folder.Read("taken.txt"), "mine");
  EXPECT_EQ(folder.Read("full/scenario.txt"), "name = Mine\ntrain = 1\n");
  EXPECT_FALSE(std::filesystem::exists(folder.PathOf("full/S_linea.txt")));
  EXPECT_FALSE(std::filesystem::exists(fresh));
}

}  // namespace
}  // namespace packager::tool
