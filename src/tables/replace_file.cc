#include "tables/replace_file.h"

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "tables/file_failure.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The system's headers name a function of their own ReplaceFile.
#undef ReplaceFile
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace packager {

namespace {

constexpr char kWriteStep[] = "write the file";
constexpr char kReplaceStep[] = "replace the file";
constexpr int kNameAttempts = 100;

// The folder part of path, with its separator; empty for a bare name.
std::size_t NameStart(const std::string& path) {
#ifdef _WIN32
  const std::size_t separator = path.find_last_of("\\/");
#else
  const std::size_t separator = path.rfind('/');
#endif
  return separator == std::string::npos ? 0 : separator + 1;
}

// A name no other writer in this or another process picks at the same time:
// the process, a count of the calls and the clock. A name already taken, by
// a file a killed run left, is passed over by the next attempt.
std::string TemporaryPath(const std::string& path, unsigned long process) {
  static std::atomic<unsigned long> calls{0};
  const auto ticks =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  const std::size_t start = NameStart(path);
  return path.substr(0, start) + "." + path.substr(start) + ".tmp" + std::to_string(process) + "-" +
         std::to_string(calls.fetch_add(1)) + "-" + std::to_string(ticks % 1000000007ULL);
}

#ifdef _WIN32

std::string SystemReason(DWORD error) {
  char text[512] = {};
  const DWORD size =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
  std::string reason(text, size);
  while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  if (reason.empty()) reason = "system error " + std::to_string(error);
  return reason;
}

// Writes all bytes and puts them on the device; the system's error otherwise.
DWORD WriteTemporary(HANDLE file, std::string_view bytes) {
  constexpr std::size_t kChunk = 1u << 30;
  while (!bytes.empty()) {
    const DWORD size = static_cast<DWORD>(bytes.size() < kChunk ? bytes.size() : kChunk);
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), size, &written, nullptr)) return GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    bytes.remove_prefix(written);
  }
  return FlushFileBuffers(file) ? ERROR_SUCCESS : GetLastError();
}

}  // namespace

void ReplaceFile(const std::string& path, std::string_view bytes) {
  std::string temporary;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < kNameAttempts && file == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = TemporaryPath(path, GetCurrentProcessId());
    file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
        throw FileFailure(path, kWriteStep, SystemReason(error));
      }
    }
  }
  if (file == INVALID_HANDLE_VALUE) {
    throw FileFailure(path, kWriteStep, SystemReason(ERROR_FILE_EXISTS));
  }
  const DWORD write_error = WriteTemporary(file, bytes);
  const DWORD close_error = CloseHandle(file) ? ERROR_SUCCESS : GetLastError();
  if (write_error != ERROR_SUCCESS || close_error != ERROR_SUCCESS) {
    DeleteFileA(temporary.c_str());
    throw FileFailure(path, kWriteStep,
                      SystemReason(write_error != ERROR_SUCCESS ? write_error : close_error));
  }
  // rename() would refuse a name that is taken; this move replaces it.
  if (!MoveFileExA(temporary.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileA(temporary.c_str());
    throw FileFailure(path, kReplaceStep, SystemReason(error));
  }
}

#else

std::string SystemReason(int error) { return std::strerror(error); }

// Writes all bytes and puts them on the device; the system's error otherwise.
int WriteTemporary(int file, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(file, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return EIO;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return ::fsync(file) == 0 ? 0 : errno;
}

// Puts the new name itself on the device; a folder that refuses to be synced
// changes nothing for the file, which is in place already.
void SyncFolder(const std::string& path) {
  const std::size_t start = NameStart(path);
  const std::string folder = start == 0 ? "." : path.substr(0, start);
  const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (handle < 0) return;
  ::fsync(handle);
  ::close(handle);
}

}  // namespace

void ReplaceFile(const std::string& path, std::string_view bytes) {
  std::string temporary;
  int file = -1;
  for (int attempt = 0; attempt < kNameAttempts && file < 0; ++attempt) {
    temporary = TemporaryPath(path, static_cast<unsigned long>(::getpid()));
    file = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file < 0 && errno != EEXIST) throw FileFailure(path, kWriteStep, SystemReason(errno));
  }
  if (file < 0) throw FileFailure(path, kWriteStep, SystemReason(EEXIST));
  const int write_error = WriteTemporary(file, bytes);
  const int close_error = ::close(file) == 0 ? 0 : errno;
  if (write_error != 0 || close_error != 0) {
    ::unlink(temporary.c_str());
    throw FileFailure(path, kWriteStep, SystemReason(write_error != 0 ? write_error : close_error));
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    throw FileFailure(path, kReplaceStep, SystemReason(error));
  }
  SyncFolder(path);
}

#endif

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void DeleteFileIfPresent(const std::string& path) {
  if (FileExists(path)) std::remove(path.c_str());
}

}  // namespace packager
