// The page server module (tool/page_server_module.h): a thread that accepts,
// and a thread for each connection while it lasts, on POSIX sockets. Each
// client sends a request head, read within a size and a time bound; "/" is
// answered with the page and closed, kWatchEventsPath is kept open as a
// stream of server-sent events. No body is read.
#include "tool/page_server_module.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>

#include "tool/http_head.h"
#include "tool/watch.h"

namespace {

using packager::tool::ChangeEvent;
using packager::tool::kWatchEventsPath;
using packager::tool::ServedPage;
using Clock = std::chrono::steady_clock;
using packager::tool::http::kBodyLimit;
using packager::tool::http::kHeadLimit;
using packager::tool::http::ParseHead;
using packager::tool::http::QueryValue;
using packager::tool::http::Request;
using packager::tool::http::Response;

constexpr const char* kHost = packager::tool::kPageServerHost;
// An open page hears this often that the server is still there; a page
// closed is noticed by then.
constexpr std::chrono::seconds kKeepAliveEvery{10};

// The bounds that keep one client from holding up the others, or watch's
// memory (beside the head's and the body's, tool/http_head.h). A request
// head not whole in this time is dropped: a browser sends it at once.
constexpr std::chrono::seconds kHeadTime{10};
// A client that has not taken its answer in this time, or an event in
// kEventTime, is dropped.
constexpr std::chrono::seconds kAnswerTime{30};
constexpr std::chrono::seconds kEventTime{10};
// Connections at once (a thread each), and among them event streams: past
// these a connection is closed at once, an event stream refused (503), so
// that half the places are always left for pages and slow clients.
constexpr int kConnectionLimit = 256;
constexpr int kEventStreamLimit = 128;

struct Server {
  int listener = -1;
  int port = 0;
  std::thread accepting;
  std::mutex mutex;
  std::condition_variable changed;  // a page published, a stop, a connection ended
  std::string page;                 // under mutex
  std::uint64_t generation = 0;     // under mutex: pages published
  bool stopping = false;            // under mutex
  std::set<int> connections;        // under mutex: their sockets
  int event_streams = 0;            // under mutex
};

int MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

// Reads the request head, up to its blank line; false when the client ends,
// stalls past kHeadTime or fails. A head past kHeadLimit is kept cut there.
bool ReadHead(int socket, std::string& head) {
  const Clock::time_point deadline = Clock::now() + kHeadTime;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.find("\n\n") == std::string::npos) {
    if (head.size() > kHeadLimit) return true;
    pollfd wanted{socket, POLLIN, 0};
    if (poll(&wanted, 1, MillisecondsUntil(deadline)) <= 0) return false;
    const ssize_t got = recv(socket, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    head.append(buffer, static_cast<std::size_t>(got));
  }
  return true;
}

// Sends all of `data`; false when the client fails or has not taken it
// `within` this time.
bool SendAll(int socket, std::string_view data, Clock::duration within = kAnswerTime) {
  const Clock::time_point deadline = Clock::now() + within;
  while (!data.empty()) {
    pollfd wanted{socket, POLLOUT, 0};
    if (poll(&wanted, 1, MillisecondsUntil(deadline)) <= 0) return false;
    const ssize_t sent = send(socket, data.data(), data.size(), MSG_NOSIGNAL);
    if (sent < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (sent <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

// The events of one open page until it closes or the server stops: a change
// after `after`, or a comment now and then.
void SendEvents(Server& server, int socket, std::uint64_t after) {
  for (;;) {
    std::unique_lock<std::mutex> lock(server.mutex);
    server.changed.wait_for(lock, kKeepAliveEvery,
                            [&] { return server.stopping || server.generation > after; });
    if (server.stopping) return;
    std::string event = ": watching\n\n";
    if (server.generation > after) {
      after = server.generation;
      event = ChangeEvent(after);
    }
    lock.unlock();
    if (!SendAll(socket, event, kEventTime)) return;
  }
}

// The answer to one connection: a page of some other site whose name was
// made to point at this computer (DNS rebinding) gets nothing.
void Serve(Server& server, int socket) {
  std::string head;
  if (!ReadHead(socket, head)) return;
  if (head.size() > kHeadLimit) {
    SendAll(socket, Response("431 Request Header Fields Too Large", "text/plain",
                             "the request head is longer than " + std::to_string(kHeadLimit) +
                                 " bytes\n"));
    return;
  }
  const Request request = ParseHead(head);
  head.clear();
  // Appended rather than added: GCC 12 warns wrongly (-Wrestrict) of
  // a literal added to a temporary string in an optimised build.
  const std::string here = std::string(":").append(std::to_string(server.port));
  if (request.host != kHost + here && request.host != "localhost" + here) {
    SendAll(socket, Response("403 Forbidden", "text/plain",
                             std::string("open the page at its address: http://") + kHost + here +
                                 "/\n"));
  } else if (request.body_too_large) {
    SendAll(socket, Response("413 Payload Too Large", "text/plain",
                             "the page server reads no body past " + std::to_string(kBodyLimit) +
                                 " bytes\n"));
  } else if (request.method != "GET") {
    SendAll(socket, Response("405 Method Not Allowed", "text/plain", "only GET is served\n"));
  } else if (request.path == "/") {
    std::string served;
    {
      std::lock_guard<std::mutex> lock(server.mutex);
      served = ServedPage(server.page, server.generation);
    }
    SendAll(socket, Response("200 OK", "text/html; charset=utf-8", served));
  } else if (request.path == kWatchEventsPath) {
    std::uint64_t after = 0;
    bool full = false;
    {
      std::lock_guard<std::mutex> lock(server.mutex);
      full = server.event_streams >= kEventStreamLimit;
      if (!full) ++server.event_streams;
      after = server.generation;
    }
    if (full) {
      SendAll(socket, Response("503 Service Unavailable", "text/plain",
                               "too many pages open (" + std::to_string(kEventStreamLimit) +
                                   "): close some; this one is not reloaded\n"));
      return;
    }
    std::string given;
    // Not a page of this server, without `after`: it hears of the next change.
    if (QueryValue(request.query, "after", given) && !given.empty() && given.size() < 20 &&
        std::all_of(given.begin(), given.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      after = std::stoull(given);
    }
    if (SendAll(socket,
                "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n"
                "Connection: close\r\n\r\n")) {
      SendEvents(server, socket, after);
    }
    std::lock_guard<std::mutex> lock(server.mutex);
    --server.event_streams;
  } else {
    SendAll(socket, Response("404 Not Found", "text/plain", "not here: the page is at /\n"));
  }
}

void Connection(Server& server, int socket) {
  try {
    Serve(server, socket);
  } catch (const std::exception&) {
    // Out of memory for this answer: the connection ends, the server goes on.
  }
  shutdown(socket, SHUT_WR);
  std::lock_guard<std::mutex> lock(server.mutex);
  close(socket);
  server.connections.erase(socket);
  server.changed.notify_all();
}

void Accept(Server& server) {
  for (;;) {
    const int socket = accept(server.listener, nullptr, nullptr);
    std::unique_lock<std::mutex> lock(server.mutex);
    if (server.stopping) {
      if (socket >= 0) close(socket);
      return;
    }
    if (socket < 0) {  // out of descriptors, say: a moment later
      lock.unlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      continue;
    }
    if (static_cast<int>(server.connections.size()) >= kConnectionLimit) {
      close(socket);  // too many at once: this one tries again
      continue;
    }
    try {
      server.connections.insert(socket);
      std::thread([&server, socket] { Connection(server, socket); }).detach();
    } catch (const std::exception&) {
      server.connections.erase(socket);
      close(socket);  // no thread for it now
    }
  }
}

void Say(const std::string& message, char* error, std::size_t error_size) {
  if (error_size == 0) return;
  const std::size_t size = std::min(message.size(), error_size - 1);
  std::memcpy(error, message.data(), size);
  error[size] = '\0';
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void* packager_page_server_start(
    int port, int* bound, char* error, std::size_t error_size) {
  try {
    auto server = std::make_unique<Server>();
    server->listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // The port of a server that has just ended may be taken again at once,
    // never one that another serves.
    const int yes = 1;
    setsockopt(server->listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, kHost, &address.sin_addr);
    socklen_t size = sizeof address;
    if (server->listener < 0 ||
        bind(server->listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(server->listener, SOMAXCONN) != 0 ||
        getsockname(server->listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      if (server->listener >= 0) close(server->listener);
      Say(std::string("cannot listen on ") + kHost + ":" + std::to_string(port) +
              (port == 0 ? "" : ": the port may be taken; give another with --port, or 0 for any"),
          error, error_size);
      return nullptr;
    }
    server->port = ntohs(address.sin_port);
    *bound = server->port;
    Server& started = *server;
    started.accepting = std::thread([&started] { Accept(started); });
    return server.release();
  } catch (const std::exception& failure) {
    Say(std::string("cannot serve the page: ") + failure.what(), error, error_size);
    return nullptr;
  }
}

__attribute__((visibility("default"))) void packager_page_server_publish(void* handle,
                                                                         const char* page,
                                                                         std::size_t size) {
  Server& server = *static_cast<Server*>(handle);
  try {
    std::lock_guard<std::mutex> lock(server.mutex);
    server.page.assign(page, size);
    ++server.generation;
  } catch (const std::exception&) {
    return;  // no memory for the page: the old one stays served
  }
  server.changed.notify_all();
}

// Every connection is shut, so that its thread, reading or sending, ends at
// once; the server is freed when the last has.
__attribute__((visibility("default"))) void packager_page_server_stop(void* handle) {
  Server* server = static_cast<Server*>(handle);
  {
    std::unique_lock<std::mutex> lock(server->mutex);
    server->stopping = true;
    for (const int socket : server->connections) shutdown(socket, SHUT_RDWR);
    shutdown(server->listener, SHUT_RDWR);
  }
  server->changed.notify_all();
  if (server->accepting.joinable()) server->accepting.join();
  {
    std::unique_lock<std::mutex> lock(server->mutex);
    server->changed.wait(lock, [server] { return server->connections.empty(); });
  }
  close(server->listener);
  delete server;
}

}  // extern "C"

static_assert(std::is_same_v<decltype(&packager_page_server_start), PageServerStart>);
static_assert(std::is_same_v<decltype(&packager_page_server_publish), PageServerPublish>);
static_assert(std::is_same_v<decltype(&packager_page_server_stop), PageServerStop>);
