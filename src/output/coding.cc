#include "output/coding.h"

#include <bit>
#include <stdexcept>

namespace packager {

namespace {

// Appends the low `count` bytes of bits, least significant first.
void AppendLittleEndian(std::string& out, std::uint64_t bits, int count) {
  for (int i = 0; i < count; ++i) {
    out.push_back(static_cast<char>(static_cast<std::uint8_t>(bits >> (8 * i))));
  }
}

}  // namespace

void AppendU8(std::string& out, std::uint8_t value) { AppendLittleEndian(out, value, 1); }

void AppendU16(std::string& out, std::uint16_t value) { AppendLittleEndian(out, value, 2); }

void AppendI16(std::string& out, std::int16_t value) {
  AppendLittleEndian(out, static_cast<std::uint16_t>(value), 2);
}

void AppendI32(std::string& out, std::int32_t value) {
  AppendLittleEndian(out, static_cast<std::uint32_t>(value), 4);
}

void AppendF64(std::string& out, double value) {
  AppendLittleEndian(out, std::bit_cast<std::uint64_t>(value), 8);
}

void AppendText(std::string& out, std::string_view text) {
  if (text.size() > kMaxTextBytes) {
    throw std::length_error("a text of " + std::to_string(text.size()) +
                            " bytes does not fit a 16-bit count (at most " +
                            std::to_string(kMaxTextBytes) + " bytes)");
  }
  AppendU16(out, static_cast<std::uint16_t>(text.size()));
  out.append(text);
}

}  // namespace packager
