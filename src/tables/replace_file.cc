// The part of the file module that is the same on every platform; the
// system's calls that replace a file are in file_posix.cc or file_windows.cc.
#include "tables/replace_file.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>

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

}  // namespace file_platform


void ReplaceFile(const std::string& path, std::string_view bytes) {
  ReplaceFile(path, std::span<const std::string_view>(&bytes, 1));
}

void ReplaceFile(const std::string& path, std::span<const std::string_view> pieces) {
  file_platform::ReplaceWithWriter(path, [pieces](const FileOffsetWriter& write) {
    std::uint64_t offset = 0;
    for (const std::string_view piece : pieces) {
      write(offset, piece);
      offset += piece.size();
    }
  });
}

void ReplaceFile(const std::string& path,
                 const std::function<void(const FileOffsetWriter&)>& fill) {
  file_platform::ReplaceWithWriter(path, fill);
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

std::string ReadWholeFile(const std::string& path) {
  std::string bytes;
  const ReadFault fault = TryReadWholeFile(path, bytes);
  if (fault != ReadFault::kNone) throw FileFailure(path, "read the file", ReadFaultReason(fault));
  return bytes;
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(NativePath(path), error);
}

void DeleteFileIfPresent(const std::string& path) {
  std::error_code error;
  if (FileExists(path)) std::filesystem::remove(NativePath(path), error);
}

}  // namespace packager
