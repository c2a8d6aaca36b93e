#include "tables/file_names.h"

namespace packager {

std::string JoinPath(const std::string& directory, const std::string& file_name) {
  return directory + kPathSeparator + file_name;
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
