// The names of every file a run reads or writes, and how a path is joined.
//
// A path is always the program's directory, one separator and the file name;
// no stage looks for a separator already present at the end of the directory.
// The name is a plain name in that directory, whatever made it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace packager {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Paths are UTF-8 text throughout the programs, whatever the system: these
// make a path of the system's own from one and back. (A std::filesystem::path
// made of a plain std::string on Windows reads it in the code page of the
// moment, not as UTF-8, and "Città" would name another folder.)
inline std::filesystem::path NativePath(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// A name that stays in its folder: not empty, "." or "..", and without a
// separator ('/' or '\\'), a drive or stream colon, or a control character.
bool IsPlainFileName(std::string_view name);

// Throws FileFailure for a file_name that is not plain.
std::string JoinPath(const std::string& directory, const std::string& file_name);

// Description texts, read back and deleted by the run.
std::string LineDescriptionName(const std::string& scenario);
std::string TrainDescriptionName(const std::string& scenario, const std::string& train);

// A name that one of the five texts or the binary files below has for some
// scenario and train (NAME_linea.txt, NAME_NUMBER-.txt, NAME_NUMBER.sim, ...),
// in any case on Windows, where names are the same in any case: no output
// of the tool may take it in the folder of the files it reads.
bool IsScenarioFileName(std::string_view name);

// Crew documents, left on disk.
std::string NotesName(const std::string& scenario, const std::string& train);
std::string SlowdownOrderName(const std::string& scenario, const std::string& train);
std::string TimetableSheetName(const std::string& scenario, const std::string& train);

// Binary scenario files.
std::string LinePlanFileName(const std::string& scenario);
std::string TrainTableFileName(const std::string& scenario, const std::string& train);
std::string RouteGridFileName(const std::string& scenario, const std::string& train);

// Two of the files above that a name and train make one file, compared
// without case as Windows compares names: train "linea" (or "LINEA") makes
// the route grid NAME_linea.dat, which is the line plan. Every scenario
// identity is refused with it, wherever it comes from. Empty when each file
// has a name of its own; otherwise the two, e.g. "the route grid
// A_linea.dat and the line plan A_linea.dat".
std::string FileNameClash(const std::string& scenario, const std::string& train);

}  // namespace packager
