// The part of the file module that is the same on every platform; the
// system's calls that replace a file are in file_posix.cc or file_windows.cc.
#include "tables/replace_file.h"

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tables/file_failure.h"
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

namespace {

// Reads what the open stream holds, sized up front when the size is known.
ReadFault ReadStream(std::ifstream& in, std::uintmax_t size, std::string& bytes) {
  if (size != static_cast<std::uintmax_t>(-1)) bytes.reserve(static_cast<std::size_t>(size));
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
  }
  return in.bad() ? ReadFault::kCannotRead : ReadFault::kNone;
}

}  // namespace

void ReplaceFile(const std::string& path, std::string_view bytes) {
  file_platform::ReplaceWithPieces(path, std::span<const std::string_view>(&bytes, 1));
}

void ReplaceFile(const std::string& path, std::span<const std::string_view> pieces) {
  file_platform::ReplaceWithPieces(path, pieces);
}

ReadFault TryReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (!std::filesystem::exists(status)) return ReadFault::kMissing;
  if (std::filesystem::is_directory(status)) return ReadFault::kFolder;
  std::ifstream in(path, std::ios::binary);
  if (!in) return ReadFault::kCannotOpen;
  return ReadStream(in, std::filesystem::file_size(path, error), bytes);
}

const char* ReadFaultReason(ReadFault fault) {
  switch (fault) {
    case ReadFault::kMissing:
      return "it does not exist";
    case ReadFault::kFolder:
      return "it is a folder";
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
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void DeleteFileIfPresent(const std::string& path) {
  if (FileExists(path)) std::remove(path.c_str());
}

}  // namespace packager
