// What the file module (replace_file.h) needs from the system it runs on:
// one source file per platform, file_posix.cc or file_windows.cc, chosen by
// the build. Internal to the tables library.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "tables/replace_file.h"

namespace packager::file_platform {

// The steps a FileFailure names.
inline constexpr char kWriteStep[] = "write the file";
inline constexpr char kReplaceStep[] = "replace the file";
// Names of temporary files tried before giving up on finding a free one.
inline constexpr int kNameAttempts = 100;

// Where the file's name starts in path: after the last folder separator
// of the platform, 0 for a bare name.
std::size_t NameStart(const std::string& path);

// The temporary file for path, beside it (defined once for all platforms):
// "." + the file's name + ".tmp" + the process, a count of the calls and
// the clock, so that no other writer in this or another process picks the
// same name at the same time.
std::string TemporaryPath(const std::string& path, std::uint64_t process);

// A temporary file of ours whose writer process is gone is deleted once it
// has lain untouched this long (a writer of another machine sharing the
// folder may have a process number this one lacks); any is, at this age.
inline constexpr std::chrono::seconds kQuietTemporaryAge{60};
inline constexpr std::chrono::hours kStaleTemporaryAge{24};

// The process of that number runs on this system (or may: when the system
// does not tell, it does).
bool ProcessRunning(std::uint64_t process);

// The writer process a file name of TemporaryPath's making names; none for
// any other name.
std::optional<std::uint64_t> TemporaryWriter(std::string_view name);

// Deletes the temporary files of ours, for any file, in path's folder that
// a killed writer left: its process gone and the file untouched for
// kQuietTemporaryAge, or untouched for kStaleTemporaryAge. A writer that
// runs keeps its own; nothing else in the folder is touched.
void DeleteStaleTemporaries(const std::string& path);

// TryReadFileEnd (see replace_file.h) with the system's own calls; a count
// of kWholeFile reads the whole file.
inline constexpr std::uint64_t kWholeFile = ~std::uint64_t{0};
ReadFault ReadRegularFile(const std::string& path, std::uint64_t count, std::string& bytes);

// A temporary file of TemporaryPath's making, while it is written: its
// name, and the system's handle for it until it is closed.
struct Temporary {
  std::string path;
  std::intptr_t handle = -1;  // -1 once closed
};

// The temporary file for path, created beside it, filled by fill (see
// ReplaceFiles in replace_file.h) and left open. Should a step fail, it is
// closed and deleted before the failure goes on.
Temporary WriteTemporary(const std::string& path, const std::function<void(const PieceWriter&)>& fill,
                         bool in_background);
// Puts the temporary file's bytes on the device and closes it; throws
// FileFailure naming path when the system refuses (it is closed all the same).
void SyncAndClose(Temporary& temporary, const std::string& path);
// Gives the closed temporary file path's name, replacing whatever file has
// it; throws FileFailure naming path when the system refuses.
void TakeName(const Temporary& temporary, const std::string& path);
// Closes the temporary file if it is open and deletes it.
void Discard(Temporary& temporary);
// Puts the names given in path's folder on the device, where the system
// does not with the names themselves.
void SyncFolder(const std::string& path);

}  // namespace packager::file_platform
