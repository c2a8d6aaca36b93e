#include "tables/file_names.h"

#include <cstddef>
#include <iterator>
#include <utility>

#include "tables/file_failure.h"

namespace packager {

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == ':') return false;
  }
  return true;
}

std::string JoinPath(const std::string& directory, const std::string& file_name) {
  std::string path = directory + kPathSeparator + file_name;
  if (!IsPlainFileName(file_name)) {
    throw FileFailure(path, "use the file",
                      "its name is not a plain file name in the folder; nothing is written "
                      "outside it");
  }
  return path;
}

bool IsScenarioFileName(std::string_view name) {
  std::string folded(name);
#ifdef _WIN32
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
#endif
  const auto ends_with = [&folded](const std::string& end) {
    return folded.size() > end.size() && folded.ends_with(end);
  };
  // The names with an empty scenario and train: their common ends.
  return ends_with(LineDescriptionName("")) || ends_with(TrainDescriptionName("", "").substr(1)) ||
         ends_with(NotesName("", "").substr(1)) || ends_with(SlowdownOrderName("", "").substr(1)) ||
         ends_with(TimetableSheetName("", "").substr(1)) ||
         ends_with(TrainTableFileName("", "").substr(1)) ||
         ends_with(RouteGridFileName("", "").substr(1));
}

std::string LineDescriptionName(const std::string& scenario) { return scenario + "_linea.txt"; }

std::string TrainDescriptionName(const std::string& scenario, const std::string& train) {
  return scenario + "_" + train + "-.txt";
}

std::string NotesName(const std::string& scenario, const std::string& train) {
  return scenario + "_" + train + "_" + "note.txt";
}

std::string SlowdownOrderName(const std::string& scenario, const std::string& train) {
  return scenario + "_" + train + "_" + "rallentamenti.txt";
}

std::string TimetableSheetName(const std::string& scenario, const std::string& train) {
  return scenario + "_" + train + "_" + "scheda_treno.txt";
}

std::string LinePlanFileName(const std::string& scenario) { return scenario + "_linea.dat"; }

std::string TrainTableFileName(const std::string& scenario, const std::string& train) {
  return scenario + "_" + train + ".sim";
}

std::string RouteGridFileName(const std::string& scenario, const std::string& train) {
  return scenario + "_" + train + ".dat";
}

std::string FileNameClash(const std::string& scenario, const std::string& train) {
  const std::pair<const char*, std::string> files[] = {
      {"the line description", LineDescriptionName(scenario)},
      {"the train description", TrainDescriptionName(scenario, train)},
      {"the notes", NotesName(scenario, train)},
      {"the slowdown order", SlowdownOrderName(scenario, train)},
      {"the timetable sheet", TimetableSheetName(scenario, train)},
      {"the line plan", LinePlanFileName(scenario)},
      {"the train table", TrainTableFileName(scenario, train)},
      {"the route grid", RouteGridFileName(scenario, train)}};
  const auto folded = [](std::string name) {
    for (char& c : name) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
  };
  constexpr std::size_t kFiles = std::size(files);
  for (std::size_t later = 1; later < kFiles; ++later) {
    for (std::size_t earlier = 0; earlier < later; ++earlier) {
      if (folded(files[earlier].second) != folded(files[later].second)) continue;
      return std::string(files[later].first) + " " + files[later].second + " and " +
             files[earlier].first + " " + files[earlier].second;
    }
  }
  return {};
}

}  // namespace packager
