#include "check/diagnostics.h"

#include <algorithm>
#include <set>

#include "tables/windows1252.h"

namespace packager::tool {

namespace {

// A quoted line longer than this many characters is cut to a window of
// about as many around the caret.
constexpr std::size_t kQuotedWidth = 160;
constexpr char kCut[] = "...";

std::string Counted(std::size_t count, const char* word) {
  return CountText(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace

std::string CountText(std::size_t count) {
  std::string digits = std::to_string(count);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

LineIndex::LineIndex(std::string_view bytes) : bytes_(bytes), starts_{0} {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    if (i + 1 < bytes.size()) starts_.push_back(i + 1);
  }
}

std::string_view LineIndex::Line(int number) const {
  if (number < 1 || static_cast<std::size_t>(number) > starts_.size()) return {};
  const std::size_t begin = starts_[static_cast<std::size_t>(number) - 1];
  std::size_t end = begin;
  while (end < bytes_.size() && bytes_[end] != '\r' && bytes_[end] != '\n') ++end;
  return bytes_.substr(begin, end - begin);
}

void Quote(Diagnostic& diagnostic, std::string_view line, int column) {
  // Every Windows-1252 byte is one character: the column counts characters.
  std::size_t from = 0;
  std::size_t to = line.size();
  if (line.size() > kQuotedWidth) {
    const std::size_t caret = static_cast<std::size_t>(std::max(column, 1)) - 1;
    from = caret > kQuotedWidth / 2 ? std::min(caret - kQuotedWidth / 2, line.size()) : 0;
    to = std::min(from + kQuotedWidth, line.size());
  }
  diagnostic.line_cut = from > 0 || to < line.size();
  diagnostic.line_text = from > 0 ? kCut : "";
  diagnostic.line_text += Utf8From1252(line.substr(from, to - from));
  if (to < line.size()) diagnostic.line_text += kCut;
  diagnostic.display_column = column - static_cast<int>(from) + (from > 0 ? 3 : 0);
}

void QuoteUtf8(Diagnostic& diagnostic, std::string_view line, int column) {
  // Where each character starts: a lead byte, or any byte that no lead
  // byte before it accounts for.
  std::vector<std::size_t> starts;
  for (std::size_t at = 0; at < line.size();) {
    starts.push_back(at);
    const auto lead = static_cast<unsigned char>(line[at]);
    std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    std::size_t next = at + 1;
    while (next < line.size() && next < at + length &&
           (static_cast<unsigned char>(line[next]) & 0xC0) == 0x80) {
      ++next;
    }
    at = next;
  }
  const std::size_t count = starts.size();
  starts.push_back(line.size());
  std::size_t from = 0;
  std::size_t to = count;
  if (count > kQuotedWidth) {
    const std::size_t caret = static_cast<std::size_t>(std::max(column, 1)) - 1;
    from = caret > kQuotedWidth / 2 ? std::min(caret - kQuotedWidth / 2, count) : 0;
    to = std::min(from + kQuotedWidth, count);
  }
  diagnostic.line_cut = from > 0 || to < count;
  diagnostic.line_text = from > 0 ? kCut : "";
  diagnostic.line_text += line.substr(starts[from], starts[to] - starts[from]);
  if (to < count) diagnostic.line_text += kCut;
  diagnostic.display_column = column - static_cast<int>(from) + (from > 0 ? 3 : 0);
}

Diagnostic DiagnosticAt(Severity severity, std::string rule, const AuthorFile& file, int line,
                        int column, std::string message) {
  Diagnostic diagnostic{severity, std::move(rule), file.path, 0, 0, std::move(message), "", 0};
  if (line <= 0) return diagnostic;
  const std::string_view text = file.lines.Line(line);
  if (column <= 0) {
    const std::size_t first = text.find_first_not_of(" \t");
    column = first == std::string_view::npos ? 1 : static_cast<int>(first) + 1;
  }
  diagnostic.line = line;
  diagnostic.column = column;
  Quote(diagnostic, text, column);
  return diagnostic;
}

RelatedPlace RelatedAt(const AuthorFile& file, int line, int column, std::string message) {
  const Diagnostic quoted =
      DiagnosticAt(Severity::kNote, "", file, line, column, std::move(message));
  return {quoted.path,    quoted.line,      quoted.column,         quoted.column,
          quoted.message, quoted.line_text, quoted.display_column, quoted.line_cut};
}

std::optional<Diagnostic> WarningAtRecord(const AuthorFiles& files, const char* rule,
                                          const ReadRecord& record, std::string message,
                                          const ReadRecord* other,
                                          const std::string& other_what) {
  const auto file = files.find(record.file);
  if (file == files.end()) return std::nullopt;
  Diagnostic diagnostic = DiagnosticAt(Severity::kWarning, rule, file->second, record.line,
                                       record.column, std::move(message));
  if (other != nullptr) {
    const auto other_file = files.find(other->file);
    if (other_file != files.end()) {
      diagnostic.related.push_back(
          RelatedAt(other_file->second, other->line, other->column, other_what));
    }
  }
  return diagnostic;
}

void ListPerRule(std::vector<Diagnostic>& diagnostics) {
  std::map<std::string, std::size_t> listed;
  std::map<std::string, std::size_t> more;
  std::vector<Diagnostic> kept;
  for (Diagnostic& diagnostic : diagnostics) {
    more[diagnostic.rule] += diagnostic.more_like_this;
    diagnostic.more_like_this = 0;
    if (++listed[diagnostic.rule] > kListedPerRule) {
      ++more[diagnostic.rule];
    } else {
      kept.push_back(std::move(diagnostic));
    }
  }
  std::set<std::string> counted;
  for (auto last = kept.rbegin(); last != kept.rend(); ++last) {
    if (counted.insert(last->rule).second) last->more_like_this = more[last->rule];
  }
  diagnostics = std::move(kept);
}

bool DiagnosticList::Lists(const std::string& rule) const {
  const auto added = added_.find(rule);
  return added == added_.end() || added->second < kListedPerRule;
}

void DiagnosticList::Add(Diagnostic diagnostic) {
  if (Lists(diagnostic.rule)) {
    ++added_[diagnostic.rule];
    listed_.push_back(std::move(diagnostic));
  } else {
    ++unlisted_[diagnostic.rule];
  }
}

std::vector<Diagnostic> DiagnosticList::Take() {
  for (auto last = listed_.rbegin(); last != listed_.rend(); ++last) {
    last->more_like_this += std::exchange(unlisted_[last->rule], 0);
  }
  added_.clear();
  unlisted_.clear();
  return std::move(listed_);
}

std::size_t CountOf(const std::vector<Diagnostic>& diagnostics, Severity severity) {
  std::size_t count = 0;
  for (const Diagnostic& diagnostic : diagnostics) {
    if (diagnostic.severity == severity) count += 1 + diagnostic.more_like_this;
  }
  return count;
}

std::string StoppedNote(std::size_t stopped_after) {
  return "stopped after " + Counted(stopped_after, "error") + "; --error-limit=N to see more";
}

std::string QuotedWord(std::string_view bytes, char quote) {
  std::string quoted(1, quote);
  if (bytes.size() <= kQuotedWordBytes) {
    quoted += Utf8From1252(bytes);
    quoted += quote;
    return quoted;
  }
  quoted += Utf8From1252(bytes.substr(0, kQuotedWordBytes / 2));
  quoted += kCut;
  quoted += quote;
  quoted += " (" + Counted(bytes.size(), "character") + ")";
  return quoted;
}

}  // namespace packager::tool
