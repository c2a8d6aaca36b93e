#include "tables/numbers.h"

#include <cmath>

namespace packager {

std::int64_t DivRoundHalfEven(std::int64_t numerator, std::int64_t denominator) {
  // Floor division first, so that the remainder is never negative.
  std::int64_t quotient = numerator / denominator;
  std::int64_t remainder = numerator % denominator;
  if (remainder < 0) {
    quotient -= 1;
    remainder += denominator;
  }
  const std::int64_t twice = 2 * remainder;
  if (twice > denominator || (twice == denominator && (quotient % 2 != 0))) {
    quotient += 1;
  }
  return quotient;
}

double RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double diff = value - floor;
  if (diff > 0.5) return floor + 1.0;
  if (diff < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::uint8_t LowByte(std::int64_t value) {
  return static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) & 0xFFu);
}

std::int16_t LowInt16(std::int64_t value) {
  const auto low = static_cast<std::uint16_t>(static_cast<std::uint64_t>(value) & 0xFFFFu);
  return static_cast<std::int16_t>(low);
}

bool FitsInt16(std::int64_t value) { return value >= -32768 && value <= 32767; }

bool FitsInt32(std::int64_t value) { return value >= -2147483648LL && value <= 2147483647LL; }

}  // namespace packager
