// The page server on Winsock alone: one thread, made by CreateThread (the
// MinGW of the win32 thread model has no std::thread), runs a select() loop
// over the listening socket and its clients. Each client sends a request
// head; "/" is answered with the page and closed, kWatchEventsPath is kept
// open as a stream of server-sent events. No body is read.
#include "tool/page_server.h"

// select() sees this many sockets (Winsock's own default is 64): the
// listening one and kClientLimit clients.
#define FD_SETSIZE 512
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "tool/http_head.h"
#include "tool/watch.h"

namespace packager::tool {

namespace {

using http::kBodyLimit;
using http::kHeadLimit;
using http::ParseHead;
using http::QueryValue;
using http::Request;
using http::Response;

// The loop looks this often whether a page was published or Stop called.
constexpr long kLoopMilliseconds = 200;
// An open page hears this often that the server is still there; a page
// closed is noticed by then.
constexpr ULONGLONG kKeepAliveMilliseconds = 10'000;
// A request head longer than tool/http_head.h allows, or not ended in this
// time, is refused.
constexpr ULONGLONG kHeadMilliseconds = 10'000;
// A client that has not taken its answer in this time is dropped, and one
// that reads no events while this much waits for it.
constexpr ULONGLONG kAnswerMilliseconds = 30'000;
constexpr std::size_t kPendingLimit = 4 * 1024 * 1024;
constexpr std::size_t kClientLimit = FD_SETSIZE - 1;
// Event streams past this are refused (503), so that at least half the
// places are left for pages and slow clients.
constexpr std::size_t kEventStreamLimit = kClientLimit / 4;

struct Client {
  SOCKET socket = INVALID_SOCKET;
  std::string head;     // the request as read so far
  std::string pending;  // to send
  bool answered = false;
  bool events = false;           // a stream of events, kept open
  std::uint64_t after = 0;       // events: the last page it heard of
  ULONGLONG since = 0;  // the head's start, then the answer's or the last event's
};

}  // namespace

struct PageServer::State {
  State() { InitializeCriticalSection(&lock); }
  ~State() { DeleteCriticalSection(&lock); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  CRITICAL_SECTION lock;
  std::string page;              // under lock
  std::uint64_t generation = 0;  // under lock: pages published
  bool stopping = false;         // under lock

  bool winsock = false;  // WSAStartup done
  SOCKET listener = INVALID_SOCKET;
  HANDLE thread = nullptr;
  int port = 0;
  std::vector<Client> clients;  // the thread's alone

  static DWORD WINAPI Run(LPVOID state);
  void Serve();
  void Answer(Client& client);
  bool Receive(Client& client);
  bool Flush(Client& client);
};

DWORD WINAPI PageServer::State::Run(LPVOID state) {
  try {
    static_cast<State*>(state)->Serve();
  } catch (const std::exception&) {
    // Out of memory: the page is no longer served; watch goes on writing it.
  }
  return 0;
}

namespace {

void CloseClient(Client& client) {
  if (client.socket != INVALID_SOCKET) closesocket(client.socket);
  client.socket = INVALID_SOCKET;
}

}  // namespace

// The answer to a whole head: a page of some other site whose name was made
// to point at this computer (DNS rebinding) gets nothing.
void PageServer::State::Answer(Client& client) {
  client.answered = true;
  const Request request = ParseHead(client.head);
  client.head.clear();
  client.head.shrink_to_fit();
  client.since = GetTickCount64();
  const std::string suffix = ":" + std::to_string(port);
  if (request.host != kPageServerHost + suffix && request.host != "localhost" + suffix) {
    client.pending = Response("403 Forbidden", "text/plain",
                              std::string("open the page at its address: http://") +
                                  kPageServerHost + suffix + "/\n");
    return;
  }
  if (request.body_too_large) {
    client.pending = Response("413 Payload Too Large", "text/plain",
                              "the page server reads no body past " + std::to_string(kBodyLimit) +
                                  " bytes\n");
    return;
  }
  if (request.method != "GET") {
    client.pending = Response("405 Method Not Allowed", "text/plain", "only GET is served\n");
    return;
  }
  EnterCriticalSection(&lock);
  const std::uint64_t now = generation;
  std::string served;
  if (request.path == "/") {
    try {
      served = ServedPage(page, generation);
    } catch (...) {
      LeaveCriticalSection(&lock);
      throw;
    }
  }
  LeaveCriticalSection(&lock);
  if (request.path == "/") {
    client.pending = Response("200 OK", "text/html; charset=utf-8", served);
  } else if (request.path == kWatchEventsPath &&
             std::count_if(clients.begin(), clients.end(),
                           [](const Client& other) { return other.events; }) >=
                 static_cast<std::ptrdiff_t>(kEventStreamLimit)) {
    client.pending = Response("503 Service Unavailable", "text/plain",
                              "too many pages open (" + std::to_string(kEventStreamLimit) +
                                  "): close some; this one is not reloaded\n");
  } else if (request.path == kWatchEventsPath) {
    client.events = true;
    client.after = now;
    std::string after;
    if (QueryValue(request.query, "after", after) && !after.empty() && after.size() < 20 &&
        std::all_of(after.begin(), after.end(),
                    [](char c) { return c >= '0' && c <= '9'; })) {
      client.after = std::stoull(after);
    }
    // Not a page of this server, without `after`: it hears of the next change.
    client.since = GetTickCount64();
    client.pending =
        "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n"
        "Connection: close\r\n\r\n";
  } else {
    client.pending = Response("404 Not Found", "text/plain", "not here: the page is at /\n");
  }
}

// Reads what the client sent; false when it is to be closed.
bool PageServer::State::Receive(Client& client) {
  char buffer[4096];
  const int got = recv(client.socket, buffer, sizeof buffer, 0);
  if (got < 0) return WSAGetLastError() == WSAEWOULDBLOCK;
  // A client that ends its side after the request still hears the answer.
  if (got == 0) return client.answered && !client.events && !client.pending.empty();
  if (client.answered) return true;  // what follows a request is not read
  client.head.append(buffer, static_cast<std::size_t>(got));
  if (client.head.size() > kHeadLimit) {
    client.answered = true;
    client.head.clear();
    client.pending = Response("431 Request Header Fields Too Large", "text/plain",
                              "the request head is too long\n");
  } else if (client.head.find("\r\n\r\n") != std::string::npos ||
             client.head.find("\n\n") != std::string::npos) {
    Answer(client);
  }
  return true;
}

// Sends what waits; false when the client is to be closed: an error, or an
// answer that is whole.
bool PageServer::State::Flush(Client& client) {
  while (!client.pending.empty()) {
    const int chunk = static_cast<int>(std::min<std::size_t>(client.pending.size(), 64 * 1024));
    const int sent = send(client.socket, client.pending.data(), chunk, 0);
    if (sent < 0) return WSAGetLastError() == WSAEWOULDBLOCK;
    client.pending.erase(0, static_cast<std::size_t>(sent));
  }
  if (client.answered && !client.events) {
    shutdown(client.socket, SD_SEND);
    return false;
  }
  return true;
}

void PageServer::State::Serve() {
  for (;;) {
    EnterCriticalSection(&lock);
    const bool stop = stopping;
    const std::uint64_t latest = generation;
    LeaveCriticalSection(&lock);
    if (stop) break;

    // The events due: a change since the client's last, or a comment.
    const ULONGLONG now = GetTickCount64();
    for (Client& client : clients) {
      if (!client.events) continue;
      if (latest > client.after) {
        client.after = latest;
        client.pending += ChangeEvent(latest);
        client.since = now;
      } else if (now - client.since >= kKeepAliveMilliseconds) {
        client.pending += ": watching\n\n";
        client.since = now;
      }
    }

    fd_set readable;
    fd_set writable;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_SET(listener, &readable);
    for (const Client& client : clients) {
      FD_SET(client.socket, &readable);
      if (!client.pending.empty()) FD_SET(client.socket, &writable);
    }
    timeval timeout{0, kLoopMilliseconds * 1000};
    const int ready = select(0, &readable, &writable, nullptr, &timeout);
    if (ready == SOCKET_ERROR) {
      Sleep(kLoopMilliseconds);
      continue;
    }

    for (Client& client : clients) {
      bool keep = true;
      if (FD_ISSET(client.socket, &readable)) keep = Receive(client);
      if (keep && !client.pending.empty() && FD_ISSET(client.socket, &writable)) {
        keep = Flush(client);
      } else if (keep && client.answered && !client.events && client.pending.empty()) {
        keep = Flush(client);
      }
      if (keep && !client.answered && now - client.since >= kHeadMilliseconds) keep = false;
      if (keep && client.answered && !client.events && now > client.since &&
          now - client.since >= kAnswerMilliseconds) {
        keep = false;  // (an answer made in this round is younger than `now`)
      }
      if (keep && client.pending.size() > kPendingLimit) keep = false;
      if (!keep) CloseClient(client);
    }
    clients.erase(std::remove_if(clients.begin(), clients.end(),
                                 [](const Client& client) {
                                   return client.socket == INVALID_SOCKET;
                                 }),
                  clients.end());

    if (FD_ISSET(listener, &readable)) {
      const SOCKET accepted = accept(listener, nullptr, nullptr);
      if (accepted == INVALID_SOCKET) continue;
      if (clients.size() >= kClientLimit) {
        closesocket(accepted);  // too many open pages: this one tries again
        continue;
      }
      u_long nonblocking = 1;
      ioctlsocket(accepted, FIONBIO, &nonblocking);
      Client client;
      client.socket = accepted;
      client.since = GetTickCount64();
      clients.push_back(std::move(client));
    }
  }
  for (Client& client : clients) CloseClient(client);
  clients.clear();
}

PageServer::PageServer() : state_(std::make_unique<State>()) {}

PageServer::~PageServer() { Stop(); }

int PageServer::Start(int port, std::ostream& err) {
  State& state = *state_;
  const auto refuse = [&](const std::string& why) {
    err << "scenario-tool watch: " << why << "\n";
    Stop();
    return 0;
  };
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
    return refuse("cannot serve the page: Windows sockets do not start");
  }
  state.winsock = true;
  state.listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (state.listener == INVALID_SOCKET) {
    return refuse("cannot serve the page: no socket (error " +
                  std::to_string(WSAGetLastError()) + ")");
  }
  // A port that another program serves is refused, never shared.
  const BOOL exclusive = TRUE;
  setsockopt(state.listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
             reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  inet_pton(AF_INET, kPageServerHost, &address.sin_addr);
  if (bind(state.listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(state.listener, SOMAXCONN) != 0) {
    return refuse(std::string("cannot listen on ") + kPageServerHost + ":" +
                  std::to_string(port) +
                  (port == 0 ? "" : ": the port may be taken; give another with --port, or 0 for any"));
  }
  int size = sizeof address;
  if (getsockname(state.listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    return refuse("cannot serve the page: the port bound is unknown");
  }
  state.port = ntohs(address.sin_port);
  u_long nonblocking = 1;
  ioctlsocket(state.listener, FIONBIO, &nonblocking);
  state.thread = CreateThread(nullptr, 0, State::Run, &state, 0, nullptr);
  if (state.thread == nullptr) {
    return refuse("cannot serve the page: no thread (error " + std::to_string(GetLastError()) +
                  ")");
  }
  return state.port;
}

void PageServer::Publish(const std::string& page) {
  EnterCriticalSection(&state_->lock);
  try {
    state_->page = page;
    ++state_->generation;
  } catch (const std::exception&) {
    // No memory for the page: the old one stays served.
  }
  LeaveCriticalSection(&state_->lock);
}

void PageServer::Stop() {
  State& state = *state_;
  if (state.thread != nullptr) {
    EnterCriticalSection(&state.lock);
    state.stopping = true;
    LeaveCriticalSection(&state.lock);
    WaitForSingleObject(state.thread, INFINITE);
    CloseHandle(state.thread);
    state.thread = nullptr;
  }
  if (state.listener != INVALID_SOCKET) closesocket(state.listener);
  state.listener = INVALID_SOCKET;
  if (state.winsock) WSACleanup();
  state.winsock = false;
}

}  // namespace packager::tool
