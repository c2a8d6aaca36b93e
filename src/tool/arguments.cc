#include "tool/arguments.h"

#include <charconv>
#include <filesystem>

#include "sources/scenario_folder.h"
#include "tables/file_failure.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"

namespace packager::tool {

Arguments::Arguments(const std::vector<std::string>& args, const std::set<std::string>& flags,
                     const std::set<std::string>& valued) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    // "-o" is the short spelling of "--output", as compilers have it.
    const std::string arg = args[i] == "-o" ? std::string("--output") : args[i];
    if (arg.size() < 2 || arg.rfind("--", 0) != 0) {
      if (!arg.empty() && arg[0] == '-' && arg != "-") {
        throw UsageError("unknown option '" + arg + "'");
      }
      positional_.push_back(arg);
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (flags.count(name) != 0) {
      if (equals != std::string::npos) throw UsageError("option '" + name + "' takes no value");
      flags_.insert(name);
    } else if (valued.count(name) != 0) {
      if (equals != std::string::npos) {
        values_[name] = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        values_[name] = args[++i];
      } else {
        throw UsageError("option '" + name + "' needs a value");
      }
    } else {
      throw UsageError("unknown option '" + name + "'");
    }
  }
}

std::optional<std::string> Arguments::value(const std::string& name) const {
  const auto found = values_.find(name);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

std::string Arguments::Required(const std::string& name) const {
  const auto found = value(name);
  if (!found || found->empty()) throw UsageError("missing option '" + name + "'");
  return *found;
}

void Arguments::ExpectPositional(std::size_t count, const std::string& what) const {
  if (positional_.size() < count) throw UsageError("missing " + what);
  if (positional_.size() > count) {
    throw UsageError("unexpected argument '" + positional_[count] + "'");
  }
}

long Arguments::Number(const std::string& name, long fallback, long minimum) const {
  const auto text = value(name);
  if (!text) return fallback;
  long number = 0;
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), number);
  if (error != std::errc() || end != text->data() + text->size() || number < minimum) {
    throw UsageError("option '" + name + "' needs a whole number of at least " +
                     std::to_string(minimum) + ", not '" + *text + "'");
  }
  return number;
}

void RequireFileNamePart(const std::string& option, const std::string& value) {
  if (value.find_first_of("/\\") != std::string::npos) {
    throw UsageError("option '" + option + "' is part of a file name and may hold no '/' or '\\'");
  }
}

// The longest name the texts and files take, NAME_NUMBER_rallentamenti.txt
// for a packager, must fit the 255 bytes that file systems allow, and no two
// of them may be one file.
void RequireFileNamesFit(const std::string& name, const std::string& train) {
  constexpr std::size_t kLongestFileName = 255;
  const std::size_t longest = SlowdownOrderName(name, train).size();
  if (longest > kLongestFileName) {
    throw UsageError("options '--name' and '--train' make file names of " +
                     std::to_string(longest) + " bytes; file names hold at most " +
                     std::to_string(kLongestFileName));
  }
  if (const std::string clash = FileNameClash(name, train); !clash.empty()) {
    throw UsageError("option '--train': the train number '" + train + "' makes " + clash +
                     " one file (file names are compared without case, as Windows does); give another "
                     "train number");
  }
}

bool IsScenarioFolder(const Arguments& arguments, const std::string& directory) {
  if (arguments.value("--name") || arguments.value("--train")) return false;
  if (FileExists(JoinPath(directory, kScenarioFileName)) || !ScenarioTextsIn(directory).empty()) {
    return true;
  }
  throw UsageError("'" + directory +
                   "' is no scenario folder: it holds no scenario.txt and no text; a scenario "
                   "folder holds scenario.txt, with the lines 'name = NAME' and "
                   "'train = NUMBER', and the five texts NAME_linea.txt, NAME_NUMBER-.txt, "
                   "NAME_NUMBER_note.txt, NAME_NUMBER_rallentamenti.txt and "
                   "NAME_NUMBER_scheda_treno.txt (scenario-tool new writes one)");
}

void RequireFolder(const std::string& directory, const char* action) {
  std::error_code error;
  if (!std::filesystem::is_directory(NativePath(directory), error)) {
    throw FileFailure(directory, action, error ? error.message() : "it is not a folder");
  }
}

void RequireScenarioFolder(const Arguments& arguments, const std::string& directory) {
  RequireFolder(directory, "read the folder");
  if (!IsScenarioFolder(arguments, directory)) {
    throw UsageError("'" + directory + "' is read as a scenario folder: give no '--name' or "
                     "'--train'");
  }
}

}  // namespace packager::tool
