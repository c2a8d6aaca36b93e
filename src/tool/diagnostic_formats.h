// The checker's diagnostics shown: as compilers print theirs, as JSON, or
// as SARIF for code review tools.
#pragma once

#include <cstddef>
#include <ostream>
#include <vector>

#include "check/diagnostics.h"

namespace packager::tool {

enum class DiagnosticFormat { kText, kJson, kSarif };

// Text: "FILE:LINE:COLUMN: error: MESSAGE [E16]", the line quoted with a caret
// under the column and, under it, the text a certain fix writes there; each
// related place as "FILE:LINE:COLUMN: note: MESSAGE" with its line quoted;
// after the last listed diagnostic of a rule with more, "FILE: note: and
// 3,180 more like this [E16]"; then a last line with the counts ("2 errors,
// 1 warning"), after "scenario-tool: note: " and the StoppedNote when
// stopped_after is not 0. What the author wrote is shown by ShownText, its
// control characters escaped.
void PrintDiagnosticsText(std::ostream& out, const std::vector<Diagnostic>& diagnostics,
                          std::size_t stopped_after = 0);
// The same without the last line of counts, for a command that goes on to
// say what it did not do.
void PrintDiagnosticLines(std::ostream& out, const std::vector<Diagnostic>& diagnostics);

// JSON: {"diagnostics": [{"severity", "rule", "file", "line", "column",
// "message"}...], "errors": N, "warnings": N}; a diagnostic with related
// places has "related": [{"file", "line", "column", "message"}...], one with
// fixes "fixes": [{"description", "edits": [{"file", "line", "column",
// "end_column", "text"}...]}...]; the last listed diagnostic of a rule with
// more has "more_like_this": N. The counts include those. A check stopped
// at its error limit adds "stopped_after_errors": N.
void PrintDiagnosticsJson(std::ostream& out, const std::vector<Diagnostic>& diagnostics,
                          std::size_t stopped_after = 0);

// SARIF 2.1.0: one run of the tool "scenario-tool", one result per
// diagnostic, with the rules it used and each location as a region, related
// places as relatedLocations and fixes as fixes; the last listed result of
// a rule with more has the property "moreLikeThis", and the run's
// invocation a note "and N more like this" for that rule. A check stopped
// at its error limit adds the StoppedNote to those notes.
void PrintDiagnosticsSarif(std::ostream& out, const std::vector<Diagnostic>& diagnostics,
                           std::size_t stopped_after = 0);

}  // namespace packager::tool
