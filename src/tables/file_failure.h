// A file that cannot be created, written, put in place or deleted outside
// the reading stage. Such a failure is not the scenario's fault: the run
// stops, and the program reports the path and the system's reason in one
// line, e.g. "/dir/NAME_5608.sim: cannot write the file: No space left on
// device".
#pragma once

#include <stdexcept>
#include <string>

namespace packager {

class FileFailure : public std::runtime_error {
 public:
  FileFailure(const std::string& path, const std::string& action, const std::string& reason)
      : std::runtime_error(path + ": cannot " + action + ": " + reason), path_(path) {}
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace packager
