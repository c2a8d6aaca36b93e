// The page server module (tool/page_server_module.h), made with cpp-httplib.
#include "tool/page_server_module.h"

#include <chrono>
#include <condition_variable>
#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>

#include <httplib.h>

#include "tool/watch.h"

namespace {

using packager::tool::ChangeEvent;
using packager::tool::kWatchEventsPath;
using packager::tool::ServedPage;

constexpr const char* kHost = packager::tool::kPageServerHost;
// An open page hears this often that the server is still there; a page
// closed is noticed by then.
constexpr std::chrono::seconds kKeepAliveEvery{10};

// The bounds that keep one client from holding up the others, or watch's
// memory. Each connection has a thread of this pool while it lasts: an open
// page holds one for its events, a client that sends its request slowly one
// until it is whole or stalls.
constexpr std::size_t kWorkers = 128;
// Event streams past this many are refused (503), so that at least half the
// workers are left for pages and for slow clients.
constexpr int kEventStreamLimit = 64;
// A client that sends nothing (or takes nothing) for this long is dropped: a
// browser sends its request at once. A stop waits no longer for it either.
constexpr std::chrono::seconds kStallTimeout{2};
// The server reads no request body: one past this size is refused (413)
// before any of it is read, and the connection closed.
constexpr std::size_t kBodyLimit = 64 * 1024;

struct Server {
  httplib::Server http;
  std::thread listening;
  std::mutex mutex;
  std::condition_variable changed;
  std::string page;              // under mutex
  std::uint64_t generation = 0;  // under mutex: pages published
  bool stopping = false;         // under mutex
  int port = 0;                  // set before the first request
  int event_streams = 0;         // under mutex: open now
};

// An event stream's place among the kEventStreamLimit, given back when the
// stream ends (with the last copy of its content provider).
class StreamPlace {
 public:
  explicit StreamPlace(Server& server) : server_(server) {}
  StreamPlace(const StreamPlace&) = delete;
  StreamPlace& operator=(const StreamPlace&) = delete;
  ~StreamPlace() {
    std::lock_guard<std::mutex> lock(server_.mutex);
    --server_.event_streams;
  }

 private:
  Server& server_;
};

// Takes a place for an event stream, or null when all are taken.
std::shared_ptr<StreamPlace> TakeStreamPlace(Server& server) {
  std::lock_guard<std::mutex> lock(server.mutex);
  if (server.event_streams >= kEventStreamLimit) return nullptr;
  ++server.event_streams;
  return std::make_shared<StreamPlace>(server);
}

// A body declared larger than the server reads, or of a length not declared.
bool BodyTooLarge(const httplib::Request& request) {
  if (request.has_header("Transfer-Encoding")) return true;
  const std::string length = request.get_header_value("Content-Length");
  return !length.empty() && (length.size() > 18 || length.find_first_not_of("0123456789") !=
                                                       std::string::npos ||
                             std::stoull(length) > kBodyLimit);
}

// A request names this server by its address: a page of some other site
// whose name was made to point at this computer (DNS rebinding) gets
// nothing.
bool AddressedHere(const Server& server, const httplib::Request& request) {
  const std::string host = request.get_header_value("Host");
  const std::string port = ":" + std::to_string(server.port);
  return host == kHost + port || host == "localhost" + port;
}

// The events of one page: a change after `after`, or a comment now and then.
bool SendEvents(Server& server, std::uint64_t& after, httplib::DataSink& sink) {
  std::unique_lock<std::mutex> lock(server.mutex);
  server.changed.wait_for(lock, kKeepAliveEvery,
                          [&] { return server.stopping || server.generation > after; });
  if (server.stopping) {
    lock.unlock();
    sink.done();
    return false;
  }
  std::string event = ": watching\n\n";
  if (server.generation > after) {
    after = server.generation;
    event = ChangeEvent(after);
  }
  lock.unlock();
  return sink.write(event.data(), event.size());
}

void Refuse(httplib::Response& response, int status, const std::string& why) {
  response.status = status;
  response.set_header("Connection", "close");
  response.set_content(why, "text/plain");
}

void Route(Server& server) {
  server.http.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
  // One request a connection: what follows a request refused (a body) is
  // never read as another, and an idle connection is never kept.
  server.http.set_keep_alive_max_count(1);
  server.http.set_keep_alive_timeout(1);  // a stop waits no longer for an idle connection
  server.http.set_read_timeout(kStallTimeout);
  server.http.set_write_timeout(kStallTimeout);
  server.http.set_payload_max_length(kBodyLimit);
  // The port of a server that has just ended may be taken again at once,
  // never one that another serves (httplib's own options allow both).
  server.http.set_socket_options([](socket_t socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server.http.set_pre_routing_handler(
      [&server](const httplib::Request& request, httplib::Response& response) {
        if (!AddressedHere(server, request)) {
          Refuse(response, 403,
                 std::string("open the page at its address: http://") + kHost + ":" +
                     std::to_string(server.port) + "/\n");
        } else if (BodyTooLarge(request)) {
          Refuse(response, 413,
                 "the page server reads no body past " + std::to_string(kBodyLimit) + " bytes\n");
        } else {
          return httplib::Server::HandlerResponse::Unhandled;
        }
        return httplib::Server::HandlerResponse::Handled;
      });
  server.http.Get("/", [&server](const httplib::Request&, httplib::Response& response) {
    std::lock_guard<std::mutex> lock(server.mutex);
    response.set_header("Cache-Control", "no-store");
    response.set_content(ServedPage(server.page, server.generation), "text/html; charset=utf-8");
  });
  server.http.Get(kWatchEventsPath, [&server](const httplib::Request& request,
                                              httplib::Response& response) {
    std::uint64_t after = 0;
    {
      std::lock_guard<std::mutex> lock(server.mutex);
      after = server.generation;
    }
    try {
      if (request.has_param("after")) after = std::stoull(request.get_param_value("after"));
    } catch (const std::exception&) {
      // Not a page of this server: it hears of the next change.
    }
    std::shared_ptr<StreamPlace> place = TakeStreamPlace(server);
    if (place == nullptr) {
      Refuse(response, 503,
             "too many pages open (" + std::to_string(kEventStreamLimit) +
                 "): close some; this one is not reloaded\n");
      return;
    }
    response.set_header("Cache-Control", "no-store");
    response.set_chunked_content_provider(
        "text/event-stream",
        [&server, after, place](std::size_t, httplib::DataSink& sink) mutable {
          return SendEvents(server, after, sink);
        });
  });
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
    Route(*server);
    *bound = port == 0 ? server->http.bind_to_any_port(kHost)
                       : (server->http.bind_to_port(kHost, port) ? port : -1);
    if (*bound <= 0) {
      Say(std::string("cannot listen on ") + kHost + ":" + std::to_string(port) +
              (port == 0 ? "" : ": the port may be taken; give another with --port, or 0 for any"),
          error, error_size);
      return nullptr;
    }
    server->port = *bound;
    Server& started = *server;
    started.listening = std::thread([&started] { started.http.listen_after_bind(); });
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

__attribute__((visibility("default"))) void packager_page_server_stop(void* handle) {
  Server* server = static_cast<Server*>(handle);
  {
    std::lock_guard<std::mutex> lock(server->mutex);
    server->stopping = true;
  }
  server->changed.notify_all();
  server->http.stop();
  if (server->listening.joinable()) server->listening.join();
  delete server;
}

}  // extern "C"

static_assert(std::is_same_v<decltype(&packager_page_server_start), PageServerStart>);
static_assert(std::is_same_v<decltype(&packager_page_server_publish), PageServerPublish>);
static_assert(std::is_same_v<decltype(&packager_page_server_stop), PageServerStop>);
