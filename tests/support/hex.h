// Bytes shown as hex pairs separated by spaces, for readable test failures.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace packager::test_support {

inline std::string Hex(std::string_view bytes) {
  std::string hex;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned>(static_cast<std::uint8_t>(c));
    hex += (hex.empty() ? "" : " ") + std::string{"0123456789ABCDEF"[byte >> 4]} +
           "0123456789ABCDEF"[byte & 0x0F];
  }
  return hex;
}

}  // namespace packager::test_support
