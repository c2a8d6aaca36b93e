// What `scenario-tool check` finds, in one shape for every way of showing it:
// as compilers print diagnostics, as JSON, or as SARIF for review tools.
#pragma once

#include <cstddef>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace packager::tool {

enum class Severity { kError, kWarning };

// At most this many diagnostics of one rule are listed, the first in the
// order of their places; the others are counted on the last one listed
// ("and 3,180 more like this").
constexpr std::size_t kListedPerRule = 100;

// At most this many reading errors are looked for unless --error-limit says
// otherwise (0: no limit): each costs one more compile of the texts.
constexpr std::size_t kDefaultErrorLimit = 1000;

// The note said when the check stopped at its error limit with a fault left
// unsaid: "stopped after 1,000 errors; --error-limit=N to see more".
std::string StoppedNote(std::size_t stopped_after);

struct Diagnostic {
  Severity severity = Severity::kError;
  // "E16" for a recorded code; a warning's name ("unknown-keyword"), shown as
  // [-Wunknown-keyword] and switched off by -Wno-unknown-keyword.
  std::string rule;
  std::string path;      // the author's file as named on the command line; may be empty
  int line = 0;          // from 1; 0 when the finding concerns a whole file
  int column = 0;        // from 1, in bytes of the line; 0 with line 0
  std::string message;   // UTF-8
  // The line quoted, UTF-8; empty with line 0. Of a long line, only a window
  // around the column, "..." standing for what was cut (line_cut).
  std::string line_text;
  // UTF-8 column of the caret in line_text (from 1), when line > 0.
  int display_column = 0;
  // A warning made an error by -Werror: shown as [-Werror=NAME].
  bool promoted = false;
  bool line_cut = false;
  // Diagnostics of the same rule that follow this one, counted, not listed.
  std::size_t more_like_this = 0;
};

// Quotes a line (Windows-1252 bytes without its end) in a diagnostic whose
// caret stands at byte `column` (from 1): sets line_text, display_column and
// line_cut.
void Quote(Diagnostic& diagnostic, std::string_view line, int column);

// A text's lines, found through one index of where each starts. Lines end at
// CR LF, a lone CR or a lone LF.
class LineIndex {
 public:
  explicit LineIndex(std::string_view bytes);
  // Line `number` (from 1) without its end; empty past the last line.
  std::string_view Line(int number) const;

 private:
  std::string_view bytes_;
  std::vector<std::size_t> starts_;
};

// A text as its author wrote it: the path to name in messages and its
// Windows-1252 bytes, from which the quoted line is taken.
struct AuthorFile {
  AuthorFile(std::string path_, std::string_view bytes_)
      : path(std::move(path_)), bytes(bytes_), lines(bytes_) {}
  std::string path;
  std::string_view bytes;
  LineIndex lines;
};

// A finding at a line and byte column of a file (line 0: the whole file).
Diagnostic DiagnosticAt(Severity severity, std::string rule, const AuthorFile& file, int line,
                        int column, std::string message);

// Keeps the first kListedPerRule diagnostics of each rule, in their order;
// each other one is counted on the last kept one of its rule.
void ListPerRule(std::vector<Diagnostic>& diagnostics);

// Diagnostics as they are found, at most kListedPerRule of a rule stored:
// the others are only counted, so that a text of millions of faults takes
// no more memory than one of a hundred.
class DiagnosticList {
 public:
  // False once the rule has its share: a finder may skip making the message.
  bool Lists(const std::string& rule) const;
  void Add(Diagnostic diagnostic);
  // What was added, as ListPerRule leaves it.
  std::vector<Diagnostic> Take();

 private:
  std::vector<Diagnostic> listed_;
  std::map<std::string, std::size_t> added_;     // listed, by rule
  std::map<std::string, std::size_t> unlisted_;  // counted only, by rule
};

enum class DiagnosticFormat { kText, kJson, kSarif };

// Text: "FILE:LINE:COLUMN: error: MESSAGE [E16]", the line quoted with a caret
// under the column; after the last listed diagnostic of a rule with more,
// "FILE: note: and 3,180 more like this [E16]"; then a last line with the
// counts ("2 errors, 1 warning"), after "scenario-tool: note: " and the
// StoppedNote when stopped_after is not 0. What the author wrote is shown by
// ShownText, its control characters escaped.
void PrintDiagnosticsText(std::ostream& out, const std::vector<Diagnostic>& diagnostics,
                          std::size_t stopped_after = 0);

// JSON: {"diagnostics": [{"severity", "rule", "file", "line", "column",
// "message"}...], "errors": N, "warnings": N}; the last listed diagnostic of
// a rule with more has "more_like_this": N. The counts include those. A
// check stopped at its error limit adds "stopped_after_errors": N.
void PrintDiagnosticsJson(std::ostream& out, const std::vector<Diagnostic>& diagnostics,
                          std::size_t stopped_after = 0);

// SARIF 2.1.0: one run of the tool "scenario-tool", one result per
// diagnostic, with the rules it used and each location as a region; the
// last listed result of a rule with more has the property "moreLikeThis",
// and the run's invocation a note "and N more like this" for that rule. A
// check stopped at its error limit adds the StoppedNote to those notes.
void PrintDiagnosticsSarif(std::ostream& out, const std::vector<Diagnostic>& diagnostics,
                           std::size_t stopped_after = 0);

// What a check found: its diagnostics in the order it prints them, as
// ListPerRule leaves them, and the error limit when the check stopped at it
// with a fault left unsaid (0 when it looked at every fault).
struct CheckResult {
  std::vector<Diagnostic> diagnostics;
  std::size_t stopped_after = 0;
};

// What `scenario-tool check SCENARIO_DIR` finds, every warning included. A
// folder the build would refuse gives its one error; throws FileFailure for
// a file that cannot be read.
CheckResult CheckScenarioFolder(const std::string& directory,
                                std::size_t error_limit = kDefaultErrorLimit);

// "3,180".
std::string CountText(std::size_t count);

// Counts of one severity, those not listed included.
std::size_t CountOf(const std::vector<Diagnostic>& diagnostics, Severity severity);

}  // namespace packager::tool
