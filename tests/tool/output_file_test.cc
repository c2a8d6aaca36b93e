#include "tool/output_file.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "tables/file_failure.h"
#include "tables/replace_file.h"
#include "tool/tool_run.h"

namespace packager::tool {
namespace {

namespace fs = std::filesystem;
using test_support::TempFolder;

// The running program (here the test) cannot be named as an output, however
// the path spells it; nothing is written.
TEST(OutputFileTest, TheRunningProgramIsNeverReplaced) {
  TempFolder folder;
  const fs::path self = RunningProgramPath();
  const auto size = fs::file_size(self);
  fs::create_symlink(self, folder.PathOf("self-link"));
  const std::string spellings[] = {
      self.string(), folder.PathOf("self-link"),
      (self.parent_path() / ".." / self.parent_path().filename() / self.filename()).string()};
  for (const std::string& path : spellings) {
    try {
      WriteOutputFile(path, "", "x");
      ADD_FAILURE() << path << ": written";
    } catch (const FileFailure& failure) {
      EXPECT_NE(std::string(failure.what()).find("scenario-tool itself"), std::string::npos)
          << failure.what();
    }
  }
  EXPECT_EQ(fs::file_size(self), size);
}

// A text that never ends is refused at once, naming the file, instead of
// making the command wait or fill the memory.
TEST(OutputFileTest, ATextThatIsNoRegularFileIsAFileFailure) {
  TempFolder folder;
  folder.Write("scenario.txt", "name = L\ntrain = 9\n");
  for (const char* text : {"L_9_note.txt", "L_9_rallentamenti.txt", "L_9_scheda_treno.txt"}) {
    folder.Write(text, "\n");
  }
  folder.Write("L_linea.txt", "[generale]\nlunghezza percorso, 1000\n");
  ASSERT_EQ(::mkfifo(folder.PathOf("L_9-.txt").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(folder.PathOf("L_9.sim").c_str(), 0600), 0);
  for (const auto& [args, file] :
       {std::pair{std::vector<std::string>{"check", folder.path()}, "L_9-.txt"},
        std::pair{std::vector<std::string>{"dump", folder.PathOf("L_9.sim")}, "L_9.sim"}}) {
    const Outcome outcome = Tool(args);
    EXPECT_EQ(outcome.status, kToolFileFailure) << args[0];
    EXPECT_NE(outcome.err.find(std::string(file) + ": cannot read the file: it is not a regular file"),
              std::string::npos)
        << args[0] << ": " << outcome.err;
  }
  fs::remove(folder.PathOf("L_9-.txt"));
  fs::create_symlink("/dev/zero", folder.PathOf("L_9-.txt"));
  EXPECT_EQ(Tool({"check", folder.path()}).status, kToolFileFailure);
}

// No command writes its output over a file of the scenario it reads, however
// the path spells it, nor over a FIFO among compile's outputs: status 3, the
// file as it was.
TEST(OutputFileTest, AnOutputNeverReplacesWhatTheCommandReads) {
  TempFolder folder;
  ASSERT_EQ(Tool({"new", folder.PathOf("s"), "--name", "Valle", "--train", "42"}).status, 0);
  const std::string s = folder.PathOf("s");
  fs::create_symlink(s + "/Valle_linea.txt", folder.PathOf("link.html"));
  fs::create_directory(folder.PathOf("out"));
  ASSERT_EQ(::mkfifo(folder.PathOf("out/Valle_42.sim").c_str(), 0600), 0);
  const std::vector<std::string> cases[] = {
      {"report", s, "-o", s + "/Valle_42-.txt"},
      {"report", s, "-o", s + "/../s/scenario.txt"},
      {"report", s, "-o", folder.PathOf("link.html")},
      {"profile", s, "-o", s + "/Valle_42_note.txt"},
      {"plan", s, "-o", s + "/Valle_42_scheda_treno.txt"},
      {"package", s, "--target", "linux-x86_64", "-o", s + "/Valle_42_rallentamenti.txt"},
      {"compile", s, "-o", folder.PathOf("out")},
  };
  for (const std::vector<std::string>& args : cases) {
    const std::string before = ReadWholeFile(s + "/Valle_linea.txt") + ReadWholeFile(s + "/Valle_42-.txt");
    const Outcome outcome = Tool(args);
    EXPECT_EQ(outcome.status, kToolFileFailure) << args[0] << " " << args.back() << outcome.err;
    EXPECT_NE(outcome.err.find("cannot write the file"), std::string::npos) << outcome.err;
    EXPECT_EQ(ReadWholeFile(s + "/Valle_linea.txt") + ReadWholeFile(s + "/Valle_42-.txt"), before);
  }
  EXPECT_TRUE(fs::is_fifo(folder.PathOf("out/Valle_42.sim")));
  EXPECT_FALSE(fs::exists(folder.PathOf("out/Valle_linea.dat")));
  EXPECT_EQ(Tool({"report", s, "-o", folder.PathOf("page.html")}).status, kToolClean);
}

// A text that is a link is read only through to a regular file; the message
// says where the link leads.
TEST(OutputFileTest, ATextThatIsALinkSaysWhereItLeads) {
  TempFolder folder;
  ASSERT_EQ(Tool({"new", folder.PathOf("s"), "--name", "Valle", "--train", "42"}).status, 0);
  const std::string note = folder.PathOf("s/Valle_42_note.txt");
  const std::pair<const char*, const char*> cases[] = {
      {"/nowhere/note", "symbolic link to /nowhere/note, which does not exist"},
      {"/dev/zero", "symbolic link to /dev/zero, which is not a regular file"},
  };
  for (const auto& [target, said] : cases) {
    fs::remove(note);
    fs::create_symlink(target, note);
    const Outcome outcome = Tool({"check", folder.PathOf("s")});
    EXPECT_EQ(outcome.status, kToolFileFailure) << target;
    EXPECT_NE(outcome.err.find(said), std::string::npos) << outcome.err;
  }
}

}  // namespace
}  // namespace packager::tool
