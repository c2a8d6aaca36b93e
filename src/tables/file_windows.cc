// Replacing a file on Windows: CreateFile(CREATE_NEW), WriteFile at offsets,
// FlushFileBuffers, and MoveFileEx, which replaces a name that is taken.
// Every path is UTF-8 and goes to the wide calls as UTF-16.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The system's headers name a function of their own ReplaceFile.
#undef ReplaceFile

#include "tables/file_failure.h"
#include "tables/file_platform.h"
#include "tables/replace_file.h"
#include "tables/windows_text.h"

namespace packager {

std::wstring WideFromUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int count = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(count), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), count);
  return wide;
}

std::string Utf8FromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int count = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(count), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), count, nullptr, nullptr);
  return utf8;
}

}  // namespace packager

namespace packager::file_platform {

namespace {

std::string SystemReason(DWORD error) {
  wchar_t text[512] = {};
  const DWORD size = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                                    sizeof text / sizeof text[0], nullptr);
  std::string reason = Utf8FromWide(std::wstring_view(text, size));
  while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  if (reason.empty()) reason = "system error " + std::to_string(error);
  return reason;
}

// Writes all bytes at the offset, in pieces WriteFile can count; the
// system's error otherwise.
DWORD WriteAllAt(HANDLE file, std::uint64_t offset, std::string_view bytes) {
  constexpr std::size_t kChunk = 1u << 30;
  while (!bytes.empty()) {
    const DWORD size = static_cast<DWORD>(bytes.size() < kChunk ? bytes.size() : kChunk);
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), size, &written, &at)) return GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    bytes.remove_prefix(written);
    offset += written;
  }
  return ERROR_SUCCESS;
}

// A new temporary file beside path, open for writing; its name goes to
// temporary.
HANDLE CreateTemporary(const std::string& path, std::string& temporary) {
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < kNameAttempts && file == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = TemporaryPath(path, GetCurrentProcessId());
    file = CreateFileW(WideFromUtf8(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
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
  return file;
}

// Reads an open file up to the end, or refuses it past the limit.
ReadFault ReadOpenFile(HANDLE file, std::string& bytes) {
  char chunk[1 << 16];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) return ReadFault::kCannotRead;
    if (got == 0) return ReadFault::kNone;
    if (bytes.size() + got > kMaxReadSize) return ReadFault::kTooLarge;
    bytes.append(chunk, got);
  }
}

}  // namespace

ReadFault ReadRegularFile(const std::string& path, std::uint64_t count, std::string& bytes) {
  const std::wstring wide = WideFromUtf8(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return ReadFault::kMissing;
    // Devices (CON, NUL, COM1, ...) and pipes may have no attributes at all.
  } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    return ReadFault::kFolder;
  }
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ReadFault::kCannotOpen;
  ReadFault fault = ReadFault::kNone;
  LARGE_INTEGER size{};
  if (GetFileType(file) != FILE_TYPE_DISK) {
    fault = ReadFault::kNotRegular;
  } else if (!GetFileSizeEx(file, &size)) {
    fault = ReadFault::kCannotRead;
  } else if (const auto whole = static_cast<std::uint64_t>(size.QuadPart);
             (whole < count ? whole : count) > kMaxReadSize) {
    fault = ReadFault::kTooLarge;
  } else {
    LARGE_INTEGER start{};
    start.QuadPart = static_cast<LONGLONG>(whole > count ? whole - count : 0);
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
      fault = ReadFault::kCannotRead;
    } else {
      bytes.reserve(static_cast<std::size_t>(whole - static_cast<std::uint64_t>(start.QuadPart)));
      fault = ReadOpenFile(file, bytes);
    }
  }
  CloseHandle(file);
  return fault;
}

bool ProcessRunning(std::uint64_t process) {
  if (process == 0 || process > 0xFFFFFFFFu) return false;
  HANDLE handle =
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
  if (handle == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  const bool running = !GetExitCodeProcess(handle, &code) || code == STILL_ACTIVE;
  CloseHandle(handle);
  return running;
}

std::size_t NameStart(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? 0 : separator + 1;
}

// Every piece is written as it is handed over, in the background or not:
// the program holds no thread of its own here.
Temporary WriteTemporary(const std::string& path, const std::function<void(const PieceWriter&)>& fill,
                         bool /*in_background*/) {
  Temporary temporary;
  const HANDLE file = CreateTemporary(path, temporary.path);
  temporary.handle = reinterpret_cast<std::intptr_t>(file);
  try {
    fill(PieceWriter{[&path, file](std::uint64_t offset, std::string_view bytes) {
                       if (const DWORD error = WriteAllAt(file, offset, bytes);
                           error != ERROR_SUCCESS) {
                         throw FileFailure(path, kWriteStep, SystemReason(error));
                       }
                     },
                     [] {}});
  } catch (...) {
    Discard(temporary);
    throw;
  }
  return temporary;
}

void SyncAndClose(Temporary& temporary, const std::string& path) {
  const auto file = reinterpret_cast<HANDLE>(temporary.handle);
  temporary.handle = -1;
  const DWORD write_error = FlushFileBuffers(file) ? ERROR_SUCCESS : GetLastError();
  const DWORD close_error = CloseHandle(file) ? ERROR_SUCCESS : GetLastError();
  if (write_error != ERROR_SUCCESS || close_error != ERROR_SUCCESS) {
    throw FileFailure(path, kWriteStep,
                      SystemReason(write_error != ERROR_SUCCESS ? write_error : close_error));
  }
}

// rename() would refuse a name that is taken; this move replaces it, and
// puts the new name on the device before it returns.
void TakeName(const Temporary& temporary, const std::string& path) {
  if (!MoveFileExW(WideFromUtf8(temporary.path).c_str(), WideFromUtf8(path).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    throw FileFailure(path, kReplaceStep, SystemReason(GetLastError()));
  }
}

void Discard(Temporary& temporary) {
  if (temporary.handle != -1) CloseHandle(reinterpret_cast<HANDLE>(temporary.handle));
  temporary.handle = -1;
  DeleteFileW(WideFromUtf8(temporary.path).c_str());
}

// MoveFileEx with MOVEFILE_WRITE_THROUGH has put the names there already.
void SyncFolder(const std::string& /*path*/) {}

}  // namespace packager::file_platform

namespace packager {

std::string RunningProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (size == 0) {
      throw FileFailure("the program", "find its own file",
                        "GetModuleFileName failed with code " + std::to_string(GetLastError()));
    }
    if (size < path.size()) {
      path.resize(size);
      return Utf8FromWide(path);
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace packager
