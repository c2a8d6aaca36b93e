// The packager run on a folder that fails it: the run ends with one line
// naming the file and the system's reason and status 3, every file it had
// not yet replaced is as an earlier run left it, and no temporary file stays.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/run.h"
#include "support/memory_folder.h"
#include "support/temp_folder.h"

namespace packager {
namespace {

namespace fs = std::filesystem;
using test_support::EntriesOf;
using test_support::MemoryFolder;
using test_support::RunningAsRoot;
using test_support::TempFolder;

constexpr uid_t kNobody = 65534;
constexpr char kProgram[] = "packager";
constexpr char kLineText[] = "Vardessa_Lontrino_linea.txt";
constexpr char kTrainText[] = "Vardessa_Lontrino_5608-.txt";
constexpr char kNotes[] = "Vardessa_Lontrino_5608_note.txt";
constexpr char kLinePlan[] = "Vardessa_Lontrino_linea.dat";
constexpr char kRouteGrid[] = "Vardessa_Lontrino_5608.dat";

// Every file a run writes, in the order it writes them. The two description
// texts are read back and deleted after the last crew document.
const std::vector<std::string> kWrites = {
    kLineText,
    kTrainText,
    kNotes,
    "Vardessa_Lontrino_5608_rallentamenti.txt",
    "Vardessa_Lontrino_5608_scheda_treno.txt",
    kLinePlan,
    "Vardessa_Lontrino_5608.sim",
    kRouteGrid,
};
constexpr std::size_t kFirstLasting = 2;
constexpr std::size_t kFirstBinary = 5;

std::string EarlierBytes(const std::string& name) {
  return "from an earlier run: " + name + "\r\n";
}

struct Ending {
  int status = -1;
  std::string report;
};

// Runs the program from "/", as the unprivileged user when asked; what it
// prints on stderr goes to a file of the log folder, opened before the user
// changes.
Ending RunProgram(const std::string& program, const TempFolder& log, bool unprivileged = false) {
  const std::string log_path = log.PathOf("stderr");
  const pid_t child = ::fork();
  if (child == 0) {
    const int out = ::open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || ::dup2(out, STDERR_FILENO) < 0 || ::chdir("/") != 0) ::_exit(126);
    if (unprivileged &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
      ::_exit(126);
    }
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  Ending ending;
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return ending;
  ending.status = WEXITSTATUS(status);
  ending.report = log.Read("stderr");
  return ending;
}

class FileFaultsTest : public ::testing::Test {
 protected:
  // The lasting files of a clean run in a fresh folder.
  static void SetUpTestSuite() {
    TempFolder folder, log;
    fs::copy_file(PACKAGER_PATH, folder.PathOf(kProgram));
    const Ending ending = RunProgram(folder.PathOf(kProgram), log);
    ASSERT_EQ(ending.status, kExitClean) << ending.report;
    for (std::size_t i = kFirstLasting; i < kWrites.size(); ++i) {
      clean_[kWrites[i]] = folder.Read(kWrites[i]);
    }
  }

  // The program and the lasting files of an earlier run, except those named.
  static void Prepare(const TempFolder& folder, const std::set<std::string>& except = {}) {
    fs::copy_file(PACKAGER_PATH, folder.PathOf(kProgram));
    for (std::size_t i = kFirstLasting; i < kWrites.size(); ++i) {
      if (except.count(kWrites[i]) == 0) folder.Write(kWrites[i], EarlierBytes(kWrites[i]));
    }
  }

  // After a run that failed on the file named: the files written before it
  // are the clean run's, the others the earlier run's, byte for byte; the
  // description texts are left only by a failure before they were read; and
  // nothing else is in the folder.
  static void ExpectFailedOn(const TempFolder& folder, const std::string& failed,
                             const std::set<std::string>& except = {}) {
    std::size_t at = 0;
    while (at < kWrites.size() && kWrites[at] != failed) ++at;
    ASSERT_LT(at, kWrites.size()) << failed;
    std::set<std::string> expected = {kProgram};
    for (std::size_t i = 0; i < kWrites.size(); ++i) {
      const std::string& name = kWrites[i];
      if (i < kFirstLasting) {
        if (at < kFirstBinary && i < at) expected.insert(name);
        EXPECT_EQ(folder.Exists(name), at < kFirstBinary && i < at) << name;
      } else if (i < at) {
        expected.insert(name);
        EXPECT_EQ(folder.Read(name), clean_.at(name)) << name << " is not the clean run's";
      } else if (except.count(name) == 0) {
        expected.insert(name);
        EXPECT_EQ(folder.Read(name), EarlierBytes(name)) << name << " was changed";
      }
    }
    for (const std::string& name : except) expected.insert(name);
    EXPECT_EQ(EntriesOf(folder.path()), expected) << "a file was left behind or lost";
  }

  static std::string ReportOf(const TempFolder& folder, const std::string& name,
                              const std::string& step, int error) {
    return folder.PathOf(name) + ": cannot " + step + ": " + std::strerror(error) + "\n";
  }

  static std::map<std::string, std::string> clean_;
};

std::map<std::string, std::string> FileFaultsTest::clean_;

TEST_F(FileFaultsTest, ACleanRunReplacesEveryEarlierFileAndLeavesNoTemporaryFile) {
  TempFolder folder, log;
  Prepare(folder);
  const Ending ending = RunProgram(folder.PathOf(kProgram), log);
  EXPECT_EQ(ending.status, kExitClean);
  EXPECT_EQ(ending.report, "");
  std::set<std::string> expected = {kProgram};
  for (std::size_t i = kFirstLasting; i < kWrites.size(); ++i) {
    expected.insert(kWrites[i]);
    EXPECT_EQ(folder.Read(kWrites[i]), clean_.at(kWrites[i])) << kWrites[i];
  }
  EXPECT_EQ(EntriesOf(folder.path()), expected);
  EXPECT_EQ(clean_.at(kLinePlan).size(), 2619964u);
  EXPECT_EQ(clean_.at(kRouteGrid).size(), 39315u);
}

// A folder in the place of a crew document and of the last binary file: the
// files before it are written, the folder and everything after it stay.
TEST_F(FileFaultsTest, AFolderInAFilesPlaceStopsTheRunThere) {
  for (const std::string name : {kNotes, kRouteGrid}) {
    SCOPED_TRACE(name);
    TempFolder folder, log;
    Prepare(folder, {name});
    fs::create_directory(folder.PathOf(name));
    folder.Write(name + "/inside", "kept");
    const Ending ending = RunProgram(folder.PathOf(kProgram), log);
    EXPECT_EQ(ending.status, kExitFileFailure);
    EXPECT_EQ(ending.report, ReportOf(folder, name, "replace the file", EISDIR));
    EXPECT_EQ(folder.Read(name + "/inside"), "kept");
    ExpectFailedOn(folder, name, {name});
  }
}

TEST_F(FileFaultsTest, AReadOnlyFolderKeepsEveryEarlierFile) {
  if (RunningAsRoot()) {
    // Root writes into any folder whatever its mode: it needs a read-only
    // file system instead.
    MemoryFolder memory(16 << 20);
    if (!memory.mounted()) GTEST_SKIP() << "a read-only folder is not tested: " << memory.why();
    TempFolder log;
    Prepare(memory.folder());
    ASSERT_TRUE(memory.MakeReadOnly()) << memory.why();
    const Ending ending = RunProgram(memory.folder().PathOf(kProgram), log);
    EXPECT_EQ(ending.status, kExitFileFailure);
    EXPECT_EQ(ending.report, ReportOf(memory.folder(), kLineText, "write the file", EROFS));
    ExpectFailedOn(memory.folder(), kLineText);
  } else {
    TempFolder folder, log;
    Prepare(folder);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);
    const Ending ending = RunProgram(folder.PathOf(kProgram), log);
    ::chmod(folder.path().c_str(), 0755);
    EXPECT_EQ(ending.status, kExitFileFailure);
    EXPECT_EQ(ending.report, ReportOf(folder, kLineText, "write the file", EACCES));
    ExpectFailedOn(folder, kLineText);
  }
}

// A file system just large enough for the program, the earlier files and a
// budget: one page fits no description text, a megabyte fits all the texts
// but not the 2.6 MB line plan beside the earlier one.
TEST_F(FileFaultsTest, AFullDiskKeepsTheFileItWasWriting) {
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t program_pages = (fs::file_size(PACKAGER_PATH) + page - 1) / page;
  const std::size_t earlier_pages = kWrites.size() - kFirstLasting;
  for (const auto& [budget, failed] :
       std::vector<std::pair<std::size_t, std::string>>{{page, kLineText}, {1 << 20, kLinePlan}}) {
    SCOPED_TRACE(failed);
    MemoryFolder memory((program_pages + earlier_pages) * page + budget);
    if (!memory.mounted()) GTEST_SKIP() << "a full disk is not tested: " << memory.why();
    TempFolder log;
    Prepare(memory.folder());
    const Ending ending = RunProgram(memory.folder().PathOf(kProgram), log);
    EXPECT_EQ(ending.status, kExitFileFailure);
    EXPECT_EQ(ending.report, ReportOf(memory.folder(), failed, "write the file", ENOSPC));
    ExpectFailedOn(memory.folder(), failed);
  }
}

TEST_F(FileFaultsTest, APermissionDeniedKeepsEveryEarlierFile) {
  TempFolder folder, log;
  Prepare(folder);
  Ending ending;
  if (RunningAsRoot()) {
    // The folder is root's and writable by root alone.
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    ending = RunProgram(folder.PathOf(kProgram), log, true);
  } else {
    ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);
    ending = RunProgram(folder.PathOf(kProgram), log);
    ::chmod(folder.path().c_str(), 0755);
  }
  EXPECT_EQ(ending.status, kExitFileFailure);
  EXPECT_EQ(ending.report, ReportOf(folder, kLineText, "write the file", EACCES));
  ExpectFailedOn(folder, kLineText);
}

// A shared folder with the sticky bit lets a user create files but not
// replace another user's: the texts are written, the notes of root's earlier
// run are not replaced, and the temporary file is removed all the same.
TEST_F(FileFaultsTest, AnotherUsersFileInASharedFolderIsNotReplaced) {
  if (!RunningAsRoot()) GTEST_SKIP() << "another user's file is not tested: it needs root";
  TempFolder folder, log;
  Prepare(folder);
  ASSERT_EQ(::chmod(folder.path().c_str(), 01777), 0);
  const Ending ending = RunProgram(folder.PathOf(kProgram), log, true);
  EXPECT_EQ(ending.status, kExitFileFailure);
  EXPECT_EQ(ending.report, ReportOf(folder, kNotes, "replace the file", EPERM));
  ExpectFailedOn(folder, kNotes);
}

}  // namespace
}  // namespace packager
