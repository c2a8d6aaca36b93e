// The page server of watch: the report page on http://127.0.0.1:PORT/, with
// a script that reloads it when a new page is published (ServedPage of
// tool/watch.h), and the server-sent events that tell it so.
//
// On Linux the server lives in a module of its own beside scenario-tool
// (tool/page_server_module.h), loaded by watch alone (page_server_posix.cc),
// with a thread for each connection. On Windows, whose MinGW of the win32
// thread model has no std::thread, it is a thread of its own on Winsock alone
// (page_server_windows.cc). Either reads a request head within a size and a
// time bound, so that no client holds up another.
#pragma once

#include <memory>
#include <ostream>
#include <string>

namespace packager::tool {

class PageServer {
 public:
  PageServer();
  ~PageServer();  // stops
  PageServer(const PageServer&) = delete;
  PageServer& operator=(const PageServer&) = delete;

  // Listens on 127.0.0.1:port, or a port the system chooses for 0. Returns
  // the port, or 0 after a line on err that says why not.
  int Start(int port, std::ostream& err);

  // Serves `page` from now on; the pages open reload themselves.
  void Publish(const std::string& page);

  // Ends every connection and the server; a second call does nothing.
  void Stop();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace packager::tool
