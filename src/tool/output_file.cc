#include "tool/output_file.h"

#include <filesystem>
#ifdef _WIN32
#include <cwchar>
#endif

#include "tables/file_failure.h"
#include "tables/file_names.h"
#include "sources/scenario_folder.h"
#include "tables/replace_file.h"

namespace packager::tool {

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? std::string(".") : path.substr(0, separator);
}

// The two paths name the same file, or would once it exists: the same file
// on disk, or the same place once links and ".." are resolved, in any case
// on Windows.
bool SamePlace(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::equivalent(NativePath(a), NativePath(b), error) && !error) return true;
  const fs::path first = fs::weakly_canonical(fs::absolute(NativePath(a), error), error);
  if (error) return false;
  const fs::path second = fs::weakly_canonical(fs::absolute(NativePath(b), error), error);
  if (error) return false;
#ifdef _WIN32
  return _wcsicmp(first.c_str(), second.c_str()) == 0;
#else
  return first == second;
#endif
}

}  // namespace

std::vector<std::string> ToolFilePaths(std::string_view file_name) {
  const std::string folder = FolderOf(RunningProgramPath());
  std::vector<std::string> paths = {JoinPath(folder, std::string(file_name))};
#ifdef PREBUILT_PACKAGERS_FROM_TOOL
  // Given by the build: the installation's folder of the tool's files,
  // relative to the one it installs scenario-tool in.
  const std::filesystem::path installed =
      std::filesystem::path(folder) / PREBUILT_PACKAGERS_FROM_TOOL / std::string(file_name);
  paths.push_back(installed.lexically_normal().string());
#endif
  return paths;
}

std::string PathBesideTool(std::string_view file_name) {
  const std::vector<std::string> paths = ToolFilePaths(file_name);
  for (const std::string& path : paths) {
    if (FileExists(path)) return path;
  }
  return paths.front();
}

std::vector<std::string> PrebuiltPackagerPaths(const PackagerTarget& target) {
  return ToolFilePaths(target.program);
}

std::string PrebuiltPackagerPath(const PackagerTarget& target) {
  return PathBesideTool(target.program);
}

std::string OutputTarget(const std::string& path, const std::string& input_folder) {
  const std::string target = RegularFileTarget(path);
  if (SamePlace(target, RunningProgramPath())) {
    throw FileFailure(path, "write the file", "it is scenario-tool itself; name another file");
  }
  for (const PackagerTarget& packager : kPackagerTargets) {
    for (const std::string& prebuilt : PrebuiltPackagerPaths(packager)) {
      if (SamePlace(target, prebuilt)) {
        throw FileFailure(path, "write the file",
                          "it is the prebuilt packager for " + std::string(packager.name) +
                              ", which package copies; name another file");
      }
    }
  }
#ifdef PACKAGER_PAGE_SERVER_MODULE
  for (const std::string& module : ToolFilePaths(PACKAGER_PAGE_SERVER_MODULE)) {
    if (SamePlace(target, module)) {
      throw FileFailure(path, "write the file",
                        "it is the page server that watch loads; name another file");
    }
  }
#endif
  const std::filesystem::path name = NativePath(target).filename();
  if (!input_folder.empty() && SamePlace(FolderOf(target), input_folder) &&
      (IsScenarioFileName(PathText(name)) || SamePlace(target, JoinPath(input_folder, kScenarioFileName)))) {
    throw FileFailure(path, "write the file",
                      "it is a file of the scenario in " + input_folder +
                          ", which the command reads; name another file or folder");
  }
  return target;
}

void WriteOutputFile(const std::string& path, std::span<const std::string_view> pieces) {
  ReplaceFile(OutputTarget(path), pieces);
}

void WriteOutputFile(const std::string& path, const std::string& input_folder,
                     std::string_view bytes) {
  ReplaceFile(OutputTarget(path, input_folder), bytes);
}

}  // namespace packager::tool
