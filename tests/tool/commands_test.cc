#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tool/commands.h"
#include "tool/tool.h"
#include "tool_run.h"

namespace packager::tool {
namespace {

TEST(CommandTableTest, TheHelpShowsEveryCommandOfTheTable) {
  const Outcome all = Tool({"--help"});
  EXPECT_EQ(all.status, kToolClean);
  for (const CommandLine& command : Commands()) {
    const std::string usage = std::string("scenario-tool ") + command.usage;
    EXPECT_NE(all.out.find("  " + usage + "\n    " + command.summary + "\n"), std::string::npos)
        << command.name;
    const Outcome one = Tool({command.name, "--help"});
    EXPECT_EQ(one.status, kToolClean);
    EXPECT_EQ(one.out.rfind("usage: " + usage + "\n", 0), 0u) << one.out;
    // Every option of the table is in the command's usage or help.
    for (const auto* options : {&command.flags, &command.valued}) {
      for (const std::string& option : *options) {
        if (option == "--keep") continue;  // kept for old scripts, not shown
        const std::string shown = option == "--output" ? "-o " : option;
        EXPECT_NE((usage + command.summary).find(shown), std::string::npos)
            << command.name << " " << option;
      }
    }
  }
}

// Each command takes the options of its row (the parsing runs before the
// command looks at its folder: with none given, it asks for one) and no other.
TEST(CommandTableTest, EveryCommandTakesTheOptionsOfItsRowAndNoOther) {
  for (const CommandLine& command : Commands()) {
    std::vector<std::vector<std::string>> lines;
    for (const std::string& flag : command.flags) lines.push_back({command.name, flag});
    for (const std::string& option : command.valued) {
      lines.push_back({command.name, option, "1"});
      lines.push_back({command.name, option + "=1"});
    }
    for (const std::vector<std::string>& line : lines) {
      const Outcome outcome = Tool(line);
      EXPECT_EQ(outcome.status, kToolUsage) << line[1];
      EXPECT_EQ(outcome.err.find("unknown option"), std::string::npos) << outcome.err;
      EXPECT_EQ(outcome.err.find("takes no value"), std::string::npos) << outcome.err;
    }
    for (const std::string foreign : {"--objects", "--target", "--format", "--no-plan"}) {
      if (command.flags.count(foreign) != 0 || command.valued.count(foreign) != 0) continue;
      const Outcome outcome = Tool({command.name, "DIR", foreign, "x"});
      EXPECT_EQ(outcome.status, kToolUsage) << command.name << " " << foreign;
      EXPECT_NE(outcome.err.find("unknown option '" + std::string(foreign) + "'"),
                std::string::npos)
          << outcome.err;
    }
  }
}

TEST(CommandTableTest, ArgumentsOfACommandByItsName) {
  const Arguments dump = CommandArguments("dump", {"f.dat", "--every=5", "--json"});
  EXPECT_EQ(dump.positional(), std::vector<std::string>{"f.dat"});
  EXPECT_TRUE(dump.flag("--json"));
  EXPECT_FALSE(dump.flag("--objects"));
  EXPECT_EQ(dump.value("--every"), "5");
  EXPECT_THROW(CommandArguments("dump", {"--name", "S"}), UsageError);
  EXPECT_THROW(CommandArguments("plan", {"--json"}), UsageError);
  EXPECT_EQ(CommandArguments("plan", {"-o", "p.svg"}).value("--output"), "p.svg");
  EXPECT_THROW(CommandNamed("draw"), std::logic_error);
  EXPECT_STREQ(CommandNamed("report").name, "report");
}

TEST(CommandTableTest, NamesAreOnceEachAndEveryCommandRuns) {
  for (std::size_t i = 0; i < Commands().size(); ++i) {
    EXPECT_NE(Commands()[i].run, nullptr);
    for (std::size_t j = i + 1; j < Commands().size(); ++j) {
      EXPECT_STRNE(Commands()[i].name, Commands()[j].name);
    }
  }
}

}  // namespace
}  // namespace packager::tool
