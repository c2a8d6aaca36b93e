#include "tables/coding.h"

#include <stdexcept>

namespace packager {

namespace {

template <std::size_t kSize, typename Value, typename Encode>
void AppendEncoded(std::string& out, Value value, Encode encode) {
  char bytes[kSize];
  encode(bytes, value);
  out.append(bytes, kSize);
}

}  // namespace

void AppendU8(std::string& out, std::uint8_t value) { out.push_back(static_cast<char>(value)); }
void AppendU16(std::string& out, std::uint16_t value) { AppendEncoded<2>(out, value, EncodeU16); }
void AppendI16(std::string& out, std::int16_t value) { AppendEncoded<2>(out, value, EncodeI16); }
void AppendI32(std::string& out, std::int32_t value) { AppendEncoded<4>(out, value, EncodeI32); }
void AppendU32(std::string& out, std::uint32_t value) { AppendEncoded<4>(out, value, EncodeU32); }
void AppendU64(std::string& out, std::uint64_t value) { AppendEncoded<8>(out, value, EncodeU64); }
void AppendF64(std::string& out, double value) { AppendEncoded<8>(out, value, EncodeF64); }

void RequireTextFits(std::string_view text) {
  if (text.size() > kMaxTextBytes) {
    throw std::length_error("a text of " + std::to_string(text.size()) +
                            " bytes does not fit a 16-bit count (at most " +
                            std::to_string(kMaxTextBytes) + " bytes)");
  }
}

void AppendText(std::string& out, std::string_view text) {
  RequireTextFits(text);
  AppendU16(out, static_cast<std::uint16_t>(text.size()));
  out.append(text);
}

}  // namespace packager
