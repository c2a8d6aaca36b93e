// The page server module's entry points, plain C so that the module and the
// tool share no C++ runtime: scenario-tool carries its own, the module uses
// the system's. PageServer (tool/page_server.h) loads it.
#pragma once

#include <cstddef>

// The module's file name, beside scenario-tool, comes from the build:
// PACKAGER_PAGE_SERVER_MODULE.

extern "C" {

// Listens on 127.0.0.1:port (0: a port the system chooses) and serves in
// threads of its own. Returns the server and its port in *bound, or null
// with a message in error (error_size bytes, ended by a NUL).
using PageServerStart = void* (*)(int port, int* bound, char* error, std::size_t error_size);
// The page to serve from now on, as written to disk; open pages reload.
using PageServerPublish = void (*)(void* server, const char* page, std::size_t size);
// Ends every connection and the server, and frees it.
using PageServerStop = void (*)(void* server);

}

#define PACKAGER_PAGE_SERVER_START "packager_page_server_start"
#define PACKAGER_PAGE_SERVER_PUBLISH "packager_page_server_publish"
#define PACKAGER_PAGE_SERVER_STOP "packager_page_server_stop"
