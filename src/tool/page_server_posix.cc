#include "tool/page_server.h"

#include <dlfcn.h>

#include "tool/output_file.h"
#include "tool/page_server_module.h"

namespace packager::tool {

struct PageServer::State {
  void* module = nullptr;
  PageServerPublish publish = nullptr;
  PageServerStop stop = nullptr;
  void* server = nullptr;
};

PageServer::PageServer() : state_(std::make_unique<State>()) {}

PageServer::~PageServer() { Stop(); }

int PageServer::Start(int port, std::ostream& err) {
  const std::string path = PathBesideTool(PACKAGER_PAGE_SERVER_MODULE);
  state_->module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (state_->module == nullptr) {
    const char* why = dlerror();
    err << "scenario-tool watch: cannot load the page server " << path << ": "
        << (why != nullptr ? why : "unknown error")
        << " (building scenario-tool builds it beside the program)\n";
    return 0;
  }
  const auto start =
      reinterpret_cast<PageServerStart>(dlsym(state_->module, PACKAGER_PAGE_SERVER_START));
  state_->publish =
      reinterpret_cast<PageServerPublish>(dlsym(state_->module, PACKAGER_PAGE_SERVER_PUBLISH));
  state_->stop = reinterpret_cast<PageServerStop>(dlsym(state_->module, PACKAGER_PAGE_SERVER_STOP));
  if (start == nullptr || state_->publish == nullptr || state_->stop == nullptr) {
    err << "scenario-tool watch: " << path
        << " is not the page server of this scenario-tool: build scenario-tool again\n";
    return 0;
  }
  char error[512] = {};
  int bound = 0;
  state_->server = start(port, &bound, error, sizeof error);
  if (state_->server == nullptr) {
    err << "scenario-tool watch: " << error << "\n";
    return 0;
  }
  return bound;
}

void PageServer::Publish(const std::string& page) {
  if (state_->server != nullptr) state_->publish(state_->server, page.data(), page.size());
}

void PageServer::Stop() {
  if (state_->server != nullptr) state_->stop(state_->server);
  state_->server = nullptr;
  // The module stays loaded: its threads are gone, but a library's own
  // (OpenSSL's) may not be.
}

}  // namespace packager::tool
