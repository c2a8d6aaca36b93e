// What the server notices of the disk: a folder's texts changed by another
// program since its last check (their names, sizes and times), a folder that
// is gone, a folder without scenario.txt whose texts are no UTF-8 (a
// packager's), and the characters of an open packager text that
// Windows-1252 cannot hold.
#include <filesystem>
#include <system_error>

#include "lsp/workspace.h"
#include "sources/scenario_folder.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tables/windows1252.h"

namespace packager::lsp {

namespace {

// True when the bytes are UTF-8 throughout.
bool IsUtf8(std::string_view bytes) {
  std::string converted;
  std::vector<ConversionProblem> problems;
  Utf8To1252Substituting(bytes, converted, problems);
  for (const ConversionProblem& problem : problems) {
    if (problem.message.starts_with("invalid UTF-8")) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> Workspace::OpenPaths() const {
  std::vector<std::string> paths;
  for (const auto& document : documents_) paths.push_back(document.first);
  return paths;
}

std::string Workspace::DiskStamp(const std::string& directory) const {
  std::error_code error;
  if (!std::filesystem::is_directory(NativePath(directory), error)) return "gone";
  std::string stamp;
  std::vector<std::string> names = ScenarioTextsIn(directory);
  names.push_back(std::string(kScenarioFileName));
  for (const std::string& name : names) {
    const std::filesystem::path file = NativePath(JoinPath(directory, name));
    const auto size = std::filesystem::file_size(file, error);
    if (error) continue;
    const auto time = std::filesystem::last_write_time(file, error);
    if (error) continue;
    stamp += name + ":" + std::to_string(size) + ":" +
             std::to_string(time.time_since_epoch().count()) + "\n";
  }
  return stamp;
}

std::vector<std::string> Workspace::FoldersChangedOnDisk(
    const std::optional<std::string>& only) const {
  std::map<std::string, std::string> folders;  // a file to check each by
  for (const auto& [folder, files] : published_) {
    if (!files.empty() && (!only || folder == *only)) folders.emplace(folder, *files.begin());
  }
  for (const auto& document : documents_) {
    const std::string folder = DirectoryOf(document.first);
    if (!only || folder == *only) folders[folder] = document.first;
  }
  std::vector<std::string> changed;
  for (const auto& [folder, file] : folders) {
    const auto stamp = disk_stamps_.find(folder);
    if (stamp != disk_stamps_.end() && stamp->second != DiskStamp(folder)) changed.push_back(file);
  }
  return changed;
}

bool Workspace::HoldsPackagerBytes(const std::string& directory) const {
  for (const std::string& name : ScenarioTextsIn(directory)) {
    std::string bytes;
    if (TryReadWholeFile(JoinPath(directory, name), bytes) == ReadFault::kNone && !IsUtf8(bytes)) {
      return true;
    }
  }
  return false;
}

std::vector<Diagnostic> CharactersOutside1252(const std::string& name, std::string_view text) {
  std::vector<Diagnostic> found;
  int line = 1;
  for (std::size_t start = 0; start <= text.size(); ++line) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string converted;
    std::vector<ConversionProblem> problems;
    Utf8To1252Substituting(text.substr(start, end - start), converted, problems);
    for (const ConversionProblem& problem : problems) {
      Diagnostic diagnostic;
      diagnostic.severity = tool::Severity::kError;
      diagnostic.rule = "not-windows-1252";
      diagnostic.path = name;
      diagnostic.line = line;
      diagnostic.column = problem.column;
      diagnostic.end_column = problem.column + 1;
      diagnostic.message = problem.message +
                           ": a packager's texts are Windows-1252, and this character would "
                           "be saved as '?'; write it with a character Windows-1252 holds";
      found.push_back(std::move(diagnostic));
    }
    start = end + 1;
  }
  return found;
}

}  // namespace packager::lsp
