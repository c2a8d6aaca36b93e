#include "tables/numbers.h"

#include <gtest/gtest.h>

namespace packager {
namespace {

TEST(NumbersTest, DivisionRoundsHalfToEven) {
  EXPECT_EQ(DivRoundHalfEven(125, 50), 2);  // 2.5
  EXPECT_EQ(DivRoundHalfEven(175, 50), 4);  // 3.5
  EXPECT_EQ(DivRoundHalfEven(7125, 50), 142);
  EXPECT_EQ(DivRoundHalfEven(131000, 50), 2620);
  EXPECT_EQ(DivRoundHalfEven(76, 50), 2);
  EXPECT_EQ(DivRoundHalfEven(74, 50), 1);
  EXPECT_EQ(DivRoundHalfEven(-125, 50), -2);  // -2.5
  EXPECT_EQ(DivRoundHalfEven(-175, 50), -4);
  EXPECT_EQ(DivRoundHalfEven(-76, 50), -2);
  EXPECT_EQ(DivRoundHalfEven(0, 50), 0);
}

TEST(NumbersTest, RealsRoundHalfToEven) {
  EXPECT_EQ(RoundHalfEven(2.5), 2.0);
  EXPECT_EQ(RoundHalfEven(3.5), 4.0);
  EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
  EXPECT_EQ(RoundHalfEven(2.4999999), 2.0);
  EXPECT_EQ(RoundHalfEven(-0.7), -1.0);
}

TEST(NumbersTest, NarrowStoresKeepTheLowBits) {
  EXPECT_EQ(LowByte(256 + 7), 7);
  EXPECT_EQ(LowByte(-1), 255);
  EXPECT_EQ(LowInt16(65536 + 5), 5);
  EXPECT_EQ(LowInt16(40000), -25536);
  EXPECT_TRUE(FitsInt16(-32768));
  EXPECT_FALSE(FitsInt16(32768));
  EXPECT_FALSE(FitsInt32(2147483648LL));
}

}  // namespace
}  // namespace packager
