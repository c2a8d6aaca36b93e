// Replacing a file on a POSIX system: open(O_EXCL), pwrite (on a thread of
// its own for a file written in the background), fsync, rename, and an fsync
// of the folder for the new name.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "tables/file_failure.h"
#include "tables/file_platform.h"
#include "tables/replace_file.h"

namespace packager::file_platform {

namespace {

std::string SystemReason(int error) { return std::strerror(error); }

// Writes all bytes at the offset and returns 0, or the system's error.
int WriteAllAt(int file, std::uint64_t offset, std::string_view bytes) {
  while (!bytes.empty()) {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) - bytes.size()) {
      return EFBIG;
    }
    const ssize_t written = ::pwrite(file, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return EIO;
    bytes.remove_prefix(static_cast<std::size_t>(written));
    offset += static_cast<std::uint64_t>(written);
  }
  return 0;
}

// Writes the pieces handed to it on a thread of its own, in the order they
// come. After a refused write it drops the pieces that follow; Settle gives
// its error.
class BackgroundWriter {
 public:
  // Throws std::system_error when no thread starts.
  explicit BackgroundWriter(int file) : file_(file), thread_([this] { Run(); }) {}
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;
  // Drops the pieces not yet begun and waits for the one being written.
  ~BackgroundWriter() {
    {
      const std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

  void Write(std::uint64_t offset, std::string_view bytes) {
    {
      const std::lock_guard lock(mutex_);
      pieces_.push_back({offset, bytes});
    }
    wake_.notify_all();
  }

  // Waits until every piece handed over is written; 0 or the first error.
  int Settle() {
    std::unique_lock lock(mutex_);
    settled_.wait(lock, [this] { return pieces_.empty() && !busy_; });
    return error_;
  }

 private:
  struct Piece {
    std::uint64_t offset;
    std::string_view bytes;
  };

  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stop_ || !pieces_.empty(); });
      if (stop_) return;
      const Piece piece = pieces_.front();
      pieces_.pop_front();
      busy_ = true;
      const bool failed = error_ != 0;
      lock.unlock();
      const int error = failed ? 0 : WriteAllAt(file_, piece.offset, piece.bytes);
      lock.lock();
      if (error_ == 0) error_ = error;
      busy_ = false;
      if (pieces_.empty()) settled_.notify_all();
    }
  }

  const int file_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable settled_;
  std::deque<Piece> pieces_;
  bool busy_ = false;
  bool stop_ = false;
  int error_ = 0;
  std::thread thread_;  // last: it starts once the members it uses are made
};

// A new temporary file beside path, open for writing; its name goes to
// temporary.
int CreateTemporary(const std::string& path, std::string& temporary) {
  int file = -1;
  for (int attempt = 0; attempt < kNameAttempts && file < 0; ++attempt) {
    temporary = TemporaryPath(path, static_cast<std::uint64_t>(::getpid()));
    file = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file < 0 && errno != EEXIST) throw FileFailure(path, kWriteStep, SystemReason(errno));
  }
  if (file < 0) throw FileFailure(path, kWriteStep, SystemReason(EEXIST));
  return file;
}

// Reads an open regular file of the given size; a file that grows while it
// is read is read up to the limit and then refused.
ReadFault ReadOpenFile(int file, std::size_t size, std::string& bytes) {
  bytes.reserve(size);
  char chunk[1 << 16];
  for (;;) {
    const ssize_t got = ::read(file, chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      return ReadFault::kCannotRead;
    }
    if (got == 0) return ReadFault::kNone;
    if (bytes.size() + static_cast<std::size_t>(got) > kMaxReadSize) return ReadFault::kTooLarge;
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
}

// Gives the new file the permissions and owner of the file it replaces, so
// that a replacement changes nothing but the bytes. A new name keeps the
// defaults; an owner the process may not give stays the process's.
void KeepPermissions(const std::string& path, int file) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
  if (::fchown(file, info.st_uid, info.st_gid) != 0) {
    // Not the owner's to give: the file stays the process's.
  }
  ::fchmod(file, info.st_mode & 07777);
}

}  // namespace

ReadFault ReadRegularFile(const std::string& path, std::uint64_t count, std::string& bytes) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
  const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (file < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return ReadFault::kMissing;
    if (errno == EISDIR) return ReadFault::kFolder;
    return ReadFault::kCannotOpen;
  }
  struct stat info {};
  ReadFault fault = ReadFault::kNone;
  if (::fstat(file, &info) != 0) {
    fault = ReadFault::kCannotRead;
  } else if (S_ISDIR(info.st_mode)) {
    fault = ReadFault::kFolder;
  } else if (!S_ISREG(info.st_mode)) {
    fault = ReadFault::kNotRegular;
  } else if (const auto size = static_cast<std::uint64_t>(info.st_size);
             std::min(size, count) > kMaxReadSize) {
    fault = ReadFault::kTooLarge;
  } else if (size > count && ::lseek(file, static_cast<off_t>(size - count), SEEK_SET) < 0) {
    fault = ReadFault::kCannotRead;
  } else {
    // A regular file never blocks; the flag is dropped all the same.
    ::fcntl(file, F_SETFL, ::fcntl(file, F_GETFL) & ~O_NONBLOCK);
    fault = ReadOpenFile(file, static_cast<std::size_t>(std::min(size, count)), bytes);
  }
  ::close(file);
  return fault;
}

bool ProcessRunning(std::uint64_t process) {
  if (process == 0 || process > static_cast<std::uint64_t>(std::numeric_limits<pid_t>::max())) {
    return false;
  }
  return ::kill(static_cast<pid_t>(process), 0) == 0 || errno != ESRCH;
}

std::size_t NameStart(const std::string& path) {
  const std::size_t separator = path.rfind('/');
  return separator == std::string::npos ? 0 : separator + 1;
}

Temporary WriteTemporary(const std::string& path, const std::function<void(const PieceWriter&)>& fill,
                         bool in_background) {
  Temporary temporary;
  const int file = CreateTemporary(path, temporary.path);
  temporary.handle = file;
  KeepPermissions(path, file);
  std::optional<BackgroundWriter> background;
  try {
    // Should no thread start, the pieces are written as they come.
    if (in_background) {
      try {
        background.emplace(file);
      } catch (const std::system_error&) {
      }
    }
    const auto fail = [&path](int error) {
      if (error != 0) throw FileFailure(path, kWriteStep, SystemReason(error));
    };
    PieceWriter writer;
    if (background) {
      writer.write = [&background](std::uint64_t offset, std::string_view bytes) {
        background->Write(offset, bytes);
      };
      writer.settle = [&background, &fail] { fail(background->Settle()); };
    } else {
      writer.write = [&fail, file](std::uint64_t offset, std::string_view bytes) {
        fail(WriteAllAt(file, offset, bytes));
      };
      writer.settle = [] {};
    }
    fill(writer);
    writer.settle();
  } catch (...) {
    background.reset();
    Discard(temporary);
    throw;
  }
  return temporary;
}

void SyncAndClose(Temporary& temporary, const std::string& path) {
  const int file = static_cast<int>(temporary.handle);
  temporary.handle = -1;
  const int write_error = ::fsync(file) == 0 ? 0 : errno;
  const int close_error = ::close(file) == 0 ? 0 : errno;
  if (write_error != 0 || close_error != 0) {
    throw FileFailure(path, kWriteStep, SystemReason(write_error != 0 ? write_error : close_error));
  }
}

void TakeName(const Temporary& temporary, const std::string& path) {
  if (std::rename(temporary.path.c_str(), path.c_str()) != 0) {
    throw FileFailure(path, kReplaceStep, SystemReason(errno));
  }
}

void Discard(Temporary& temporary) {
  if (temporary.handle >= 0) ::close(static_cast<int>(temporary.handle));
  temporary.handle = -1;
  ::unlink(temporary.path.c_str());
}

// A folder that refuses to be synced changes nothing for its files, which
// are in place already.
void SyncFolder(const std::string& path) {
  const std::size_t start = NameStart(path);
  const std::string folder = start == 0 ? "." : path.substr(0, start);
  const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (handle < 0) return;
  ::fsync(handle);
  ::close(handle);
}

}  // namespace packager::file_platform

namespace packager {

// The kernel's link to the executable names it however it was started.
std::string RunningProgramPath() {
  std::string target(4096, '\0');
  const ssize_t size = ::readlink("/proc/self/exe", target.data(), target.size());
  if (size <= 0 || static_cast<std::size_t>(size) >= target.size()) {
    throw FileFailure("/proc/self/exe", "find the program's own file",
                      size <= 0 ? std::strerror(errno) : "the path is too long");
  }
  target.resize(static_cast<std::size_t>(size));
  return target;
}

}  // namespace packager
