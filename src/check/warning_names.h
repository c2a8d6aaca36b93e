// Every warning of `scenario-tool check` by name, with one line on what it
// finds: the names that -Wno-NAME takes and the rules a SARIF log lists.
#pragma once

#include <string>

namespace packager::tool {

struct WarningName {
  const char* name;
  const char* summary;
};

// The warnings, as a null-terminated list's worth of entries.
const WarningName* WarningNamesBegin();
const WarningName* WarningNamesEnd();

// The summary of a warning; nullptr for a name that is no warning's.
const char* WarningSummary(const std::string& name);

}  // namespace packager::tool
