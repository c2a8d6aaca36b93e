// A fresh folder with a small file system of its own in memory (tmpfs), for
// the tests of a full disk and of a read-only folder. Mounting needs root;
// a test asks mounted() and skips, with why(), when it is not.
#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "support/temp_folder.h"

namespace packager::test_support {

inline bool RunningAsRoot() { return ::geteuid() == 0; }

// The names in the folder, hidden ones included.
inline std::set<std::string> EntriesOf(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

class MemoryFolder {
 public:
  // A file system of this many bytes, rounded up by the system to whole pages.
  explicit MemoryFolder(std::size_t bytes) {
    if (!RunningAsRoot()) {
      why_ = "mounting a tmpfs needs root";
      return;
    }
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("tmpfs", folder_.path().c_str(), "tmpfs", 0, options.c_str()) != 0) {
      why_ = std::string("mounting a tmpfs failed: ") + std::strerror(errno);
      return;
    }
    mounted_ = true;
  }
  ~MemoryFolder() {
    if (mounted_) ::umount2(folder_.path().c_str(), MNT_DETACH);
  }
  MemoryFolder(const MemoryFolder&) = delete;
  MemoryFolder& operator=(const MemoryFolder&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& why() const { return why_; }
  const TempFolder& folder() const { return folder_; }

  // From now on nothing in the folder can be created, changed or removed.
  bool MakeReadOnly() {
    if (::mount("tmpfs", folder_.path().c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
      why_ = std::string("remounting the tmpfs read-only failed: ") + std::strerror(errno);
      return false;
    }
    return true;
  }

 private:
  TempFolder folder_;
  bool mounted_ = false;
  std::string why_;
};

}  // namespace packager::test_support
