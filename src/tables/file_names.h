// The names of every file a run reads or writes, and how a path is joined.
//
// A path is always the program's directory, one separator and the file name;
// no stage looks for a separator already present at the end of the directory.
// The name is a plain name in that directory, whatever made it.
#pragma once

#include <string>
#include <string_view>

namespace packager {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// A name that stays in its folder: not empty, "." or "..", and without a
// separator ('/' or '\\'), a drive or stream colon, or a control character.
bool IsPlainFileName(std::string_view name);

// Throws FileFailure for a file_name that is not plain.
std::string JoinPath(const std::string& directory, const std::string& file_name);

// Description texts, read back and deleted by the run.
std::string LineDescriptionName(const std::string& scenario);
std::string TrainDescriptionName(const std::string& scenario, const std::string& train);

// Crew documents, left on disk.
std::string NotesName(const std::string& scenario, const std::string& train);
std::string SlowdownOrderName(const std::string& scenario, const std::string& train);
std::string TimetableSheetName(const std::string& scenario, const std::string& train);

// Binary scenario files.
std::string LinePlanFileName(const std::string& scenario);
std::string TrainTableFileName(const std::string& scenario, const std::string& train);
std::string RouteGridFileName(const std::string& scenario, const std::string& train);

}  // namespace packager
