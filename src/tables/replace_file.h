// Every file of a run is replaced, never updated: created if missing, deleted,
// created again empty and written whole. This is the one place that does it.
#pragma once

#include <string>
#include <string_view>

namespace packager {

// Replaces the file at path by exactly these bytes. Throws FileFailure with
// the system's reason when a step fails; files written before stay on disk.
void ReplaceFile(const std::string& path, std::string_view bytes);

bool FileExists(const std::string& path);

// Deletes the file if it exists; a missing file is not an error.
void DeleteFileIfPresent(const std::string& path);

}  // namespace packager
