// The part of the file module that is the same on every platform; the
// system's calls that replace a file are in file_posix.cc or file_windows.cc.
#include "tables/replace_file.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <vector>

#include "tables/file_failure.h"
#include "tables/file_names.h"
#include "tables/file_platform.h"

namespace packager {

namespace file_platform {

std::string TemporaryPath(const std::string& path, std::uint64_t process) {
  static std::atomic<std::uint64_t> calls{0};
  const auto ticks =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  const std::size_t start = NameStart(path);
  return path.substr(0, start) + "." + path.substr(start) + ".tmp" + std::to_string(process) + "-" +
         std::to_string(calls.fetch_add(1)) + "-" + std::to_string(ticks % 1000000007ULL);
}

// The writer process of a temporary file of ours, when the name is exactly
// one: "." + a name + ".tmp" + process + "-" + count + "-" + clock.
std::optional<std::uint64_t> TemporaryWriter(std::string_view name) {
  const std::size_t tmp = name.rfind(".tmp");
  if (name.size() < 2 || name[0] != '.' || tmp == std::string_view::npos || tmp < 2) {
    return std::nullopt;
  }
  std::string_view rest = name.substr(tmp + 4);
  std::uint64_t numbers[3] = {};
  for (int i = 0; i < 3; ++i) {
    std::size_t digits = 0;
    while (digits < rest.size() && digits < 19 && rest[digits] >= '0' && rest[digits] <= '9') {
      numbers[i] = numbers[i] * 10 + static_cast<std::uint64_t>(rest[digits] - '0');
      ++digits;
    }
    if (digits == 0) return std::nullopt;
    rest.remove_prefix(digits);
    if (i < 2) {
      if (rest.empty() || rest[0] != '-') return std::nullopt;
      rest.remove_prefix(1);
    }
  }
  if (!rest.empty()) return std::nullopt;
  return numbers[0];
}

void DeleteStaleTemporaries(const std::string& path) {
  namespace fs = std::filesystem;
  const std::size_t start = NameStart(path);
  const fs::path folder = NativePath(start == 0 ? std::string(".") : path.substr(0, start));
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  if (error) return;
  const auto now = fs::file_time_type::clock::now();
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    const fs::directory_entry& entry = *entries;
    const std::optional<std::uint64_t> writer = TemporaryWriter(PathText(entry.path().filename()));
    std::error_code status_error;
    if (!writer || !entry.is_regular_file(status_error) || entry.is_symlink(status_error)) continue;
    const auto written = entry.last_write_time(status_error);
    if (status_error) continue;
    const auto age = now - written;
    if (age >= kStaleTemporaryAge || (age >= kQuietTemporaryAge && !ProcessRunning(*writer))) {
      fs::remove(entry.path(), status_error);
    }
  }
}

}  // namespace file_platform

void RequireReplaceable(const std::string& path) {
  namespace fs = std::filesystem;
  constexpr char kStep[] = "write the file";
  std::error_code error;
  const fs::file_status status = fs::symlink_status(NativePath(path), error);
  if (status.type() == fs::file_type::not_found || fs::is_regular_file(status)) return;
  if (error) throw FileFailure(path, kStep, error.message());
  if (fs::is_symlink(status)) {
    throw FileFailure(path, kStep,
                      "it is a symbolic link, which a new file would replace; it is left as it "
                      "is: delete it or write elsewhere");
  }
  // A folder refuses to be replaced by itself ("Is a directory").
  if (fs::is_directory(status)) return;
  throw FileFailure(path, kStep,
                    "it is not a regular file but a FIFO, a device or a socket; it is left as it is");
}

void ReplaceFile(const std::string& path, std::string_view bytes) {
  ReplaceFile(path, std::span<const std::string_view>(&bytes, 1));
}

void ReplaceFile(const std::string& path, std::span<const std::string_view> pieces) {
  ReplaceFile(path, [pieces](const FileOffsetWriter& write) {
    std::uint64_t offset = 0;
    for (const std::string_view piece : pieces) {
      write(offset, piece);
      offset += piece.size();
    }
  });
}

void ReplaceFile(const std::string& path,
                 const std::function<void(const FileOffsetWriter&)>& fill) {
  const FileFill file{path, [&fill](const PieceWriter& writer) { fill(writer.write); }};
  ReplaceFiles(std::span<const FileFill>(&file, 1));
}

void ReplaceFiles(std::span<const FileFill> files) {
  std::vector<file_platform::Temporary> temporaries;
  temporaries.reserve(files.size());
  // The first failure, and the file it stopped at: the files before it are
  // replaced all the same, those from it on stay as they are.
  std::exception_ptr failure;
  std::size_t stop = files.size();
  const auto fail_at = [&failure, &stop](std::size_t at) {
    failure = std::current_exception();
    stop = at;
  };
  for (std::size_t at = 0; at < files.size(); ++at) {
    try {
      RequireReplaceable(files[at].path);
      file_platform::DeleteStaleTemporaries(files[at].path);
      temporaries.push_back(
          file_platform::WriteTemporary(files[at].path, files[at].fill, files[at].in_background));
    } catch (...) {
      fail_at(at);
      break;
    }
  }
  for (std::size_t at = 0; at < stop; ++at) {
    try {
      file_platform::SyncAndClose(temporaries[at], files[at].path);
    } catch (...) {
      fail_at(at);
    }
  }
  for (std::size_t at = 0; at < stop; ++at) {
    try {
      file_platform::TakeName(temporaries[at], files[at].path);
    } catch (...) {
      fail_at(at);
    }
  }
  for (std::size_t at = stop; at < temporaries.size(); ++at) file_platform::Discard(temporaries[at]);
  std::vector<std::string> folders;
  for (std::size_t at = 0; at < stop; ++at) {
    const std::string& path = files[at].path;
    std::string folder = path.substr(0, file_platform::NameStart(path));
    if (std::find(folders.begin(), folders.end(), folder) != folders.end()) continue;
    file_platform::SyncFolder(path);
    folders.push_back(std::move(folder));
  }
  if (failure) std::rethrow_exception(failure);
}

std::string RegularFileTarget(const std::string& path) {
  namespace fs = std::filesystem;
  constexpr char kStep[] = "write the file";
  std::error_code error;
  const fs::file_status link = fs::symlink_status(NativePath(path), error);
  if (link.type() == fs::file_type::not_found) return path;
  if (error) throw FileFailure(path, kStep, error.message());
  std::string target = path;
  fs::file_status status = link;
  if (fs::is_symlink(link)) {
    const fs::path resolved = fs::canonical(NativePath(path), error);
    if (error) {
      throw FileFailure(path, kStep, "it is a symbolic link that leads to nothing; it is left as it is");
    }
    target = PathText(resolved);
    status = fs::status(resolved, error);
  }
  if (fs::is_directory(status)) {
    throw FileFailure(path, kStep, "it is a folder; name a file in it");
  }
  if (!fs::is_regular_file(status)) {
    throw FileFailure(path, kStep,
                      "it is not a regular file but a FIFO, a device or a socket; it is left as "
                      "it is");
  }
  return target;
}

ReadFault TryReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  return file_platform::ReadRegularFile(path, file_platform::kWholeFile, bytes);
}

ReadFault TryReadFileEnd(const std::string& path, std::uint64_t count, std::string& bytes) {
  bytes.clear();
  return file_platform::ReadRegularFile(path, count, bytes);
}

const char* ReadFaultReason(ReadFault fault) {
  switch (fault) {
    case ReadFault::kMissing:
      return "it does not exist";
    case ReadFault::kFolder:
      return "it is a folder";
    case ReadFault::kNotRegular:
      return "it is not a regular file but a FIFO, a device or a socket, whose reading might "
             "never end";
    case ReadFault::kTooLarge: {
      static const std::string reason = "it is larger than the " +
                                        std::to_string(kMaxReadSize >> 20) +
                                        " MiB a file read by this program may hold";
      return reason.c_str();
    }
    case ReadFault::kCannotOpen:
      return "it cannot be opened";
    case ReadFault::kCannotRead:
      return "reading it failed";
    case ReadFault::kNone:
      break;
  }
  return "";
}

std::string ReadFaultReason(ReadFault fault, const std::string& path) {
  namespace fs = std::filesystem;
  const std::string reason = ReadFaultReason(fault);
  std::error_code error;
  if (fault == ReadFault::kNone || !fs::is_symlink(fs::symlink_status(NativePath(path), error))) {
    return reason;
  }
  const fs::path target = fs::read_symlink(NativePath(path), error);
  if (error) return reason;
  const std::string link = "it is a symbolic link to " + PathText(target);
  return reason.rfind("it ", 0) == 0 ? link + ", which " + reason.substr(3) : link + "; " + reason;
}

std::string ReadWholeFile(const std::string& path) {
  std::string bytes;
  const ReadFault fault = TryReadWholeFile(path, bytes);
  if (fault != ReadFault::kNone) {
    throw FileFailure(path, "read the file", ReadFaultReason(fault, path));
  }
  return bytes;
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(NativePath(path), error);
}

bool IsSymbolicLink(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_symlink(std::filesystem::symlink_status(NativePath(path), error));
}

void DeleteFileIfPresent(const std::string& path) {
  std::error_code error;
  if (FileExists(path)) std::filesystem::remove(NativePath(path), error);
}

}  // namespace packager
