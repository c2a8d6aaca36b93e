// What both page servers of watch (page_server_module.cc on Linux,
// page_server_windows.cc on Windows) read of a request and how they answer:
// the request line and the headers that matter, within the bounds that keep
// one client from holding up the others or watch's memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace packager::tool::http {

// A request head longer than this is refused (431).
inline constexpr std::size_t kHeadLimit = 16 * 1024;
// The servers read no request body: one declared past this size (or of a
// length not declared) is refused (413) before any of it is read.
inline constexpr std::size_t kBodyLimit = 64 * 1024;

struct Request {
  std::string method;
  std::string path;
  std::string query;
  std::string host;
  bool body_too_large = false;
};

// The request line and the headers that matter of a head ended by its blank
// line.
Request ParseHead(std::string_view head);

// The value of `name` in a query "a=1&b=2", if there.
bool QueryValue(std::string_view query, std::string_view name, std::string& value);

// A whole answer of one body, after which the connection is closed.
std::string Response(std::string_view status, std::string_view type, std::string_view body);

}  // namespace packager::tool::http
