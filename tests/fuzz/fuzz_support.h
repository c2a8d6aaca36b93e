// What the fuzz harnesses share: a private folder for the files a harness
// writes, and a way to stop on a broken promise that no sanitizer would see.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace packager::fuzz {

// A folder of this process alone, made on first use under /dev/shm when the
// system has it (files in memory keep the runs fast), else under the
// temporary directory; removed with its files when the process ends normally.
class PrivateFolder {
 public:
  explicit PrivateFolder(const std::string& harness) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path shm = "/dev/shm";
    const fs::path base = fs::is_directory(shm, error) ? shm : fs::temp_directory_path();
    path_ = base / (harness + "-" + std::to_string(::getpid()));
    fs::create_directories(path_, error);
    if (error) {
      std::fprintf(stderr, "%s: cannot create %s: %s\n", harness.c_str(), path_.c_str(),
                   error.message().c_str());
      std::abort();
    }
  }
  ~PrivateFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  std::string path() const { return path_.string(); }
  std::string PathOf(const std::string& name) const { return (path_ / name).string(); }

  // Removes every file that an earlier run left.
  void Clear() const {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path_, error)) {
      std::filesystem::remove_all(entry.path(), error);
    }
  }

  void Write(const std::string& name, std::string_view bytes) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) Fail("cannot write " + name + " into the private folder");
  }

  bool Exists(const std::string& name) const {
    std::error_code ignored;
    return std::filesystem::exists(path_ / name, ignored);
  }

  std::string Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary | std::ios::ate);
    if (!in) Fail("cannot read " + name + " from the private folder");
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!in) Fail("cannot read " + name + " from the private folder");
    return bytes;
  }

  [[noreturn]] static void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz harness: %s\n", what.c_str());
    std::abort();
  }

 private:
  std::filesystem::path path_;
};

// Stops the process, so that the fuzzer keeps the input, when a property
// that holds for every input does not.
inline void Require(bool holds, const std::string& property) {
  if (!holds) PrivateFolder::Fail("broken: " + property);
}

}  // namespace packager::fuzz
