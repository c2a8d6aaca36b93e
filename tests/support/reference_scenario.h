// The reference scenario the tests are written for, read from its folder
// (REFERENCE_SCENARIO_DIR, given by the build) once, and seen as the
// packager sees what it carries.
#pragma once

#include <memory>

#include "sources/carried_scenario.h"
#include "sources/scenario_folder.h"

namespace packager::test_support {

inline const EmbeddedScenario& ReferenceScenario() {
  static const std::unique_ptr<CarriedScenario> scenario =
      CarriedScenarioOf(ReadScenarioFolder(REFERENCE_SCENARIO_DIR));
  return scenario->embedded();
}

}  // namespace packager::test_support
