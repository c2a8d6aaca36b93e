#include "version/version.h"

namespace packager {

// PACKAGER_VERSION comes from the build (src/version/CMakeLists.txt), for this
// one file alone: a new version compiles nothing else.
std::string_view ProjectVersion() { return PACKAGER_VERSION; }

}  // namespace packager
