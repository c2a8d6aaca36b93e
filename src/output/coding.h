// The little-endian appends that every binary file is built from.
//
// Each function appends one value to the end of a byte buffer, least
// significant byte first; signed numbers are written in two's complement.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace packager {

void AppendU8(std::string& out, std::uint8_t value);
void AppendU16(std::string& out, std::uint16_t value);
void AppendI16(std::string& out, std::int16_t value);
void AppendI32(std::string& out, std::int32_t value);
// The IEEE 754 binary64 bits of the value.
void AppendF64(std::string& out, double value);

// The largest text a 16-bit count can describe.
inline constexpr std::size_t kMaxTextBytes = 0xFFFF;

// A 16-bit count n followed by the n bytes of the text, with no terminator.
// A text longer than kMaxTextBytes throws std::length_error and leaves the
// buffer as it was.
void AppendText(std::string& out, std::string_view text);

}  // namespace packager
