#include "render/markup.h"

#include "explain/shown_text.h"

namespace packager::render {

using explain::Controls;
using explain::ShownText;

std::string XmlEscaped(const std::string& utf8) {
  std::string escaped;
  for (const char c : ShownText(utf8, Controls::kEscaped)) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

}  // namespace packager::render
