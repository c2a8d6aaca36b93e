// What `scenario-tool check` finds, in one shape for every way of showing it:
// as compilers print diagnostics, as JSON, or as SARIF for review tools.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace packager::tool {

enum class Severity { kError, kWarning };

struct Diagnostic {
  Severity severity = Severity::kError;
  // "E16" for a recorded code; a warning's name ("unknown-keyword"), shown as
  // [-Wunknown-keyword] and switched off by -Wno-unknown-keyword.
  std::string rule;
  std::string path;      // the author's file as named on the command line; may be empty
  int line = 0;          // from 1; 0 when the finding concerns a whole file
  int column = 0;        // from 1, in bytes of the line; 0 with line 0
  std::string message;   // UTF-8
  std::string line_text; // the line quoted, UTF-8; empty with line 0
  // UTF-8 column of the caret in line_text (from 1), when line > 0.
  int display_column = 0;
  // A warning made an error by -Werror: shown as [-Werror=NAME].
  bool promoted = false;
};

// A text as its author wrote it: the path to name in messages and its
// Windows-1252 bytes, from which the quoted line is taken.
struct AuthorFile {
  std::string path;
  std::string_view bytes;
};

// A finding at a line and byte column of a file (line 0: the whole file).
Diagnostic DiagnosticAt(Severity severity, std::string rule, const AuthorFile& file, int line,
                        int column, std::string message);

// Line `number` (from 1) of Windows-1252 bytes, without its end; lines end at
// CR LF, a lone CR or a lone LF. Empty past the last line.
std::string_view LineOf(std::string_view bytes, int number);

enum class DiagnosticFormat { kText, kJson, kSarif };

// Text: "FILE:LINE:COLUMN: error: MESSAGE [E16]", the line quoted with a caret
// under the column, then a last line with the counts ("2 errors, 1 warning").
void PrintDiagnosticsText(std::ostream& out, const std::vector<Diagnostic>& diagnostics);

// JSON: {"diagnostics": [{"severity", "rule", "file", "line", "column",
// "message"}...], "errors": N, "warnings": N}.
void PrintDiagnosticsJson(std::ostream& out, const std::vector<Diagnostic>& diagnostics);

// SARIF 2.1.0: one run of the tool "scenario-tool", one result per
// diagnostic, with the rules it used and each location as a region.
void PrintDiagnosticsSarif(std::ostream& out, const std::vector<Diagnostic>& diagnostics);

// What `scenario-tool check SCENARIO_DIR` finds, every warning included, in
// the order it prints them. A folder the build would refuse gives its one
// error; throws FileFailure for a file that cannot be read.
std::vector<Diagnostic> CheckScenarioFolder(const std::string& directory);

// Counts of one severity.
std::size_t CountOf(const std::vector<Diagnostic>& diagnostics, Severity severity);

}  // namespace packager::tool
