#include "lsp/transport.h"

#include <cctype>
#include <charconv>
#include <optional>

namespace packager::lsp {

namespace {

// One header line without its end; none at the end of input before any byte.
std::optional<std::string> ReadHeaderLine(std::istream& in) {
  std::string line;
  bool any = false;
  for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
    any = true;
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    if (line.size() < kMaxHeaderLine) line.push_back(static_cast<char>(c));
  }
  if (!any) return std::nullopt;
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

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

Frame ReadFrame(std::istream& in) {
  constexpr std::string_view kLengthHeader = "Content-Length:";
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
    if (!StartsWithNoCase(*line, kLengthHeader)) continue;
    const std::string_view value = Trimmed(std::string_view(*line).substr(kLengthHeader.size()));
    std::size_t number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || value.empty()) {
      problem = "the header \"" + *line + "\" gives no byte count";
    } else {
      length = number;
    }
  }
  if (!length) {
    if (problem.empty()) problem = "a message without a Content-Length header";
    return {FrameStatus::kMalformed, "", problem};
  }
  if (*length > kMaxBodyBytes) {
    in.ignore(static_cast<std::streamsize>(*length));
    if (static_cast<std::size_t>(in.gcount()) != *length) return {FrameStatus::kEnd, "", ""};
    return {FrameStatus::kMalformed, "",
            "a message of " + std::to_string(*length) + " bytes, more than the " +
                std::to_string(kMaxBodyBytes) + " read"};
  }
  Frame frame{FrameStatus::kMessage, std::string(*length, '\0'), ""};
  in.read(frame.body.data(), static_cast<std::streamsize>(*length));
  if (static_cast<std::size_t>(in.gcount()) != *length) return {FrameStatus::kEnd, "", ""};
  return frame;
}

void WriteFrame(std::ostream& out, std::string_view body) {
  out << "Content-Length: " << body.size() << "\r\n\r\n" << body;
  out.flush();
}

}  // namespace packager::lsp
