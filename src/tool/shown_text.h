// ShownText lives in explain/shown_text.h; diagnostic_formats.cc still reaches
// it by this name, in this namespace, until it includes that header.
#pragma once

#include "explain/shown_text.h"

namespace packager::tool {

using explain::Controls;
using explain::ShownFaultReport;
using explain::ShownText;
using explain::Utf8CharacterLength;

}  // namespace packager::tool
