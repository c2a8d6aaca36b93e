#include "tool/page_server.h"

namespace packager::tool {

struct PageServer::State {};

PageServer::PageServer() = default;
PageServer::~PageServer() = default;
bool PageServer::Available() { return false; }
int PageServer::Start(int /*port*/, std::ostream& /*err*/) { return 0; }
void PageServer::Publish(const std::string& /*page*/) {}
void PageServer::Stop() {}

}  // namespace packager::tool
