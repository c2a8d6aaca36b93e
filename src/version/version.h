// What the version library offers: the version of the project's programs,
// as the top CMakeLists.txt declares it (project(... VERSION ...)); the
// packager and scenario-tool print it for --version.
#pragma once

#include <string_view>

namespace packager {

// "MAJOR.MINOR.PATCH", e.g. "1.0.0".
std::string_view ProjectVersion();

}  // namespace packager
