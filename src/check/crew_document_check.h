// The crew documents against the train they describe: the slowdown order's
// rows against the slowdown records (the stations each lies between
// among them), the train number in its sentence, the timetable sheet's
// stations, kilometres, stop times (an arrival before its departure) and
// speed changes against the station and speed records, the stations its
// header starts and ends at, the braked mass and the count of vehicles. The documents
// are hand-written copies of what the train description says; what drifted
// apart comes back as warnings, never as errors.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "compiler/reading_observer.h"
#include "check/diagnostics.h"

namespace packager::tool {

struct CrewDocument {
  std::string path;                  // as the author named it, for the messages
  std::optional<std::string> bytes;  // Windows-1252; none when the file is missing
};

struct CrewDocuments {
  CrewDocument notes;            // NAME_NUMBER_note.txt
  CrewDocument slowdown_order;   // NAME_NUMBER_rallentamenti.txt
  CrewDocument timetable_sheet;  // NAME_NUMBER_scheda_treno.txt
};

// train_records: the train description's records as the compile read them;
// train_text: the train description as its author wrote it, in which a
// finding's related record is quoted (its name alone without it).
std::vector<Diagnostic> CheckCrewDocuments(const CrewDocuments& documents,
                                           const std::vector<ReadRecord>& train_records,
                                           const std::string& train_number,
                                           const AuthorFile* train_text = nullptr);

}  // namespace packager::tool
