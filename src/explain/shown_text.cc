#include "explain/shown_text.h"

#include <cstdint>

#include "tables/windows1252.h"

namespace packager::explain {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendByteEscape(std::string& shown, unsigned char byte) {
  shown += "\\x";
  shown += kHex[byte >> 4];
  shown += kHex[byte & 0xF];
}

}  // namespace

std::size_t Utf8CharacterLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  std::uint32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) return 0;
    value = value << 6 | (next & 0x3F);
  }
  // Overlong forms, surrogates and values beyond U+10FFFF are no characters.
  const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
  if (overlong || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return 0;
  return length;
}

std::string ShownText(std::string_view text, Controls controls) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = Utf8CharacterLength(text.substr(at));
    const auto byte = static_cast<unsigned char>(text[at]);
    if (length == 0) {
      AppendByteEscape(shown, byte);
      ++at;
      continue;
    }
    if (controls == Controls::kEscaped) {
      if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
        AppendByteEscape(shown, byte);
        ++at;
        continue;
      }
      const auto second = length == 2 ? static_cast<unsigned char>(text[at + 1]) : 0;
      if (byte == 0xC2 && second >= 0x80 && second <= 0x9F) {  // U+0080 to U+009F
        shown += "\\u00";
        shown += kHex[second >> 4];
        shown += kHex[second & 0xF];
        at += 2;
        continue;
      }
    }
    shown.append(text, at, length);
    at += length;
  }
  return shown;
}

std::string ShownFaultReport(RecordedFault fault) {
  fault.source.detail = Utf8From1252(fault.source.detail);
  return ShownText(FaultReport(fault), Controls::kEscaped);
}

}  // namespace packager::explain
