// scenario-tool new: a new scenario folder to start from (tool/scaffold.h
// holds its texts). It writes only into a folder that is new or empty, and
// never over a file.
#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "sources/scenario_folder.h"
#include "tables/file_failure.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tool/arguments.h"
#include "tool/commands.h"
#include "tool/scaffold.h"
#include "tool/tool.h"

namespace packager::tool {

namespace fs = std::filesystem;

void PrepareNewFolder(const std::string& directory) {
  std::error_code error;
  const fs::path folder = NativePath(directory);
  const fs::file_status status = fs::symlink_status(folder, error);
  if (!fs::exists(status)) {
    fs::create_directories(folder, error);
    if (error) throw FileFailure(directory, "create the folder", error.message());
    return;
  }
  if (!fs::is_directory(fs::status(folder, error))) {
    throw UsageError("'" + directory +
                     "' is a file, not a folder; name a new folder for the scenario");
  }
  if (!fs::is_empty(folder, error) || error) {
    if (error) throw FileFailure(directory, "read the folder", error.message());
    throw UsageError("the folder '" + directory +
                     "' is not empty; name a new or empty folder, so that no file of yours is "
                     "overwritten");
  }
}

int NewCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& /*err*/) {
  const Arguments arguments = CommandArguments("new", args);
  arguments.ExpectPositional(1, "the new folder DIR");
  const std::string directory = arguments.positional()[0];
  ScenarioIdentity identity;
  identity.name = arguments.Required("--name");
  identity.train = arguments.Required("--train");
  const auto require_sound = [](const char* option, const char* key, const std::string& value) {
    const std::string problem = IdentityProblem(key, value);
    if (!problem.empty()) throw UsageError("option '" + std::string(option) + "': " + problem);
  };
  require_sound("--name", "name", identity.name);
  require_sound("--train", "train", identity.train);
  RequireFileNamesFit(identity.name, identity.train);

  const FolderFiles files = ScaffoldFiles(identity);
  PrepareNewFolder(directory);
  for (const auto& file : files) {
    const std::string path = JoinPath(directory, file.first);
    // The folder was empty; something that came since is left alone.
    if (FileExists(path)) throw FileFailure(path, "write the file", "it exists already");
    ReplaceFile(path, file.second);
  }
  out << directory << ": a new scenario " << identity.name << ", train " << identity.train << ", "
      << files.size() << " files\n"
      << "next: scenario-tool check " << directory << "\n";
  return kToolClean;
}

}  // namespace packager::tool
