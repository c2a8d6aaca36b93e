#include "tables/file_names.h"

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

}  // namespace packager
