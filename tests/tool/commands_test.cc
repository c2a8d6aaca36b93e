#include <algorithm>
#include <sstream>
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
    EXPECT_NE(all.out.find(CommandHelp(command, "  ")), std::string::npos) << command.name;
    const Outcome one = Tool({command.name, "--help"});
    EXPECT_EQ(one.status, kToolClean);
    EXPECT_EQ(one.out.rfind(CommandHelp(command, "usage: "), 0), 0u) << one.out;
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

// Every help, of all commands and of each, fits a terminal of kHelpWidth
// columns, and its wrapping loses no word of the table, nor its order.
TEST(CommandTableTest, EveryHelpLineFitsAndKeepsTheWordsOfTheTable) {
  const auto words = [](const std::string& text) {
    std::vector<std::string> found;
    std::istringstream stream(text);
    for (std::string word; stream >> word;) found.push_back(word);
    return found;
  };
  std::vector<std::vector<std::string>> lines = {{"--help"}};
  for (const CommandLine& command : Commands()) lines.push_back({command.name, "--help"});
  std::ostringstream short_usage;
  PrintShortUsage(short_usage, "scenario-tool.exe");
  std::vector<std::string> helps = {short_usage.str()};
  for (const std::vector<std::string>& line : lines) helps.push_back(Tool(line).out);
  // A command line the command cannot run ends with its usage.
  for (const CommandLine& command : Commands()) {
    helps.push_back(Tool({command.name, "--no-such-option"}).err);
  }
  for (const std::string& help : helps) {
    std::istringstream stream(help);
    for (std::string text; std::getline(stream, text);) {
      EXPECT_LE(text.size(), kHelpWidth) << text;
      // The commands the short usage gives are those of the table.
      const std::string program = "  scenario-tool.exe ";
      if (text.rfind(program, 0) == 0 && text[program.size()] != '-') {
        EXPECT_NO_THROW(CommandNamed(words(text)[1])) << text;
      }
    }
  }
  for (const CommandLine& command : Commands()) {
    std::string table = std::string("scenario-tool ") + command.usage + " " + command.summary;
    std::vector<std::string> shown = words(CommandHelp(command, ""));
    std::vector<std::string> expected = words(table);
    // TARGETS stands for the names of the packagers found, here one or more.
    const auto targets = std::find(expected.begin(), expected.end(), "(TARGETS)");
    if (targets != expected.end()) {
      const auto at = shown.begin() + (targets - expected.begin());
      const auto end = std::find_if(at, shown.end(),
                                    [](const std::string& word) { return word.back() == ')'; });
      ASSERT_NE(end, shown.end()) << command.name;
      EXPECT_EQ(at->front(), '(') << command.name;
      shown.erase(at + 1, end + 1);
      *at = "(TARGETS)";
    }
    EXPECT_EQ(shown, expected) << command.name;
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
