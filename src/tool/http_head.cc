#include "tool/http_head.h"

#include <algorithm>
#include <cctype>

namespace packager::tool::http {

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

Request ParseHead(std::string_view head) {
  Request request;
  std::size_t line_end = head.find('\n');
  const std::string_view line = Trimmed(head.substr(0, line_end));
  const std::size_t method_end = line.find(' ');
  if (method_end != std::string_view::npos) {
    request.method = std::string(line.substr(0, method_end));
    std::string_view target = line.substr(method_end + 1);
    target = target.substr(0, target.find(' '));
    const std::size_t question = target.find('?');
    request.path = std::string(target.substr(0, question));
    if (question != std::string_view::npos) request.query = std::string(target.substr(question + 1));
  }
  while (line_end != std::string_view::npos) {
    const std::size_t start = line_end + 1;
    line_end = head.find('\n', start);
    const std::string_view header = head.substr(start, line_end - start);
    const std::size_t colon = header.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string name = Lower(header.substr(0, colon));
    const std::string_view value = Trimmed(header.substr(colon + 1));
    if (name == "host") request.host = std::string(value);
    if (name == "transfer-encoding") request.body_too_large = true;
    if (name == "content-length") {
      request.body_too_large =
          request.body_too_large || value.empty() || value.size() > 18 ||
          !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
          std::stoull(std::string(value)) > kBodyLimit;
    }
  }
  return request;
}

// The value of `name` in a query "a=1&b=2", if there.
bool QueryValue(std::string_view query, std::string_view name, std::string& value) {
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    if (pair.size() > name.size() && pair.substr(0, name.size()) == name &&
        pair[name.size()] == '=') {
      value = std::string(pair.substr(name.size() + 1));
      return true;
    }
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return false;
}

std::string Response(std::string_view status, std::string_view type, std::string_view body) {
  return "HTTP/1.1 " + std::string(status) + "\r\nContent-Type: " + std::string(type) +
         "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + std::string(body);
}

}  // namespace packager::tool::http
