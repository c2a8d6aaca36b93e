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
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

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
inline void EncodeU64(char* out, std::uint64_t value) {
  EncodeU32(out, static_cast<std::uint32_t>(value));
  EncodeU32(out + 4, static_cast<std::uint32_t>(value >> 32));
}
// On a little-endian machine the real's own bytes are its encoding: one
// store from the register that holds it, not a move to an integer first.
inline void EncodeF64(char* out, double value) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, &value, sizeof value);
  } else {
    EncodeU64(out, std::bit_cast<std::uint64_t>(value));
  }
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
inline std::uint64_t DecodeU64(const char* in) {
  return DecodeU32(in) | (static_cast<std::uint64_t>(DecodeU32(in + 4)) << 32);
}
inline double DecodeF64(const char* in) {
  const std::uint64_t bits = DecodeU64(in);
  return std::bit_cast<double>(bits);
}

// The write and the read of a whole number chosen by its type, for code that
// walks the members of a record: std::uint8_t, std::int16_t or std::int32_t.
template <typename Number>
void EncodeNumber(char* out, Number value) {
  if constexpr (std::is_same_v<Number, std::uint8_t>) {
    EncodeU8(out, value);
  } else if constexpr (std::is_same_v<Number, std::int16_t>) {
    EncodeI16(out, value);
  } else {
    static_assert(std::is_same_v<Number, std::int32_t>, "a record member of another type");
    EncodeI32(out, value);
  }
}
template <typename Number>
Number DecodeNumber(const char* in) {
  if constexpr (std::is_same_v<Number, std::uint8_t>) {
    return DecodeU8(in);
  } else if constexpr (std::is_same_v<Number, std::int16_t>) {
    return DecodeI16(in);
  } else {
    static_assert(std::is_same_v<Number, std::int32_t>, "a record member of another type");
    return DecodeI32(in);
  }
}

void AppendU8(std::string& out, std::uint8_t value);
void AppendU16(std::string& out, std::uint16_t value);
void AppendI16(std::string& out, std::int16_t value);
void AppendI32(std::string& out, std::int32_t value);
void AppendU32(std::string& out, std::uint32_t value);
void AppendU64(std::string& out, std::uint64_t value);
void AppendF64(std::string& out, double value);

// The largest text a 16-bit count can describe.
inline constexpr std::size_t kMaxTextBytes = 0xFFFF;
// A text is a 16-bit count n followed by the n bytes, with no terminator.
inline constexpr std::size_t kTextCountSize = 2;

// Throws std::length_error when the text is longer than kMaxTextBytes.
void RequireTextFits(std::string_view text);

// Writes a text that fits into the kTextCountSize + n bytes at out.
inline void EncodeText(char* out, std::string_view text) {
  EncodeU16(out, static_cast<std::uint16_t>(text.size()));
  if (!text.empty()) std::memcpy(out + kTextCountSize, text.data(), text.size());
}

// Appends a text; one longer than kMaxTextBytes throws std::length_error and
// leaves the buffer as it was.
void AppendText(std::string& out, std::string_view text);

}  // namespace packager
