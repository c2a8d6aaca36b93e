#include "tables/coding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "support/hex.h"

namespace packager {
namespace {

using test_support::Hex;

template <typename Append, typename Value>
std::string Encoded(Append append, Value value) {
  std::string out = "<";  // appends go after what is already there
  append(out, value);
  return Hex(out.substr(1));
}

TEST(CodingTest, NumbersAreLittleEndianTwosComplement) {
  EXPECT_EQ(Encoded(AppendU8, std::uint8_t{255}), "FF");
  EXPECT_EQ(Encoded(AppendU16, std::uint16_t{0xFFFE}), "FE FF");
  EXPECT_EQ(Encoded(AppendI16, std::int16_t{5121}), "01 14");
  EXPECT_EQ(Encoded(AppendI16, std::int16_t{-32768}), "00 80");
  EXPECT_EQ(Encoded(AppendI32, std::int32_t{0x12345678}), "78 56 34 12");
  EXPECT_EQ(Encoded(AppendI32, std::int32_t{-800}), "E0 FC FF FF");
  EXPECT_EQ(Encoded(AppendF64, 2.0), "00 00 00 00 00 00 00 40");
  EXPECT_EQ(Encoded(AppendF64, -1.5), "00 00 00 00 00 00 F8 BF");
}

// Bytes with the top bit set must not be sign-extended into the bytes above.
TEST(CodingTest, DecodingReadsBackWhatEncodingWrote) {
  const char bytes[] = "\xFE\xFF\x00\x80\xE0\xFC\xFF\xFF\x00\x00\x00\x00\x00\x00\xF8\xBF";
  EXPECT_EQ(DecodeU8(bytes), 0xFE);
  EXPECT_EQ(DecodeU16(bytes), 0xFFFE);
  EXPECT_EQ(DecodeI16(bytes + 2), -32768);
  EXPECT_EQ(DecodeI32(bytes + 4), -800);
  EXPECT_EQ(DecodeU32(bytes + 1), 0xE08000FFu);
  EXPECT_EQ(DecodeF64(bytes + 8), -1.5);

  char out[8];
  EncodeF64(out, 2.0);
  EXPECT_EQ(Hex(std::string(out, 8)), "00 00 00 00 00 00 00 40");
  EncodeI32(out, -800);
  EXPECT_EQ(DecodeI32(out), -800);
}

TEST(CodingTest, TextIsCountThenBytesWithoutTerminator) {
  EXPECT_EQ(Encoded(AppendText, ""), "00 00");
  EXPECT_EQ(Encoded(AppendText, std::string("Citt\xE0\0!", 7)), "07 00 43 69 74 74 E0 00 21");
  EXPECT_EQ(Encoded(AppendText, std::string(256, 'x')).substr(0, 8), "00 01 78");
  EXPECT_EQ(Encoded(AppendText, std::string(kMaxTextBytes, 'x')).substr(0, 5), "FF FF");

  std::string out = "z";
  EXPECT_THROW(AppendText(out, std::string(kMaxTextBytes + 1, 'x')), std::length_error);
  EXPECT_EQ(out, "z");
}

}  // namespace
}  // namespace packager
