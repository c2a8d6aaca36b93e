#include "tables/windows1252.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace packager {

namespace {

constexpr char32_t kFirstHighByte = 0x80;
constexpr char32_t kFirstLatin1Byte = 0xA0;  // from here the code page agrees with Unicode

// The characters of bytes 0x80 to 0x9F; 0 for the five bytes that hold none.
constexpr std::array<char32_t, 32> kByte80To9F = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The byte of a character, or -1 when the code page has none.
int ByteFor(char32_t c) {
  if (c < kFirstHighByte || (c >= kFirstLatin1Byte && c <= 0xFF)) return static_cast<int>(c);
  for (std::size_t i = 0; i < kByte80To9F.size(); ++i) {
    if (kByte80To9F[i] == c) return static_cast<int>(kFirstHighByte + i);
  }
  return -1;
}

// The character of a byte; a byte that holds none stands for itself.
char32_t CharacterOf(std::uint8_t byte) {
  if (byte < kFirstHighByte || byte >= kFirstLatin1Byte) return byte;
  const char32_t c = kByte80To9F[byte - kFirstHighByte];
  return c != 0 ? c : byte;
}

// Decodes the character starting at pos and moves past it. Rejects stray
// continuation bytes, truncated and overlong sequences, surrogates and
// values beyond U+10FFFF.
bool DecodeUtf8(std::string_view text, std::size_t& pos, char32_t& c) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 1;
  char32_t smallest = 0;
  if (lead < 0x80) {
    c = lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    c = lead & 0x1Fu;
    smallest = 0x80;
  } else if ((lead & 0xF0u) == 0xE0u) {
    length = 3;
    c = lead & 0x0Fu;
    smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    c = lead & 0x07u;
    smallest = 0x10000;
  } else {
    return false;
  }
  if (text.size() - pos < length) return false;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0u) != 0x80u) return false;
    c = (c << 6) | (next & 0x3Fu);
  }
  if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  pos += length;
  return true;
}

// Every character of the code page lies below U+10000: three bytes at most.
void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Hex(unsigned value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
  return buffer;
}

}  // namespace

void Utf8To1252Substituting(std::string_view utf8, std::string& bytes,
                            std::vector<ConversionProblem>& problems) {
  bytes.clear();
  std::size_t pos = 0;
  for (int column = 1; pos < utf8.size(); ++column) {
    char32_t c = 0;
    if (!DecodeUtf8(utf8, pos, c)) {
      problems.push_back({column, "invalid UTF-8 at column " + std::to_string(column) +
                                      " (byte 0x" +
                                      Hex(static_cast<unsigned char>(utf8[pos]), 2) + ")"});
      bytes += '?';
      ++pos;
      continue;
    }
    const int byte = ByteFor(c);
    if (byte < 0) {
      problems.push_back({column, "character U+" + Hex(static_cast<unsigned>(c), 4) +
                                      " at column " + std::to_string(column) +
                                      " has no Windows-1252 byte"});
      bytes += '?';
      continue;
    }
    bytes += static_cast<char>(byte);
  }
}

bool Utf8To1252(std::string_view utf8, std::string& bytes, std::string& problem) {
  std::vector<ConversionProblem> problems;
  Utf8To1252Substituting(utf8, bytes, problems);
  if (problems.empty()) return true;
  problem = std::move(problems.front().message);
  return false;
}

std::size_t FirstInvalidUtf8(std::string_view text) {
  char32_t c = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    if (!DecodeUtf8(text, pos, c)) return pos;
  }
  return std::string_view::npos;
}

bool Is1252Text(std::string_view bytes) {
  for (const char byte : bytes) {
    const auto value = static_cast<std::uint8_t>(byte);
    if (value >= kFirstHighByte && value < kFirstLatin1Byte &&
        kByte80To9F[value - kFirstHighByte] == 0) {
      return false;
    }
  }
  return true;
}

std::string Utf8From1252(std::string_view bytes) {
  std::string utf8;
  utf8.reserve(bytes.size());
  for (const char byte : bytes) AppendUtf8(utf8, CharacterOf(static_cast<std::uint8_t>(byte)));
  return utf8;
}

}  // namespace packager
