#include "tool/installed_files.h"

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tool/commands.h"
#include "tool/tool.h"
#include "tool_run.h"
#include "version/version.h"

namespace packager::tool {
namespace {

std::string Completion(Shell shell) {
  std::ostringstream text;
  WriteCompletion(shell, text);
  return text.str();
}

TEST(InstalledFilesTest, VersionOfTheTool) {
  EXPECT_TRUE(std::regex_match(std::string(ProjectVersion()), std::regex(R"(\d+\.\d+\.\d+)")));
  for (const char* spelling : {"--version", "version"}) {
    const Outcome outcome = Tool({spelling});
    EXPECT_EQ(outcome.status, kToolClean) << spelling;
    EXPECT_EQ(outcome.out, "scenario-tool " + std::string(ProjectVersion()) + "\n") << spelling;
  }
}

// Each file names every command and every option of its row, as that
// file's syntax puts them.
TEST(InstalledFilesTest, EveryCommandAndOptionOfTheTableIsInEachFile) {
  const std::string bash = Completion(Shell::kBash);
  const std::string zsh = Completion(Shell::kZsh);
  std::ostringstream page;
  WriteManualPage(page);
  const std::string manual = std::regex_replace(page.str(), std::regex(R"(\\-)"), "-");
  for (const CommandLine& command : Commands()) {
    const std::string name = command.name;
    const std::string row = "\n    " + name + ") options='";
    ASSERT_NE(bash.find(row), std::string::npos) << name;
    const std::size_t begin = bash.find(row) + row.size();
    const std::string bash_options = " " + bash.substr(begin, bash.find('\'', begin) - begin) + " ";
    const std::size_t block = zsh.find("\n    (" + name + ")\n");
    ASSERT_NE(block, std::string::npos) << name;
    const std::string zsh_block = zsh.substr(block, zsh.find(";;", block) - block);
    EXPECT_NE(zsh.find("      '" + name + ":"), std::string::npos) << name;
    EXPECT_NE(manual.find(".SS " + name + "\n"), std::string::npos) << name;
    std::vector<std::string> options(command.flags.begin(), command.flags.end());
    options.insert(options.end(), command.valued.begin(), command.valued.end());
    options.insert(options.end(), command.own_options.begin(), command.own_options.end());
    for (const std::string& option : options) {
      EXPECT_NE(bash_options.find(" " + option + " "), std::string::npos) << name << option;
      const bool valued = command.valued.count(option) != 0;
      const std::string entry = option.back() == '-' ? "'*" + option + "-:"
                               : valued             ? "'" + option + "=:"
                                                    : "'" + option + "'";
      EXPECT_NE(zsh_block.find(entry), std::string::npos) << name << " " << entry;
      EXPECT_NE(manual.find("\\fB" + option), std::string::npos) << name << option;
    }
  }
}

// The words offered for a value are those the commands take: none is
// refused as unknown.
TEST(InstalledFilesTest, OfferedWordsAreTakenByTheirCommands) {
  struct Case {
    std::vector<std::string> line;  // the word goes last, after the prefix
    std::string option;
    std::string refusal;
  };
  const Case cases[] = {
      {{"check", "/no/such/folder", "--format"}, "--format", "unknown format"},
      {{"package", "/no/such/folder", "-o", "/no/such/out", "--target"}, "--target",
       "unknown target"},
      {{"check", "/no/such/folder"}, "-Wno-", "unknown warning"},
  };
  for (const Case& test : cases) {
    const ValueKind value = OptionValue(test.option);
    ASSERT_EQ(value.type, ValueKind::kWord) << test.option;
    ASSERT_FALSE(value.words.empty());
    for (const std::string& word : value.words) {
      std::vector<std::string> line = test.line;
      if (test.option.back() == '-') {
        line.push_back(test.option + word);
      } else {
        line.push_back(word);
      }
      const Outcome outcome = Tool(line);
      EXPECT_EQ(outcome.err.find(test.refusal), std::string::npos) << word << ": " << outcome.err;
    }
  }
  for (const std::string& shell : PositionalValue("completions").words) {
    EXPECT_EQ(Tool({"completions", shell}).status, kToolClean) << shell;
  }
}

TEST(InstalledFilesTest, CommandLinesOfTheGenerators) {
  struct Case {
    std::vector<std::string> line;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{"completions"}, kToolUsage, "missing the shell"},
      {{"completions", "fish"}, kToolUsage, "unknown shell 'fish'"},
      {{"completions", "bash", "zsh"}, kToolUsage, "unexpected argument 'zsh'"},
      {{"man", "page"}, kToolUsage, "unexpected argument 'page'"},
      {{"man", "-o", "page.1"}, kToolUsage, "unknown option '--output'"},
  };
  for (const Case& test : cases) {
    const Outcome outcome = Tool(test.line);
    EXPECT_EQ(outcome.status, test.status) << test.line[0];
    EXPECT_NE(outcome.err.find(test.err), std::string::npos) << outcome.err;
  }
}

}  // namespace
}  // namespace packager::tool
