// scenario-tool watch: how it sees an author's saves and what its page
// server adds to the report page.
//
// The folder's texts (its *.txt files but hidden ones) are polled every few
// hundred milliseconds for their sizes and modification times. An editor
// saves in a burst (it writes a new file, then renames it over the old one;
// a save of all may touch several texts), so a change is acted on once the
// texts have stood still for a while: one rebuild a burst, and never on a
// half-written text.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace packager::tool {

using WatchClock = std::chrono::steady_clock;

inline constexpr std::chrono::milliseconds kWatchPollInterval{200};
inline constexpr std::chrono::milliseconds kWatchSettleTime{400};

struct TextStamp {
  std::int64_t modified = 0;  // in the file system's own ticks
  std::uintmax_t size = 0;
  bool operator==(const TextStamp&) const = default;
};

// What a poll sees of the folder.
struct FolderState {
  bool present = false;  // the path names a folder
  std::map<std::string, TextStamp> texts;  // by file name
  bool operator==(const FolderState&) const = default;
};

// The folder's state now, the files named in `written` left out (watch's own
// outputs, should one be a text of the folder); a text that vanishes while
// it is looked at is left out, a folder that cannot be listed is not
// present. Throws nothing.
FolderState FolderStateOf(const std::string& directory, const std::set<std::string>& written = {});

// The names of the files among `paths` that stand in the folder.
std::set<std::string> FilesInFolder(const std::string& directory,
                                    const std::vector<std::string>& paths);

// Tells when a change of the folder has settled. Given the state of each poll
// and its time, Settled is true once for every change that has stood still
// for `settle`, when it differs from the state last acted on.
class SaveSettler {
 public:
  SaveSettler(FolderState built, WatchClock::duration settle);
  bool Settled(const FolderState& polled, WatchClock::time_point now);
  const FolderState& built() const { return built_; }

 private:
  FolderState built_;  // the state the outputs were last made from
  FolderState last_;   // the state of the last poll
  std::optional<WatchClock::time_point> changed_at_;
  WatchClock::duration settle_;
};

// The texts that differ between two states (changed, added or removed), by
// name and comma-separated: what a rebuild says it was for.
std::string ChangedTexts(const FolderState& before, const FolderState& after);

// The address the page server listens on: this computer alone.
inline constexpr char kPageServerHost[] = "127.0.0.1";

// The path of the events a served page listens to.
inline constexpr char kWatchEventsPath[] = "/events";

// The report page as the server serves it: the page with a script that
// listens to kWatchEventsPath and reloads on a change after `generation`.
// The page on disk carries no script and asks nothing of a server.
std::string ServedPage(std::string_view page, std::uint64_t generation);

// One server-sent event telling the page that `generation` is out.
std::string ChangeEvent(std::uint64_t generation);

}  // namespace packager::tool
