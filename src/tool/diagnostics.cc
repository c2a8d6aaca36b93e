#include "tool/diagnostics.h"

#include <algorithm>

#include "tables/windows1252.h"

namespace packager::tool {

namespace {

const char* SeverityWord(Severity severity) {
  return severity == Severity::kError ? "error" : "warning";
}

std::string RuleShown(const Diagnostic& diagnostic) {
  if (diagnostic.rule.empty()) return "";
  if (diagnostic.promoted) return " [-Werror=" + diagnostic.rule + "]";
  if (diagnostic.severity == Severity::kWarning) return " [-W" + diagnostic.rule + "]";
  return " [" + diagnostic.rule + "]";
}

// "    5 | the line" and, under it, a caret under the column; tabs before the
// caret stay tabs, so that the caret lines up however tabs are shown.
void PrintQuote(std::ostream& out, const Diagnostic& diagnostic) {
  std::string margin = std::to_string(diagnostic.line);
  if (margin.size() < 5) margin.insert(0, 5 - margin.size(), ' ');
  std::string caret;
  const std::string& line = diagnostic.line_text;
  std::size_t shown = 0;  // code points passed
  for (std::size_t i = 0; i < line.size() && shown + 1 < std::size_t(diagnostic.display_column);
       ++i) {
    if ((static_cast<unsigned char>(line[i]) & 0xC0) == 0x80) continue;  // inside a character
    caret += line[i] == '\t' ? '\t' : ' ';
    ++shown;
  }
  while (shown + 1 < std::size_t(diagnostic.display_column)) {
    caret += ' ';
    ++shown;
  }
  out << margin << " | " << line << "\n" << std::string(margin.size(), ' ') << " | " << caret
      << "^\n";
}

std::string Counted(std::size_t count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace

std::string_view LineOf(std::string_view bytes, int number) {
  std::size_t begin = 0;
  for (int line = 1; begin <= bytes.size(); ++line) {
    std::size_t end = begin;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    if (line == number) return bytes.substr(begin, end - begin);
    if (end == bytes.size()) break;
    begin = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
  }
  return {};
}

Diagnostic DiagnosticAt(Severity severity, std::string rule, const AuthorFile& file, int line,
                        int column, std::string message) {
  Diagnostic diagnostic{severity, std::move(rule), file.path, 0, 0, std::move(message), "", 0};
  if (line <= 0) return diagnostic;
  const std::string_view text = LineOf(file.bytes, line);
  if (column <= 0) {
    const std::size_t first = text.find_first_not_of(" \t");
    column = first == std::string_view::npos ? 1 : static_cast<int>(first) + 1;
  }
  diagnostic.line = line;
  diagnostic.column = column;
  diagnostic.line_text = Utf8From1252(text);
  // Every Windows-1252 byte is one character: the column counts characters.
  diagnostic.display_column = column;
  return diagnostic;
}

std::size_t CountOf(const std::vector<Diagnostic>& diagnostics, Severity severity) {
  return static_cast<std::size_t>(
      std::count_if(diagnostics.begin(), diagnostics.end(),
                    [&](const Diagnostic& d) { return d.severity == severity; }));
}

void PrintDiagnosticsText(std::ostream& out, const std::vector<Diagnostic>& diagnostics) {
  for (const Diagnostic& diagnostic : diagnostics) {
    out << (diagnostic.path.empty() ? std::string("scenario-tool") : diagnostic.path);
    if (diagnostic.line > 0) out << ':' << diagnostic.line << ':' << diagnostic.column;
    out << ": " << SeverityWord(diagnostic.severity) << ": " << diagnostic.message
        << RuleShown(diagnostic) << "\n";
    if (diagnostic.line > 0) PrintQuote(out, diagnostic);
  }
  const std::size_t errors = CountOf(diagnostics, Severity::kError);
  const std::size_t warnings = CountOf(diagnostics, Severity::kWarning);
  out << Counted(errors, "error");
  if (warnings > 0) out << ", " << Counted(warnings, "warning");
  out << "\n";
}

}  // namespace packager::tool
