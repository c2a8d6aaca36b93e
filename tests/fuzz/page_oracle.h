// The promises that check_fuzzer checks of the texts the tool writes for
// authors: UTF-8 throughout, and in the report page no markup but the page's
// own, whatever the scenario's texts hold.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"

namespace packager::fuzz {

// The elements and attributes of the report page and its inline pictures.
inline const std::set<std::string_view> kPageTags = {
    "html", "head", "meta", "title", "style", "body",     "h1",      "h2",     "h3",     "p",
    "span", "div",  "b",    "pre",   "table", "tr",       "th",      "td",     "svg",
    "g",    "rect", "line", "text",  "tspan", "polyline", "polygon", "circle", "path"};
// clang-format off
inline const std::set<std::string_view> kPageAttributes = {
    "lang", "charset", "class", "id", "xmlns", "version", "width", "height", "viewBox", "x", "y",
    "x1", "y1", "x2", "y2", "dx", "dy", "cx", "cy", "r", "d", "points", "fill", "stroke",
    "stroke-width", "stroke-dasharray", "stroke-linecap", "stroke-linejoin", "font-family",
    "font-size", "font-weight", "text-anchor", "transform", "opacity", "fill-opacity",
    "dominant-baseline", "colspan", "xml:space"};
// clang-format on

// Where strict UTF-8 (no overlong form, no surrogate, nothing beyond
// U+10FFFF) ends in the text: its size when it is UTF-8 throughout.
inline std::size_t Utf8Length(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    std::size_t length = 1;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;  // the range of the byte after the lead
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return i;
    }
    if (text.size() - i < length || byte(i + 1) < low || byte(i + 1) > high) return i;
    for (std::size_t k = 2; k < length; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) return i;
    }
    i += length;
  }
  return text.size();
}

// Stops unless the text is UTF-8, showing what comes before its first fault.
inline void RequireUtf8(std::string_view text, const std::string& what) {
  const std::size_t length = Utf8Length(text);
  if (length == text.size()) return;
  const std::size_t from = length > 60 ? length - 60 : 0;
  Require(false, what + " is UTF-8, but not at byte " + std::to_string(length) +
                     ", after: " + std::string(text.substr(from, length - from)));
}

inline bool IsNameChar(char c, bool first) {
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  return letter || (!first && ((c >= '0' && c <= '9') || c == '-' || c == ':'));
}

// The name at `at`, which is moved past it.
inline std::string_view NameAt(std::string_view page, std::size_t& at) {
  const std::size_t start = at;
  while (at < page.size() && IsNameChar(page[at], at == start)) ++at;
  return page.substr(start, at - start);
}

// Stops on a broken promise about the page at byte `at`, which it shows.
inline void RequireOfPage(bool holds, std::string_view page, std::size_t at, const char* property) {
  if (holds) return;
  Require(false, std::string(property) + " (at byte " + std::to_string(at) + ": " +
                     std::string(page.substr(at, 60)) + ")");
}

inline bool IsEntity(std::string_view page, std::size_t at) {
  const std::string_view rest = page.substr(at, 6);
  for (const std::string_view known : {"&amp;", "&lt;", "&gt;", "&quot;", "&#"}) {
    if (rest.substr(0, known.size()) == known) return true;
  }
  return false;
}

// The tag that starts at page[at] == '<'; returns where it ends.
inline std::size_t CheckTag(std::string_view page, std::size_t at) {
  constexpr std::string_view kDoctype = "<!DOCTYPE html>";
  if (page.substr(at, kDoctype.size()) == kDoctype) return at + kDoctype.size();
  std::size_t i = at + 1;
  const bool closing = i < page.size() && page[i] == '/';
  if (closing) ++i;
  RequireOfPage(kPageTags.count(NameAt(page, i)) != 0, page, at,
                "every '<' of the page starts a tag of its own");
  for (;;) {
    while (i < page.size() && (page[i] == ' ' || page[i] == '\n')) ++i;
    RequireOfPage(i < page.size(), page, at, "every tag of the page ends");
    if (page[i] == '>') return i + 1;
    if (!closing && page.substr(i, 2) == "/>") return i + 2;
    RequireOfPage(!closing, page, at, "a closing tag holds no attribute");
    const std::string_view attribute = NameAt(page, i);
    RequireOfPage(kPageAttributes.count(attribute) != 0 || attribute.starts_with("data-"), page, at,
                  "every attribute of the page is one of its own");
    RequireOfPage(page.substr(i, 2) == "=\"", page, at, "every attribute value is quoted");
    const std::size_t close = page.find('"', i + 2);
    RequireOfPage(close != std::string_view::npos, page, at, "every attribute value ends");
    for (std::size_t k = i + 2; k < close; ++k) {
      RequireOfPage(page[k] != '<', page, k, "no '<' in an attribute value");
      if (page[k] == '&') RequireOfPage(IsEntity(page, k), page, k, "every '&' starts an entity");
    }
    i = close + 1;
  }
}

// The page is UTF-8, and its markup is its own: every '<' starts one of its
// tags (or its doctype), every attribute is one of its names with a quoted
// value, and every '&' starts an entity. Stops the process otherwise.
inline void RequireOwnMarkupOnly(std::string_view page) {
  RequireUtf8(page, "the report page");
  constexpr std::string_view kStyle = "<style>";
  for (std::size_t at = 0; at < page.size();) {
    if (page[at] == '<') {
      const bool style = page.substr(at, kStyle.size()) == kStyle;
      at = CheckTag(page, at);
      if (style) {  // the style sheet holds no markup
        at = page.find("</style>", at);
        RequireOfPage(at != std::string_view::npos, page, 0, "the style sheet ends");
      }
      continue;
    }
    if (page[at] == '&') RequireOfPage(IsEntity(page, at), page, at, "every '&' starts an entity");
    ++at;
  }
}

}  // namespace packager::fuzz
