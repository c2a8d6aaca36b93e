// Whole-number arithmetic shared by every stage.
//
// Every conversion of a real number to a whole number rounds half to even
// (2.5 gives 2, 3.5 gives 4, -2.5 gives -2). Divisions whose quotient is
// rounded are done here on integers, so that no floating-point error can move
// a result across a half.
#pragma once

#include <cstdint>

namespace packager {

// numerator / denominator rounded half to even; denominator must be > 0.
std::int64_t DivRoundHalfEven(std::int64_t numerator, std::int64_t denominator);

// A real number rounded half to even (exactly, for any finite value).
double RoundHalfEven(double value);

// Keeps the low 8 or 16 bits, as stores into narrow fields do.
std::uint8_t LowByte(std::int64_t value);
std::int16_t LowInt16(std::int64_t value);

// Range tests for conversions that must fail instead of wrapping.
bool FitsInt16(std::int64_t value);
bool FitsInt32(std::int64_t value);

}  // namespace packager
