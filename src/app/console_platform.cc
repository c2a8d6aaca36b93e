#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/platform.h"
#include "tables/file_failure.h"

namespace packager {

namespace {

class ConsolePlatform : public Platform {
 public:
  std::string ProgramDirectory() override {
    // The kernel's link to the executable names it whatever the working
    // directory or the name it was started by.
    std::string target(4096, '\0');
    const ssize_t size = ::readlink("/proc/self/exe", target.data(), target.size());
    if (size <= 0 || static_cast<std::size_t>(size) >= target.size()) {
      throw FileFailure("/proc/self/exe", "find the program's directory",
                        size <= 0 ? std::strerror(errno) : "the path is too long");
    }
    target.resize(static_cast<std::size_t>(size));
    const std::size_t slash = target.rfind('/');
    return slash == 0 ? std::string() : target.substr(0, slash);
  }

  void ShowWaitWindow() override {
    if (::isatty(STDERR_FILENO) == 1) {
      std::fputs("Attendere\n", stderr);
      std::fflush(stderr);
    }
  }

  void ShowErrorBox(const std::string& prompt) override {
    std::fputs(prompt.c_str(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
  }

  void Report(const std::string& line) override {
    std::fputs(line.c_str(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
  }

  // A console user reads the line where the program was started.
  void ShowFailure(const std::string& headline, const std::string& line) override {
    static_cast<void>(headline);
    Report(line);
  }

  [[noreturn]] void EndProgram(int status) override {
    std::fflush(nullptr);
    std::exit(status);
  }
};

}  // namespace

std::unique_ptr<Platform> MakeNativePlatform() { return std::make_unique<ConsolePlatform>(); }

}  // namespace packager
