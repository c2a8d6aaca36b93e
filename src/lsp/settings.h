// The settings an editor gives the server, in initializationOptions and in
// workspace/didChangeConfiguration: the warnings silenced (as -Wno-NAME does
// for check), warnings as errors (-Werror), the error limit, how long edits
// rest before a check, and whether a folder without scenario.txt holds the
// texts a packager hands over. Read from {"scenarioTool": {...}} or the
// object itself:
//
//   "disabledWarnings": ["NAME", "-Wno-NAME", ...]
//   "warningsAsErrors": true | false
//   "errorLimit":       a whole number from 0 (0: none)
//   "settleDelay":      milliseconds, 0 to 10000
//   "packagerTexts":    true | false
#pragma once

#include <chrono>
#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "check/check.h"

namespace packager::lsp {

// How long the edits must rest before their folder is checked, unless set.
inline constexpr std::chrono::milliseconds kSettle{200};
inline constexpr std::chrono::milliseconds kLongestSettle{10000};

struct Settings {
  std::set<std::string> silenced;
  bool warnings_are_errors = false;
  std::size_t error_limit = tool::kDefaultErrorLimit;
  std::chrono::milliseconds settle = kSettle;
  bool packager_texts = false;
};

// The settings given, over the ones held: what is absent stays as it was;
// each value that does not fit is left out and said in problems.
Settings ReadSettings(const nlohmann::json& given, Settings held,
                      std::vector<std::string>& problems);

// The diagnostics as the settings want them: silenced warnings dropped,
// warnings made errors under warnings_are_errors.
void ApplySettings(const Settings& settings, std::vector<tool::Diagnostic>& diagnostics);

}  // namespace packager::lsp
