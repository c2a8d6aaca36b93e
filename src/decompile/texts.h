// The pieces of the decompiled folder besides the records: scenario.txt,
// the notes above the general header of each description, and the joining
// of lines.
#pragma once

#include <string>
#include <vector>

#include "decompile/decompile.h"

namespace packager::decompile {

// The lines, each followed by LF (the folder's texts), or by CR LF (the
// bytes a compile reads).
std::string JoinLines(const std::vector<std::string>& lines);
std::string CrLf(const std::string& text);

std::string ScenarioFileText(const ScenarioIdentity& identity);

// The notes above [generale]: where the texts come from and what the files
// could not give back (notes, one sentence each). Windows-1252.
std::string LinePreamble(const ScenarioIdentity& identity, const BinaryScenario& binaries,
                         const std::vector<std::string>& notes);
std::string TrainPreamble(const ScenarioIdentity& identity);

}  // namespace packager::decompile
