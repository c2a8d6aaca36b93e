// One packaging run, from the scenario identity to the binary files.
//
// Exit statuses: 0 a clean run; 1 a fault was recorded in the scenario data
// (the files are written all the same and one line names the fault); 2 the
// error box ended the run (no binary file written); 3 a file could not be
// read, written or deleted (one line names it and the system's reason).
#pragma once

#include <cstdint>
#include <string>

#include "app/platform.h"
#include "sources/embedded_scenario.h"
#include "tables/scenario_tables.h"

namespace packager {

inline constexpr int kExitClean = 0;
inline constexpr int kExitRecordedFault = 1;
inline constexpr int kExitErrorBox = 2;
inline constexpr int kExitFileFailure = 3;

// The whole run of the scenario the packager carries: writes the texts,
// compiles them, writes the binary files and ends the program through the
// platform. Never returns.
[[noreturn]] void Form_Load(ScenarioTables& tables, Platform& platform,
                            const EmbeddedScenario& scenario);

// The run without its end: returns the exit status (the error box still
// ends the program through the platform).
int RunPackager(ScenarioTables& tables, Platform& platform, const EmbeddedScenario& scenario);

// The compile stage of a run: compiles the texts of directory (deleting
// them), then shows the error box for a taken reserved slot, which ends the
// program, or writes the binary files into directory.
void memorizza_percorso(ScenarioTables& tables, Platform& platform, const std::string& directory,
                        std::int32_t& with_plan);

// Shows " Errore n. " and the code in the error box and ends the program.
[[noreturn]] void errore(Platform& platform, const std::string& code);

}  // namespace packager
