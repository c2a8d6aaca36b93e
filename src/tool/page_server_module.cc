// The page server module (tool/page_server_module.h), made with cpp-httplib.
#include "tool/page_server_module.h"

#include <chrono>
#include <condition_variable>
#include <algorithm>
#include <cstring>
#include <exception>
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

struct Server {
  httplib::Server http;
  std::thread listening;
  std::mutex mutex;
  std::condition_variable changed;
  std::string page;              // under mutex
  std::uint64_t generation = 0;  // under mutex: pages published
  bool stopping = false;         // under mutex
  int port = 0;                  // set before the first request
};

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

void Route(Server& server) {
  server.http.set_keep_alive_timeout(1);  // a stop waits no longer for an idle connection
  // The port of a server that has just ended may be taken again at once,
  // never one that another serves (httplib's own options allow both).
  server.http.set_socket_options([](socket_t socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server.http.set_pre_routing_handler(
      [&server](const httplib::Request& request, httplib::Response& response) {
        if (AddressedHere(server, request)) return httplib::Server::HandlerResponse::Unhandled;
        response.status = 403;
        response.set_content(std::string("open the page at its address: http://") + kHost + ":" +
                                 std::to_string(server.port) + "/\n",
                             "text/plain");
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
    response.set_header("Cache-Control", "no-store");
    response.set_chunked_content_provider(
        "text/event-stream", [&server, after](std::size_t, httplib::DataSink& sink) mutable {
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
