#include "tool/output_file.h"

#include <filesystem>

#include "tables/file_failure.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"

namespace packager::tool {

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? std::string(".") : path.substr(0, separator);
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(NativePath(a), NativePath(b), error) && !error;
}

}  // namespace

std::vector<std::string> PrebuiltPackagerPaths(const PackagerTarget& target) {
  const std::string folder = FolderOf(RunningProgramPath());
  std::vector<std::string> paths = {JoinPath(folder, target.program)};
#ifdef PREBUILT_PACKAGERS_FROM_TOOL
  // Given by the build: the installation's folder of prebuilt packagers,
  // relative to the one it installs scenario-tool in.
  const std::filesystem::path installed =
      std::filesystem::path(folder) / PREBUILT_PACKAGERS_FROM_TOOL / target.program;
  paths.push_back(installed.lexically_normal().string());
#endif
  return paths;
}

std::string PrebuiltPackagerPath(const PackagerTarget& target) {
  const std::vector<std::string> paths = PrebuiltPackagerPaths(target);
  for (const std::string& path : paths) {
    if (FileExists(path)) return path;
  }
  return paths.front();
}

void WriteOutputFile(const std::string& path, std::span<const std::string_view> pieces) {
  const std::string target = RegularFileTarget(path);
  if (SameFile(target, RunningProgramPath())) {
    throw FileFailure(path, "write the file", "it is scenario-tool itself; name another file");
  }
  for (const PackagerTarget& packager : kPackagerTargets) {
    for (const std::string& prebuilt : PrebuiltPackagerPaths(packager)) {
      if (SameFile(target, prebuilt)) {
        throw FileFailure(path, "write the file",
                          "it is the prebuilt packager for " + std::string(packager.name) +
                              ", which package copies; name another file");
      }
    }
  }
  ReplaceFile(target, pieces);
}

void WriteOutputFile(const std::string& path, std::string_view bytes) {
  WriteOutputFile(path, std::span<const std::string_view>(&bytes, 1));
}

}  // namespace packager::tool
