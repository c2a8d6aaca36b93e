// ShownText lives in explain/shown_text.h; the checker's files still reach
// it by this name, in this namespace, until they include that header.
#pragma once

#include "explain/shown_text.h"

namespace packager::tool {

using explain::Controls;
using explain::ShownFaultReport;
using explain::ShownText;
using explain::Utf8CharacterLength;

}  // namespace packager::tool
