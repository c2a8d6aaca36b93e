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

std::string PathBesideTool(std::string_view file_name) {
  return JoinPath(FolderOf(RunningProgramPath()), std::string(file_name));
}

std::string PrebuiltPackagerPath(const PackagerTarget& target) {
  return PathBesideTool(target.program);
}

void WriteOutputFile(const std::string& path, std::span<const std::string_view> pieces) {
  const std::string target = RegularFileTarget(path);
  if (SameFile(target, RunningProgramPath())) {
    throw FileFailure(path, "write the file", "it is scenario-tool itself; name another file");
  }
  for (const PackagerTarget& packager : kPackagerTargets) {
    if (SameFile(target, PrebuiltPackagerPath(packager))) {
      throw FileFailure(path, "write the file",
                        "it is the prebuilt packager for " + std::string(packager.name) +
                            ", which package copies; name another file");
    }
  }
  ReplaceFile(target, pieces);
}

void WriteOutputFile(const std::string& path, std::string_view bytes) {
  WriteOutputFile(path, std::span<const std::string_view>(&bytes, 1));
}

}  // namespace packager::tool
