#include "tables/replace_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "support/memory_folder.h"
#include "support/temp_folder.h"
#include "tables/file_failure.h"

namespace packager {
namespace {

using test_support::EntriesOf;
using test_support::MemoryFolder;
using test_support::RunningAsRoot;
using test_support::TempFolder;
using Names = std::set<std::string>;

// Runs ReplaceFile and returns the failure's line; fails the test when it
// does not fail, or fails naming another file.
std::string FailureOf(const std::string& path, std::string_view bytes) {
  try {
    ReplaceFile(path, bytes);
  } catch (const FileFailure& failure) {
    EXPECT_EQ(failure.path(), path);
    return failure.what();
  }
  ADD_FAILURE() << "ReplaceFile(" << path << ") did not fail";
  return {};
}

TEST(ReplaceFileTest, WritesExactlyTheBytesOverAnyEarlierFile) {
  TempFolder folder;
  const std::string path = folder.PathOf("x.dat");
  const std::string binary("\0\x01\r\n\xFF\x80 end\r\n\0", 13);
  ReplaceFile(path, binary);
  EXPECT_EQ(folder.Read("x.dat"), binary);
  // A shorter file leaves nothing of the longer one behind it.
  ReplaceFile(path, "ab");
  EXPECT_EQ(folder.Read("x.dat"), "ab");
  ReplaceFile(path, "");
  EXPECT_TRUE(folder.Exists("x.dat"));
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  const std::string large(3 << 20, 'q');
  ReplaceFile(path, large);
  EXPECT_EQ(folder.Read("x.dat"), large);
  EXPECT_EQ(EntriesOf(folder.path()), Names{"x.dat"});
  // Pieces, empty ones among them, land one after the other.
  const std::string_view pieces[] = {"", large, "", binary, "z"};
  ReplaceFile(path, pieces);
  EXPECT_EQ(folder.Read("x.dat"), large + binary + "z");
  ReplaceFile(path, std::span<const std::string_view>());
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST(ReplaceFileTest, AFileFilledAtOffsetsIsWholeOnlyWhenTheFillEnds) {
  TempFolder folder;
  const std::string path = folder.PathOf("x.dat");
  ReplaceFile(path, "earlier");
  // Pieces out of order, one past a gap that a later piece fills, one over
  // 64 KiB from the start: the bytes land where they were put.
  const std::string far(70000, 'f');
  const struct {
    std::uint64_t offset;
    std::string_view bytes;
  } pieces[] = {{4, "tail"}, {0, "head"}, {8 + 70000, "end"}, {8, far}, {2, ""}};
  ReplaceFile(path, [&pieces](const FileOffsetWriter& write) {
    for (const auto& piece : pieces) write(piece.offset, piece.bytes);
  });
  EXPECT_EQ(folder.Read("x.dat"), "headtail" + far + "end");
  // A fill that fails half-way leaves the earlier file and no temporary one.
  for (const bool file_failure : {false, true}) {
    const auto failing = [file_failure, &path](const FileOffsetWriter& write) {
      write(0, "half");
      if (file_failure) throw FileFailure(path, "compute the file", "it cannot be computed");
      throw std::runtime_error("the fill broke");
    };
    EXPECT_ANY_THROW(ReplaceFile(path, failing)) << file_failure;
    EXPECT_EQ(folder.Read("x.dat"), "headtail" + far + "end");
    EXPECT_EQ(EntriesOf(folder.path()), Names{"x.dat"});
  }
}

TEST(ReadWholeFileTest, ReadsEveryByteOrSaysWhyNot) {
  TempFolder folder;
  const std::string binary("\0\x01\r\n\xFF\x1A end\0", 11);
  folder.Write("binary.dat", binary);
  folder.Write("empty.dat", "");
  std::filesystem::create_directory(folder.PathOf("folder.dat"));
  struct Case {
    const char* name;
    ReadFault fault;
    std::string bytes;
  };
  for (const Case& c :
       {Case{"binary.dat", ReadFault::kNone, binary}, Case{"empty.dat", ReadFault::kNone, ""},
        Case{"absent.dat", ReadFault::kMissing, ""}, Case{"folder.dat", ReadFault::kFolder, ""}}) {
    std::string bytes = "earlier";
    EXPECT_EQ(TryReadWholeFile(folder.PathOf(c.name), bytes), c.fault) << c.name;
    EXPECT_EQ(bytes, c.bytes) << c.name;
  }
  EXPECT_EQ(ReadWholeFile(folder.PathOf("binary.dat")), binary);
  const std::string absent = folder.PathOf("absent.dat");
  try {
    ReadWholeFile(absent);
    ADD_FAILURE() << "a missing file was read";
  } catch (const FileFailure& failure) {
    EXPECT_EQ(failure.what(), absent + ": cannot read the file: it does not exist");
  }
  if (!RunningAsRoot()) {
    ASSERT_EQ(::chmod(folder.PathOf("binary.dat").c_str(), 0), 0);
    std::string bytes;
    EXPECT_EQ(TryReadWholeFile(folder.PathOf("binary.dat"), bytes), ReadFault::kCannotOpen);
    EXPECT_EQ(ReadFaultReason(ReadFault::kCannotOpen), std::string("it cannot be opened"));
  }
}

TEST(ReadWholeFileTest, OnlyARegularFileOfASaneSizeIsRead) {
  TempFolder folder;
  ASSERT_EQ(::mkfifo(folder.PathOf("fifo").c_str(), 0600), 0);
  // Sparse: the size is there at once, the bytes are never read.
  folder.Write("huge.dat", "");
  std::filesystem::resize_file(folder.PathOf("huge.dat"), kMaxReadSize + 1);
  folder.Write("small.dat", "bytes");
  std::filesystem::create_symlink("small.dat", folder.PathOf("link"));
  const struct {
    std::string path;
    ReadFault fault;
  } kCases[] = {
      {folder.PathOf("fifo"), ReadFault::kNotRegular},  // no writer: it would wait for ever
      {"/dev/zero", ReadFault::kNotRegular},            // it would never end
      {folder.PathOf("huge.dat"), ReadFault::kTooLarge},
      {folder.PathOf("link"), ReadFault::kNone},
  };
  for (const auto& test : kCases) {
    std::string bytes;
    EXPECT_EQ(TryReadWholeFile(test.path, bytes), test.fault) << test.path;
    EXPECT_LE(bytes.size(), 5u) << test.path;
  }
  try {
    ReadWholeFile(folder.PathOf("huge.dat"));
    ADD_FAILURE() << "a huge file was read";
  } catch (const FileFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find("larger than the 256 MiB"), std::string::npos)
        << failure.what();
  }
}

TEST(ReadWholeFileTest, TheEndOfAFileIsReadAlone) {
  TempFolder folder;
  folder.Write("f.dat", "0123456789");
  // Sparse: only its end is read, however large the file.
  folder.Write("huge.dat", "");
  std::filesystem::resize_file(folder.PathOf("huge.dat"), kMaxReadSize * 2);
  const struct {
    const char* name;
    std::uint64_t count;
    ReadFault fault;
    std::string bytes;
  } kCases[] = {
      {"f.dat", 3, ReadFault::kNone, "789"},
      {"f.dat", 10, ReadFault::kNone, "0123456789"},
      {"f.dat", 99, ReadFault::kNone, "0123456789"},
      {"f.dat", 0, ReadFault::kNone, ""},
      {"huge.dat", 4, ReadFault::kNone, std::string(4, '\0')},
      {"huge.dat", kMaxReadSize + 1, ReadFault::kTooLarge, ""},
      {"absent.dat", 4, ReadFault::kMissing, ""},
  };
  for (const auto& test : kCases) {
    std::string bytes = "earlier";
    EXPECT_EQ(TryReadFileEnd(folder.PathOf(test.name), test.count, bytes), test.fault)
        << test.name << " " << test.count;
    EXPECT_EQ(bytes, test.bytes) << test.name << " " << test.count;
  }
}

TEST(RegularFileTargetTest, AnOutputIsARegularFileOrIsRefusedAndKept) {
  TempFolder folder;
  ASSERT_EQ(::mkfifo(folder.PathOf("fifo").c_str(), 0600), 0);
  std::filesystem::create_directory(folder.PathOf("folder"));
  folder.Write("real.svg", "old");
  std::filesystem::create_symlink("real.svg", folder.PathOf("link.svg"));
  std::filesystem::create_symlink("absent.svg", folder.PathOf("dangling.svg"));
  EXPECT_EQ(RegularFileTarget(folder.PathOf("new.svg")), folder.PathOf("new.svg"));
  EXPECT_EQ(RegularFileTarget(folder.PathOf("real.svg")), folder.PathOf("real.svg"));
  EXPECT_EQ(std::filesystem::path(RegularFileTarget(folder.PathOf("link.svg"))),
            std::filesystem::canonical(folder.PathOf("real.svg")));
  const struct {
    std::string path;
    const char* reason;
  } kRefused[] = {
      {folder.PathOf("fifo"), "a FIFO, a device or a socket"},
      {"/dev/null", "a FIFO, a device or a socket"},
      {folder.PathOf("folder"), "it is a folder"},
      {folder.PathOf("dangling.svg"), "leads to nothing"},
  };
  for (const auto& test : kRefused) {
    try {
      RegularFileTarget(test.path);
      ADD_FAILURE() << test.path << ": accepted";
    } catch (const FileFailure& failure) {
      EXPECT_NE(std::string(failure.what()).find(test.reason), std::string::npos) << failure.what();
    }
  }
  EXPECT_TRUE(std::filesystem::is_fifo(folder.PathOf("fifo")));
}

TEST(ReplaceFileTest, AReplacedFileKeepsItsPermissions) {
  TempFolder folder;
  const std::string path = folder.PathOf("own.sh");
  folder.Write("own.sh", "old");
  for (const mode_t mode : {0700, 0640, 0444}) {
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    ReplaceFile(path, "new");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, mode);
  }
  EXPECT_EQ(folder.Read("own.sh"), "new");
}

TEST(ReplaceFileTest, ABareNameIsWrittenInTheWorkingFolder) {
  TempFolder folder;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  ReplaceFile("bare.txt", "here\r\n");
  std::filesystem::current_path(before);
  EXPECT_EQ(folder.Read("bare.txt"), "here\r\n");
  EXPECT_EQ(EntriesOf(folder.path()), Names{"bare.txt"});
}

TEST(ReplaceFileTest, AFolderInTheFilesPlaceStaysAsItWas) {
  TempFolder folder;
  std::filesystem::create_directory(folder.PathOf("x.dat"));
  folder.Write("x.dat/inside", "kept");
  const std::string path = folder.PathOf("x.dat");
  EXPECT_EQ(FailureOf(path, "new bytes"),
            path + ": cannot replace the file: " + std::strerror(EISDIR));
  EXPECT_TRUE(std::filesystem::is_directory(path));
  EXPECT_EQ(folder.Read("x.dat/inside"), "kept");
  EXPECT_EQ(EntriesOf(folder.path()), Names{"x.dat"});
}

TEST(ReplaceFileTest, AMissingFolderIsReported) {
  TempFolder folder;
  const std::string path = folder.PathOf("absent/x.dat");
  EXPECT_EQ(FailureOf(path, "bytes"), path + ": cannot write the file: " + std::strerror(ENOENT));
  EXPECT_TRUE(EntriesOf(folder.path()).empty());
}

TEST(ReplaceFileTest, AFullDiskKeepsTheEarlierFileAndGivesTheSpaceBack) {
  MemoryFolder memory(64 * 1024);
  if (!memory.mounted()) GTEST_SKIP() << "a full disk is not tested: " << memory.why();
  const TempFolder& folder = memory.folder();
  const std::string path = folder.PathOf("x.dat");
  ReplaceFile(path, "earlier");
  EXPECT_EQ(FailureOf(path, std::string(1 << 20, 'n')),
            path + ": cannot write the file: " + std::strerror(ENOSPC));
  EXPECT_EQ(folder.Read("x.dat"), "earlier");
  EXPECT_EQ(EntriesOf(folder.path()), Names{"x.dat"});
  // The partial temporary file is gone, so what fits is written again.
  const std::string fits(40 * 1024, 'f');
  ReplaceFile(path, fits);
  EXPECT_EQ(folder.Read("x.dat"), fits);
}

TEST(ReplaceFileTest, AReadOnlyFolderKeepsTheEarlierFile) {
  // Root writes into any folder whatever its mode: it needs a read-only
  // file system instead.
  if (RunningAsRoot()) {
    MemoryFolder memory(64 * 1024);
    if (!memory.mounted()) GTEST_SKIP() << "a read-only folder is not tested: " << memory.why();
    const std::string path = memory.folder().PathOf("x.dat");
    ReplaceFile(path, "earlier");
    ASSERT_TRUE(memory.MakeReadOnly()) << memory.why();
    EXPECT_EQ(FailureOf(path, "later"), path + ": cannot write the file: " + std::strerror(EROFS));
    EXPECT_EQ(memory.folder().Read("x.dat"), "earlier");
    EXPECT_EQ(EntriesOf(memory.folder().path()), Names{"x.dat"});
  } else {
    TempFolder folder;
    const std::string path = folder.PathOf("x.dat");
    ReplaceFile(path, "earlier");
    ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);
    const std::string failure = FailureOf(path, "later");
    ::chmod(folder.path().c_str(), 0755);
    EXPECT_EQ(failure, path + ": cannot write the file: " + std::strerror(EACCES));
    EXPECT_EQ(folder.Read("x.dat"), "earlier");
    EXPECT_EQ(EntriesOf(folder.path()), Names{"x.dat"});
  }
}

// Several files written together leave what writing them one after the
// other would: those before a failure replaced, the rest as they were, no
// temporary file; in the background or not, whatever the failure.
TEST(ReplaceFilesTest, AFailureKeepsTheFilesBeforeItAndNothingAfter) {
  namespace fs = std::filesystem;
  enum class Fault { kNone, kFillThrows, kWriteRefused, kFolderInPlace, kLinkInPlace };
  const struct {
    const char* name;
    Fault fault;
    int at;        // the file that fails
    int replaced;  // files replaced
    const char* message;
  } cases[] = {
      {"AllWritten", Fault::kNone, 0, 3, ""},
      {"FillThrows", Fault::kFillThrows, 1, 1, "the fill broke"},
      {"WriteRefused", Fault::kWriteRefused, 1, 1, "b.dat: cannot write the file: "},
      {"NameTakenByAFolder", Fault::kFolderInPlace, 2, 2, "c.dat: cannot replace the file: "},
      {"FirstIsALink", Fault::kLinkInPlace, 0, 0, "a.dat: cannot write the file: it is a symbolic"},
  };
  const std::string names[] = {"a.dat", "b.dat", "c.dat"};
  for (const bool in_background : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (in_background ? " in the background" : ""));
      TempFolder folder;
      Names entries;
      for (const std::string& name : names) {
        if (c.fault == Fault::kLinkInPlace && name == names[c.at]) {
          fs::create_symlink("elsewhere", folder.PathOf(name));
        } else if (c.fault == Fault::kFolderInPlace && name == names[c.at]) {
          fs::create_directory(folder.PathOf(name));
        } else {
          folder.Write(name, "old " + name);
        }
        entries.insert(name);
      }
      // Pieces written from the end, from one buffer that changes once each
      // is settled: a piece not written by then would show it.
      const auto new_bytes = [](const std::string& name) { return std::string(9000, name[0]); };
      std::vector<FileFill> files;
      for (int at = 0; at < 3; ++at) {
        const std::string name = names[at];
        const Fault fault = at == c.at ? c.fault : Fault::kNone;
        files.push_back({folder.PathOf(name), [name, fault, &new_bytes](const PieceWriter& writer) {
                           std::string buffer;
                           for (int piece = 8; piece >= 0; --piece) {
                             buffer = new_bytes(name).substr(0, 1000);
                             writer.write(static_cast<std::uint64_t>(piece) * 1000, buffer);
                             writer.settle();
                             buffer.assign(1000, '?');
                           }
                           if (fault == Fault::kFillThrows) throw std::runtime_error("the fill broke");
                           if (fault == Fault::kWriteRefused) writer.write(~std::uint64_t{0} >> 1, "x");
                         },
                         in_background});
      }
      std::string message;
      try {
        ReplaceFiles(files);
      } catch (const std::exception& failure) {
        message = failure.what();
      }
      if (c.fault == Fault::kNone) {
        EXPECT_EQ(message, "");
      } else {
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
      }
      EXPECT_EQ(EntriesOf(folder.path()), entries);
      for (int at = 0; at < 3; ++at) {
        // A link or a folder in the file's place stays as it was.
        const bool kept_in_place = c.fault == Fault::kLinkInPlace || c.fault == Fault::kFolderInPlace;
        if (kept_in_place && at == c.at) continue;
        EXPECT_EQ(folder.Read(names[at]), at < c.replaced ? new_bytes(names[at]) : "old " + names[at])
            << names[at];
      }
    }
  }
}

// A write deletes the temporaries of ours that killed writers left in its
// folder, and only those: a running writer's, a fresh one and other names stay.
TEST(ReplaceFileTest, StaleTemporariesOfKilledWritersAreDeleted) {
  namespace fs = std::filesystem;
  test_support::TempFolder folder;
  const auto hours_ago = fs::file_time_type::clock::now() - std::chrono::hours(2);
  const auto days_ago = fs::file_time_type::clock::now() - std::chrono::hours(49);
  const std::string self = std::to_string(::getpid());
  const struct {
    std::string name;
    bool old;
    bool stays;
  } cases[] = {
      {".page.html.tmp999999999-3-12", true, false},   // writer gone
      {".a.sim.tmp" + self + "-0-1", true, true},        // writer running
      {".a.sim.tmp" + self + "-0-2", false, true},       // fresh
      {".page.html.tmp999999999-3-13", false, true},   // fresh, writer gone
      {".page.html.tmp999999999-3-", true, true},      // not our naming
      {".page.html.tmp999999999-3-1x", true, true},
      {"page.html.tmp999999999-3-1", true, true},
      {".tmp999999999-3-1", true, true},
  };
  for (const auto& c : cases) {
    folder.Write(c.name, "left");
    if (c.old) fs::last_write_time(folder.PathOf(c.name), hours_ago);
  }
  folder.Write(".b.dat.tmp1-0-0", "old, writer running");
  fs::last_write_time(folder.PathOf(".b.dat.tmp1-0-0"), days_ago);
  ReplaceFile(folder.PathOf("page.html"), "new");
  for (const auto& c : cases) EXPECT_EQ(fs::exists(folder.PathOf(c.name)), c.stays) << c.name;
  EXPECT_FALSE(fs::exists(folder.PathOf(".b.dat.tmp1-0-0")));
}

// Only a regular file or nothing is replaced: a link, a folder or a FIFO
// with the name stays as it was.
TEST(ReplaceFileTest, OnlyARegularFileIsReplaced) {
  namespace fs = std::filesystem;
  test_support::TempFolder folder;
  folder.Write("target", "kept");
  fs::create_symlink(folder.PathOf("target"), folder.PathOf("link"));
  fs::create_directory(folder.PathOf("folder"));
  ASSERT_EQ(::mkfifo(folder.PathOf("fifo").c_str(), 0600), 0);
  for (const char* name : {"link", "folder", "fifo"}) {
    EXPECT_THROW(ReplaceFile(folder.PathOf(name), "new"), FileFailure) << name;
  }
  EXPECT_TRUE(fs::is_symlink(folder.PathOf("link")));
  EXPECT_TRUE(fs::is_fifo(folder.PathOf("fifo")));
  EXPECT_EQ(ReadWholeFile(folder.PathOf("target")), "kept");
}

}  // namespace
}  // namespace packager
