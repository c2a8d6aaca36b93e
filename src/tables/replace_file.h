// Every file of a run is replaced, never updated. This is the one place that
// does it: the bytes go into a temporary file beside the target, which takes
// the target's name only when it is whole on disk. A write that fails, for a
// full disk, a read-only folder or a folder in the file's place, leaves the
// earlier file as it was and no temporary file behind.
#pragma once

#include <string>
#include <string_view>

namespace packager {

// Replaces the file at path by exactly these bytes. The temporary file is
// "." + the file's name + ".tmp" + a suffix of the process, in the same
// folder. Throws FileFailure naming path and the system's reason when a step
// fails; the file at path is then untouched, and files written before stay.
void ReplaceFile(const std::string& path, std::string_view bytes);

bool FileExists(const std::string& path);

// Deletes the file if it exists; a missing file is not an error.
void DeleteFileIfPresent(const std::string& path);

}  // namespace packager
