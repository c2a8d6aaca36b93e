// Turning a scenario folder (see sources/scenario_folder.h) into the C++
// source that the program carries.
#pragma once

#include <string>

#include "sources/scenario_folder.h"

namespace packager::embedding {

// The C++ source defining `const EmbeddedScenario& <function_name>()` in
// namespace packager.
std::string RenderSource(const ScenarioFolder& scenario, const std::string& function_name);

// Writes the file only when its contents differ, so that an unchanged
// scenario does not rebuild what depends on it. Returns whether it wrote.
bool WriteIfChanged(const std::string& path, const std::string& contents);

}  // namespace packager::embedding
