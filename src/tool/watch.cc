#include "tool/watch.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace packager::tool {

namespace {

bool IsText(const std::filesystem::path& name) {
  const std::string text = name.string();
  if (text.empty() || text[0] == '.' || text.size() < 4) return false;
  std::string extension = text.substr(text.size() - 4);
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return extension == ".txt";
}

}  // namespace

FolderState FolderStateOf(const std::string& directory, const std::set<std::string>& written) {
  namespace fs = std::filesystem;
  FolderState state;
  std::error_code error;
  if (!fs::is_directory(directory, error)) return state;
  fs::directory_iterator entries(directory, error);
  if (error) return state;
  state.present = true;
  for (const fs::directory_entry& entry : entries) {
    const fs::path name = entry.path().filename();
    if (!IsText(name) || written.count(name.string()) != 0 || !entry.is_regular_file(error)) {
      continue;
    }
    const std::uintmax_t size = fs::file_size(entry.path(), error);
    if (error) continue;
    const fs::file_time_type modified = fs::last_write_time(entry.path(), error);
    if (error) continue;
    state.texts[name.string()] = {static_cast<std::int64_t>(modified.time_since_epoch().count()),
                                  size};
  }
  return state;
}

std::set<std::string> FilesInFolder(const std::string& directory,
                                    const std::vector<std::string>& paths) {
  namespace fs = std::filesystem;
  std::set<std::string> names;
  for (const std::string& path : paths) {
    const fs::path file(path);
    const fs::path parent = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::error_code error;
    if (fs::equivalent(parent, directory, error) && !error) names.insert(file.filename().string());
  }
  return names;
}

SaveSettler::SaveSettler(FolderState built, WatchClock::duration settle)
    : built_(built), last_(std::move(built)), settle_(settle) {}

bool SaveSettler::Settled(const FolderState& polled, WatchClock::time_point now) {
  if (!(polled == last_)) {
    last_ = polled;
    changed_at_ = now;
    return false;
  }
  if (!changed_at_ || now - *changed_at_ < settle_) return false;
  changed_at_.reset();
  if (last_ == built_) return false;
  built_ = last_;
  return true;
}

std::string ChangedTexts(const FolderState& before, const FolderState& after) {
  std::map<std::string, bool> names;  // ordered: the same list at every run
  for (const auto& text : before.texts) {
    const auto found = after.texts.find(text.first);
    names[text.first] = found == after.texts.end() || !(found->second == text.second);
  }
  for (const auto& text : after.texts) {
    if (before.texts.count(text.first) == 0) names[text.first] = true;
  }
  std::string list;
  for (const auto& name : names) {
    if (!name.second) continue;
    if (!list.empty()) list += ", ";
    list += name.first;
  }
  return list;
}

std::string ServedPage(std::string_view page, std::uint64_t generation) {
  const std::string script =
      "<script>new EventSource('" + std::string(kWatchEventsPath) + "?after=" +
      std::to_string(generation) +
      "').addEventListener('change', () => location.reload());</script>\n";
  const std::size_t body_end = page.rfind("</body>");
  std::string served(page.substr(0, body_end == std::string_view::npos ? page.size() : body_end));
  served += script;
  if (body_end != std::string_view::npos) served += page.substr(body_end);
  return served;
}

std::string ChangeEvent(std::uint64_t generation) {
  return "event: change\ndata: " + std::to_string(generation) + "\n\n";
}

}  // namespace packager::tool
