// What the checker finds, as data: a place (file, line and column range),
// a severity, a rule, a message, related places and fixes. Printing it as
// compilers print diagnostics, as JSON or as SARIF is the tool's.
//
// Lines count from 1; columns count characters from 1 (one Windows-1252
// byte each, so one UTF-16 code unit each as well); a range's end column
// is the first one past it.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/reading_observer.h"

namespace packager::tool {

// A note says what the check did not look at, and why; it counts as
// neither an error nor a warning.
enum class Severity { kError, kWarning, kNote };

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

// A word of a text (Windows-1252 bytes) as a message quotes it, in UTF-8
// between the quote marks: whole up to kQuotedWordBytes bytes; a longer one
// cut after its first bytes, with an ellipsis saying how long it is
// ("xxxx..." (50,000,000 characters)), so that no message nor page grows
// with the word.
constexpr std::size_t kQuotedWordBytes = 80;
std::string QuotedWord(std::string_view bytes, char quote);

// A place that a diagnostic names besides its own, with what it is there
// ("the indicator board was put there by this record"), its line quoted
// as a diagnostic's is.
struct RelatedPlace {
  std::string path;
  int line = 0;
  int column = 0;
  int end_column = 0;
  std::string message;  // UTF-8
  std::string line_text;
  int display_column = 0;
  bool line_cut = false;

  bool operator==(const RelatedPlace&) const = default;
};

// A change of a text: the characters of [column, end_column) of line,
// replaced by new_text (UTF-8).
struct TextEdit {
  std::string path;
  int line = 0;
  int column = 0;
  int end_column = 0;
  std::string new_text;

  bool operator==(const TextEdit&) const = default;
};

// A change that makes the text say what its author meant, e.g. the keyword
// spelt right. A fix is certain when it is the one reading that can be
// meant; where a value reads two ways ("29.2": 29200 m or 29 m), each
// reading is a fix of its own, the likelier first, none certain, and an
// editor applies none of them unasked.
struct Fix {
  std::string description;  // e.g. "write \"stazione\""
  std::vector<TextEdit> edits;
  bool certain = true;

  bool operator==(const Fix&) const = default;
};

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
  // The end of the range that starts at line and column; the column alone
  // when it equals it.
  int end_line = 0;
  int end_column = 0;
  std::vector<RelatedPlace> related = {};
  std::vector<Fix> fixes = {};

  bool operator==(const Diagnostic&) const = default;
};

// Quotes a line (Windows-1252 bytes without its end) in a diagnostic whose
// caret stands at byte `column` (from 1): sets line_text, display_column and
// line_cut.
void Quote(Diagnostic& diagnostic, std::string_view line, int column);

// The same for a line of UTF-8 as the author wrote it (whose bytes may not
// all be valid), its column counting characters.
void QuoteUtf8(Diagnostic& diagnostic, std::string_view line, int column);

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

// A related place at a line and column of a file, its line quoted.
RelatedPlace RelatedAt(const AuthorFile& file, int line, int column, std::string message);

// The author's texts by the names the compile reads them under.
using AuthorFiles = std::map<std::string, AuthorFile>;

// A warning at a record's keyword, `other` (when given) as a related place
// saying other_what; none when the record's text is not among files.
std::optional<Diagnostic> WarningAtRecord(const AuthorFiles& files, const char* rule,
                                          const ReadRecord& record, std::string message,
                                          const ReadRecord* other = nullptr,
                                          const std::string& other_what = "");

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

// "3,180".
std::string CountText(std::size_t count);

// Counts of one severity, those not listed included.
std::size_t CountOf(const std::vector<Diagnostic>& diagnostics, Severity severity);

}  // namespace packager::tool
