// The checker: every error the compile would record in a scenario's texts,
// every problem of its folder and every warning on what the compile accepts
// but an author rarely means, found in one call on texts held in memory, as
// an editor holds them (unsaved changes included) or a folder on disk.
//
// CheckScenario reads no file, prints nothing and ends nothing: what it
// finds is data (check/diagnostics.h). ReadScenarioSources and
// ReadPackagerTexts fill the sources from a folder on disk.
//
// The compile stops reading a text at its first fault. To find the next one,
// the checker blanks the record of the fault just found in its own copy of
// the text (its bytes give way to nothing but the line ends, so that line
// numbers stay) and reads again, until no reading fault is left or the
// error limit is reached. The warnings are found on the records of that last
// round. A round reads the line description, with its line plan, only when
// its text changed since the last round.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "check/diagnostics.h"
#include "sources/scenario_folder.h"

namespace packager::tool {

// A scenario's texts by file name.
struct ScenarioSources {
  // The folder they are in as the author named it: a diagnostic's path is
  // the folder and the file's name joined (the name alone when empty).
  std::string folder;
  // A scenario folder: scenario.txt names the scenario and its train, the
  // five texts are UTF-8 (sources/scenario_folder.h). Otherwise the texts a
  // packager hands over, Windows-1252, of the scenario `name` and train
  // `train`: NAME_linea.txt, NAME_NUMBER-.txt and the crew documents.
  bool packager_texts = false;
  std::string name;
  std::string train;
  FolderFiles files;  // a name absent is a missing file
  // Names of further texts in the folder, not read: where scenario.txt
  // names texts the folder does not hold, they say which it does.
  std::vector<std::string> other_files;
};

struct CheckOptions {
  std::size_t error_limit = kDefaultErrorLimit;  // 0: none
};

// What a check found: its diagnostics in the order of their places, at most
// kListedPerRule of a rule listed, and the error limit when the check
// stopped at it with a fault left unsaid (0 when it looked at every fault).
struct CheckResult {
  std::vector<Diagnostic> diagnostics;
  std::size_t stopped_after = 0;
  // The scenario folder as the build reads it, when it has no problem of
  // its own (its texts may still hold faults): what report and package go
  // on with, so that a folder is read once.
  std::optional<ScenarioFolder> folder = std::nullopt;
  // A folder the build refuses for its crew documents alone (one missing, a
  // line of one that cannot be carried): its two descriptions, whole as the
  // build would read them, for report and watch to compile and draw beside
  // the errors. None otherwise (folder holds a folder without problems).
  std::optional<ScenarioFolder> descriptions = std::nullopt;
};

// What a check keeps for the next check of the same scenario, as an editor
// checks it again after every change: the reading of the line description
// (the tables and the records it left), which the next check takes instead
// of reading the text again when the scenario's name, its train and the
// line description's bytes are the same, as they are while only the train
// description or a crew document changes. A check with a cache finds what
// one without finds.
struct CheckCache {
  struct LineReading;  // the checker's own
  std::shared_ptr<const LineReading> line;
};

CheckResult CheckScenario(const ScenarioSources& sources, const CheckOptions& options = {},
                          CheckCache* cache = nullptr);

// The sources of a scenario folder on disk; of the texts a packager hands
// over, named by name and train. Throw FileFailure for a file that exists
// but cannot be read.
ScenarioSources ReadScenarioSources(const std::string& directory);
ScenarioSources ReadPackagerTexts(const std::string& directory, const std::string& name,
                                  const std::string& train);

// A scenario folder as the build reads it, or none when the build refuses
// it: then every problem of the folder (scenario.txt, a missing text, a text
// saved in another encoding, a line that cannot be carried) is added to
// problems, each where it stands with its line quoted, as CheckScenario says
// them. The texts are not compiled.
std::optional<ScenarioFolder> ReadFolderChecked(const ScenarioSources& sources,
                                                std::vector<Diagnostic>& problems);

// CheckScenario on ReadScenarioSources(directory).
CheckResult CheckScenarioFolder(const std::string& directory,
                                std::size_t error_limit = kDefaultErrorLimit);

}  // namespace packager::tool
