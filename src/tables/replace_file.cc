#include "tables/replace_file.h"

#include <sys/stat.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tables/file_failure.h"

namespace packager {

namespace {

std::string SystemReason(int error) { return std::strerror(error); }

}  // namespace

void ReplaceFile(const std::string& path, std::string_view bytes) {
  // Opening for appending creates a missing file and leaves an existing one
  // as it is, so the delete below always finds a file to remove.
  std::FILE* probe = std::fopen(path.c_str(), "ab");
  if (probe == nullptr) throw FileFailure(path, "create the file", SystemReason(errno));
  std::fclose(probe);
  if (std::remove(path.c_str()) != 0) {
    throw FileFailure(path, "delete the old file", SystemReason(errno));
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) throw FileFailure(path, "create the file", SystemReason(errno));
  const std::size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
  const int write_error = written == bytes.size() ? 0 : errno;
  const bool closed = std::fclose(file) == 0;
  if (write_error != 0 || written != bytes.size()) {
    throw FileFailure(path, "write the file", SystemReason(write_error != 0 ? write_error : EIO));
  }
  if (!closed) throw FileFailure(path, "write the file", SystemReason(errno));
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void DeleteFileIfPresent(const std::string& path) {
  if (FileExists(path)) std::remove(path.c_str());
}

}  // namespace packager
