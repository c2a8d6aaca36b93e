// The names of every file a run reads or writes, and how a path is joined.
//
// A path is always the program's directory, one separator and the file name;
// no stage looks for a separator already present at the end of the directory.
#pragma once

#include <string>

namespace packager {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

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
