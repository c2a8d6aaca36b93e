// The files of a run, whole: every file is replaced, never updated, and read
// in one piece. This is the one place that does it. The bytes of a new file
// go into a temporary file beside the target, which takes the target's name
// only when it is whole on disk. A write that fails, for a full disk, a
// read-only folder or a folder in the file's place, leaves the earlier file
// as it was and no temporary file behind.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace packager {

// Replaces the file at path by exactly these bytes (refused, see
// RequireReplaceable, when something else than a regular file has the name); a file replaced keeps
// its permissions (and, where the system lets, its owner). The temporary file is
// "." + the file's name + ".tmp" + a suffix of the process, in the same
// folder; one that a killed writer left (its process gone, or a day old) is
// deleted at the next write in the folder. Throws FileFailure naming path and the system's reason when a step
// fails; the file at path is then untouched, and files written before stay.
void ReplaceFile(const std::string& path, std::string_view bytes);
// The same with the bytes of the pieces one after the other, each written
// as it stands: nothing joins them in memory first.
void ReplaceFile(const std::string& path, std::span<const std::string_view> pieces);

// Puts bytes into the new file at the offset given, which may lie past what
// is written so far; throws FileFailure when the system refuses.
using FileOffsetWriter = std::function<void(std::uint64_t offset, std::string_view bytes)>;
// The same for a file computed as it is written: fill gives the writer
// every byte of the new file, in pieces at their offsets, in any order (a
// byte never written is 0). Should fill throw, whatever it throws, the file
// at path stays untouched and no temporary file is left.
void ReplaceFile(const std::string& path, const std::function<void(const FileOffsetWriter&)>& fill);

// A writer that may write beside its caller: write hands a piece over and
// can return before its bytes are in the file, so they must stay as they are
// until settle returns; settle returns once every piece handed over is in
// the file, or throws the FileFailure of the first one the system refused.
struct PieceWriter {
  FileOffsetWriter write;
  std::function<void()> settle;
};
// One file of ReplaceFiles: where it goes, and its bytes as fill gives them
// (see ReplaceFile). With in_background, the pieces are written on a thread
// of their own where the system offers one (elsewhere, or should no thread
// start, as they are handed over), so that the next piece is computed while
// one is written: fill must then call settle before it changes or frees
// bytes it has handed over, also when it throws.
struct FileFill {
  std::string path;
  std::function<void(const PieceWriter&)> fill;
  bool in_background = false;
};

// Replaces the files as ReplaceFile would one after the other, and leaves
// the same files behind should one fail (those before it replaced, the rest
// untouched), but at about the cost of one: every file is written first,
// then all are put on the device, then they take their names, and each
// folder is synced once.
void ReplaceFiles(std::span<const FileFill> files);

// The largest file any stage reads: far more than the longest line plan
// (about 20 bytes a metre) or any text, and little enough to hold in memory.
inline constexpr std::uint64_t kMaxReadSize = std::uint64_t{256} << 20;

// Throws FileFailure, leaving everything as it is, when anything but a
// regular file has the name path: a symbolic link (replacing it would
// drop the link, not write its file), a FIFO, a device or a socket (a
// folder refuses itself when the new file takes its name). ReplaceFile starts with it; a run that writes several files asks
// it of each before writing the first.
void RequireReplaceable(const std::string& path);

// The file an output named by a user is written to, as ReplaceFile: path
// itself when nothing or a regular file has it, or the regular file a
// symbolic link at path leads to (written through, the link stays). Throws
// FileFailure, leaving everything as it is, when a folder, a FIFO, a device
// or a socket has the name (replacing it would destroy it), or a link leads
// to nothing or to such a thing.
std::string RegularFileTarget(const std::string& path);

// Why a file could not be read whole.
enum class ReadFault {
  kNone,
  kMissing,     // nothing has the name
  kFolder,      // a folder has it
  kNotRegular,  // a FIFO, a device or a socket has it: reading might never end
  kTooLarge,    // it holds more than kMaxReadSize bytes
  kCannotOpen,  // it exists but does not open for reading
  kCannotRead,  // it opened, but reading it failed
};

// Puts the bytes of the file at path into bytes; kNone when they are all
// there. Only a regular file (a link followed) of at most kMaxReadSize
// bytes is read: anything else is refused before a byte is read, and
// opening it never waits. On a fault, bytes holds whatever was read.
ReadFault TryReadWholeFile(const std::string& path, std::string& bytes);

// The same for the last `count` bytes of the file only (all of them when it
// is shorter): what is before them is neither read nor counted.
ReadFault TryReadFileEnd(const std::string& path, std::uint64_t count, std::string& bytes);

// The reason of a fault as a message names it: "it does not exist", "it is a
// folder", "it is not a regular file ...", "it is larger than ...", "it
// cannot be opened" or "reading it failed"; "" for kNone.
const char* ReadFaultReason(ReadFault fault);
// The same for the file at path, which says when path is a symbolic link
// and where it leads: "it is a symbolic link to /dev/zero, which is not a
// regular file ...".
std::string ReadFaultReason(ReadFault fault, const std::string& path);

// The bytes of the file at path. Throws FileFailure, e.g. "PATH: cannot read
// the file: it does not exist", when TryReadWholeFile finds a fault.
std::string ReadWholeFile(const std::string& path);

bool FileExists(const std::string& path);

// A symbolic link has the name path, whatever it leads to (or nothing).
bool IsSymbolicLink(const std::string& path);

// Deletes the file if it exists; a missing file is not an error.
void DeleteFileIfPresent(const std::string& path);

// The path of the running program's own file, whatever the working folder
// or the name it was started by. Throws FileFailure when the system does not
// tell it.
std::string RunningProgramPath();

}  // namespace packager
