// Text made safe for XML and HTML, for the pictures and the report page.
#pragma once

#include <string>

namespace packager::render {

// Text for an element or an attribute value: as ShownText shows it, control
// characters (which XML cannot hold) escaped, then &, <, > and " escaped.
std::string XmlEscaped(const std::string& utf8);

}  // namespace packager::render
