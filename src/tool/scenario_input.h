// How the commands take in a scenario folder (scenario.txt and the five UTF-8
// texts): read as the build reads it, and its two descriptions compiled in
// memory as the build compiles them.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "compiler/compile_stage.h"
#include "compiler/description_texts.h"
#include "compiler/folder_descriptions.h"
#include "sources/scenario_folder.h"
#include "tables/scenario_tables.h"

namespace packager::tool {

// The folder as the build reads it; none for a folder the build refuses,
// after every problem of it on *err as check prints them (nothing said when
// err is null). Throws FileFailure for a file that cannot be read.
std::optional<ScenarioFolder> ReadFolder(const std::string& directory, std::ostream* err);

// DescriptionsOf compiled into the tables, the line plan built when with_plan;
// observer, when given, hears of every record read.
CompileOutcome CompileFolder(const ScenarioFolder& folder, ScenarioTables& tables,
                             bool with_plan = true, ReadingObserver* observer = nullptr);

// The compile recorded no fault and wrote its tables: what a picture needs.
bool CompiledWhole(const CompileOutcome& outcome);

// The folder compiled in memory into tables, plan included, for a command
// that draws it: kToolClean, or the status of a folder the build refuses or
// a scenario that does not compile, after lines on err that say why, the
// last "COMMAND: the scenario does not compile; no picture is drawn".
int CompileFolderFor(const char* command, const std::string& directory, ScenarioTables& tables,
                     std::ostream& err);

}  // namespace packager::tool
