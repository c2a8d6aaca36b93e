#include "lsp/transport.h"

#include <cctype>
#include <charconv>
#include <optional>

namespace packager::lsp {

namespace {

constexpr std::string_view kLengthHeader = "Content-Length:";

// One header line without its end, at most its last kMaxHeaderLine bytes;
// none at the end of input before any byte.
std::optional<std::string> ReadHeaderLine(std::istream& in) {
  std::string line;
  bool any = false;
  for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
    any = true;
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    line.push_back(static_cast<char>(c));
    if (line.size() >= 2 * kMaxHeaderLine) line.erase(0, line.size() - kMaxHeaderLine);
  }
  if (!any) return std::nullopt;
  if (line.size() > kMaxHeaderLine) line.erase(0, line.size() - kMaxHeaderLine);
  return line;
}

bool StartsWithNoCase(std::string_view text, std::string_view start) {
  if (text.size() < start.size()) return false;
  for (std::size_t i = 0; i < start.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(start[i]))) {
      return false;
    }
  }
  return true;
}

// Where the last Content-Length header of a line starts (the rest of a
// skipped body may stand before it); npos when it has none.
std::size_t LengthHeaderAt(std::string_view line) {
  if (line.size() < kLengthHeader.size()) return std::string_view::npos;
  for (std::size_t at = line.size() - kLengthHeader.size() + 1; at-- > 0;) {
    if (StartsWithNoCase(line.substr(at), kLengthHeader)) return at;
  }
  return std::string_view::npos;
}

// A line as quoted in a problem: its first 60 bytes.
std::string Quoted(std::string_view line) {
  constexpr std::size_t kWidth = 60;
  return "\"" + std::string(line.substr(0, kWidth)) + (line.size() > kWidth ? "...\"" : "\"");
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

Frame ReadFrame(std::istream& in) {
  std::optional<std::size_t> length;
  std::string problem;
  bool any_header = false;
  for (;;) {
    const std::optional<std::string> line = ReadHeaderLine(in);
    if (!line) return {FrameStatus::kEnd, "", ""};
    if (line->empty()) {
      if (!any_header) continue;  // blank lines between messages
      break;
    }
    any_header = true;
    const std::size_t at = LengthHeaderAt(*line);
    if (at == std::string_view::npos) continue;
    const std::string_view header = std::string_view(*line).substr(at);
    const std::string_view value = Trimmed(header.substr(kLengthHeader.size()));
    std::size_t number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || value.empty()) {
      problem = "the header " + Quoted(header) + " gives no byte count";
    } else if (length && *length != number) {
      problem = "two Content-Length headers disagree";
    } else {
      length = number;
    }
  }
  if (!length || !problem.empty()) {
    if (problem.empty()) problem = "a message without a Content-Length header";
    return {FrameStatus::kMalformed, "", problem};
  }
  if (*length > kMaxBodyBytes) {
    in.ignore(static_cast<std::streamsize>(*length));
    if (static_cast<std::size_t>(in.gcount()) != *length) return {FrameStatus::kEnd, "", ""};
    return {FrameStatus::kMalformed, "",
            "a message of " + std::to_string(*length) + " bytes, more than the " +
                std::to_string(kMaxBodyBytes) + " read",
            true};
  }
  Frame frame{FrameStatus::kMessage, std::string(*length, '\0'), "", false};
  in.read(frame.body.data(), static_cast<std::streamsize>(*length));
  if (static_cast<std::size_t>(in.gcount()) != *length) return {FrameStatus::kEnd, "", ""};
  return frame;
}

void WriteFrame(std::ostream& out, std::string_view body) {
  out << "Content-Length: " << body.size() << "\r\n\r\n" << body;
  out.flush();
}

}  // namespace packager::lsp
