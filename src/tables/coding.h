// Every fixed-width little-endian value the binary files hold, written and
// read in one place.
//
// Numbers go least significant byte first; signed numbers in two's
// complement, reals as their IEEE 754 binary64 bits. The Encode functions
// write into a buffer the caller has sized, the Append functions grow a
// string, the Decode functions read from bytes the caller has checked to be
// there. None of them depends on the byte order of the machine.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

namespace packager {

inline void EncodeU8(char* out, std::uint8_t value) { out[0] = static_cast<char>(value); }
inline void EncodeU16(char* out, std::uint16_t value) {
  out[0] = static_cast<char>(value & 0xFF);
  out[1] = static_cast<char>(value >> 8);
}
inline void EncodeI16(char* out, std::int16_t value) {
  EncodeU16(out, static_cast<std::uint16_t>(value));
}
// Spelled out byte by byte: compilers merge such stores into one on a
// little-endian machine, where a loop would stay a loop.
inline void EncodeU32(char* out, std::uint32_t value) {
  out[0] = static_cast<char>(value & 0xFF);
  out[1] = static_cast<char>((value >> 8) & 0xFF);
  out[2] = static_cast<char>((value >> 16) & 0xFF);
  out[3] = static_cast<char>((value >> 24) & 0xFF);
}
inline void EncodeI32(char* out, std::int32_t value) {
  EncodeU32(out, static_cast<std::uint32_t>(value));
}
inline void EncodeF64(char* out, double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  EncodeU32(out, static_cast<std::uint32_t>(bits));
  EncodeU32(out + 4, static_cast<std::uint32_t>(bits >> 32));
}

inline std::uint8_t DecodeU8(const char* in) { return static_cast<std::uint8_t>(in[0]); }
inline std::uint16_t DecodeU16(const char* in) {
  return static_cast<std::uint16_t>(DecodeU8(in) | (DecodeU8(in + 1) << 8));
}
inline std::int16_t DecodeI16(const char* in) { return static_cast<std::int16_t>(DecodeU16(in)); }
inline std::uint32_t DecodeU32(const char* in) {
  return static_cast<std::uint32_t>(DecodeU8(in)) |
         (static_cast<std::uint32_t>(DecodeU8(in + 1)) << 8) |
         (static_cast<std::uint32_t>(DecodeU8(in + 2)) << 16) |
         (static_cast<std::uint32_t>(DecodeU8(in + 3)) << 24);
}
inline std::int32_t DecodeI32(const char* in) { return static_cast<std::int32_t>(DecodeU32(in)); }
inline double DecodeF64(const char* in) {
  const std::uint64_t bits = DecodeU32(in) | (static_cast<std::uint64_t>(DecodeU32(in + 4)) << 32);
  return std::bit_cast<double>(bits);
}

void AppendU8(std::string& out, std::uint8_t value);
void AppendU16(std::string& out, std::uint16_t value);
void AppendI16(std::string& out, std::int16_t value);
void AppendI32(std::string& out, std::int32_t value);
void AppendF64(std::string& out, double value);

// The largest text a 16-bit count can describe.
inline constexpr std::size_t kMaxTextBytes = 0xFFFF;

// A 16-bit count n followed by the n bytes of the text, with no terminator.
// A text longer than kMaxTextBytes throws std::length_error and leaves the
// buffer as it was.
void AppendText(std::string& out, std::string_view text);

}  // namespace packager
