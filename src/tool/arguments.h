// The command line of one scenario-tool command: positional arguments,
// flags and options with a value ("--name NAME" or "--name=NAME"); "-o" is
// the short spelling of "--output". Also the checks that every command makes
// of the names and folders it is given.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace packager::tool {

// A command line the command cannot run with; the message says why.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Arguments {
 public:
  // Throws UsageError for an option the command does not know or a value
  // that is missing.
  Arguments(const std::vector<std::string>& args, const std::set<std::string>& flags,
            const std::set<std::string>& valued);

  const std::vector<std::string>& positional() const { return positional_; }
  bool flag(const std::string& name) const { return flags_.count(name) != 0; }
  std::optional<std::string> value(const std::string& name) const;
  // The value of an option the command cannot run without.
  std::string Required(const std::string& name) const;
  // Exactly `count` positional arguments, named in the message otherwise.
  void ExpectPositional(std::size_t count, const std::string& what) const;
  // A whole number option, at least `minimum`.
  long Number(const std::string& name, long fallback, long minimum) const;

 private:
  std::vector<std::string> positional_;
  std::set<std::string> flags_;
  std::map<std::string, std::string> values_;
};

// A value that becomes part of a file name holds no '/' or '\\'.
void RequireFileNamePart(const std::string& option, const std::string& value);
// The names that '--name' and '--train' make fit the 255 bytes of a file name.
void RequireFileNamesFit(const std::string& name, const std::string& train);

// The command line names no scenario of its own (no '--name' or '--train')
// and the folder is a scenario folder: it holds scenario.txt, or texts (a
// folder whose scenario.txt is missing is read as one, to say so). Throws
// UsageError, saying what a scenario folder holds, when the command line
// names no scenario and the folder holds neither.
bool IsScenarioFolder(const Arguments& arguments, const std::string& directory);
// Throws FileFailure ("DIR: cannot ACTION: it is not a folder") unless the
// path names a folder.
void RequireFolder(const std::string& directory, const char* action);
// A command that takes only a scenario folder: RequireFolder, then a
// UsageError unless IsScenarioFolder.
void RequireScenarioFolder(const Arguments& arguments, const std::string& directory);

}  // namespace packager::tool
