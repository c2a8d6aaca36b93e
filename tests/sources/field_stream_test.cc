#include "sources/field_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tables/run_failure.h"

namespace packager {
namespace {

TEST(FieldStreamTest, FieldsEndAtCommasAndLineEnds) {
  FieldStream stream("lunghezza percorso,    124000\r\n[curve]\r\n");
  EXPECT_EQ(stream.ReadText(), "lunghezza percorso");
  EXPECT_EQ(stream.ReadLong(), 124000);
  EXPECT_FALSE(stream.at_end());
  EXPECT_EQ(stream.ReadText(), "[curve]");
  EXPECT_EQ(stream.field_line(), 2);
  EXPECT_TRUE(stream.at_end());
}

TEST(FieldStreamTest, BlanksEndNumbersAndBelongToTheSeparation) {
  // "0    ,0" is two fields; numbers may also stand apart by blanks alone.
  FieldStream stream("ripetizione segnali 4 codici,    0    ,0\r\norologio,    12    4   45 \r\n");
  EXPECT_EQ(stream.ReadText(), "ripetizione segnali 4 codici");
  EXPECT_EQ(stream.ReadLong(), 0);
  EXPECT_EQ(stream.ReadLong(), 0);
  EXPECT_EQ(stream.ReadText(), "orologio");
  EXPECT_EQ(stream.ReadLong(), 12);
  EXPECT_EQ(stream.ReadLong(), 4);
  EXPECT_EQ(stream.ReadLong(), 45);
  EXPECT_TRUE(stream.at_end());
}

TEST(FieldStreamTest, EmptyNumberFieldsReadAsZero) {
  FieldStream stream("indicatori_vmax,  1050,  125,  ,  ,\r\nnext\r\n");
  EXPECT_EQ(stream.ReadText(), "indicatori_vmax");
  EXPECT_EQ(stream.ReadLong(), 1050);
  EXPECT_EQ(stream.ReadLong(), 125);
  EXPECT_EQ(stream.ReadLong(), 0);
  EXPECT_EQ(stream.ReadLong(), 0);
  EXPECT_EQ(stream.ReadLong(), 0);  // the comma right before the line end
  EXPECT_EQ(stream.ReadText(), "next");
}

TEST(FieldStreamTest, ARecordMayContinueOnTheNextLine) {
  FieldStream stream("indicatori_vmax,  1050,  125,  135,  140,  0\r\n  90,  100,  110,  2\r\n");
  EXPECT_EQ(stream.ReadText(), "indicatori_vmax");
  std::int32_t values[9];
  for (std::int32_t& value : values) value = stream.ReadLong();
  EXPECT_EQ(values[4], 0);
  EXPECT_EQ(values[5], 90);
  EXPECT_EQ(values[8], 2);
  EXPECT_EQ(stream.field_line(), 2);
  EXPECT_TRUE(stream.at_end());
}

TEST(FieldStreamTest, TextsKeepInnerBlanksAndBytes) {
  FieldStream stream(
      "cartello_indicatore,  1450,   (P.L.    )(Km 1+452)   \r\n(Vall\xEC)\r\n\r\nlast");
  EXPECT_EQ(stream.ReadText(), "cartello_indicatore");
  EXPECT_EQ(stream.ReadLong(), 1450);
  EXPECT_EQ(stream.ReadText(), "(P.L.    )(Km 1+452)");
  EXPECT_EQ(stream.ReadText(), "(Vall\xEC)");
  EXPECT_EQ(stream.ReadText(), "");  // an empty line is an empty field
  EXPECT_FALSE(stream.at_end());
  EXPECT_EQ(stream.ReadText(), "last");  // no line end after the last field
  EXPECT_TRUE(stream.at_end());
}

TEST(FieldStreamTest, LoneCarriageReturnsAndLineFeedsEndLines) {
  FieldStream stream("a\rb\nc\r\n");
  EXPECT_EQ(stream.ReadText(), "a");
  EXPECT_EQ(stream.ReadText(), "b");
  EXPECT_EQ(stream.ReadText(), "c");
  EXPECT_EQ(stream.field_line(), 3);
  EXPECT_TRUE(stream.at_end());
}

TEST(FieldStreamTest, FractionsRoundHalfToEven) {
  FieldStream stream("2.5,3.5,-2.5,2.51,7.49,-0.5,+4\r\n");
  EXPECT_EQ(stream.ReadLong(), 2);
  EXPECT_EQ(stream.ReadLong(), 4);
  EXPECT_EQ(stream.ReadLong(), -2);
  EXPECT_EQ(stream.ReadLong(), 3);
  EXPECT_EQ(stream.ReadLong(), 7);
  EXPECT_EQ(stream.ReadLong(), 0);
  EXPECT_EQ(stream.ReadLong(), 4);
}

// Plain digits are read as they are scanned, anything else apart: the
// same value and the same failure either way, and the field after follows.
TEST(FieldStreamTest, NumbersReadTheSameWhateverTheirDigits) {
  const struct {
    std::string field;
    std::int32_t value;
    std::string failure;  // what() when the field is refused
  } cases[] = {
      {"000000000042", 42, ""},   // twelve digits
      {"0000000000042", 42, ""},  // thirteen
      {"2147483647", 2147483647, ""},
      {"12.0", 12, ""},
      {"12.5", 12, ""},
      {"13.5", 14, ""},
      {"7\t", 7, ""},
      {"8  ", 8, ""},
      {"12a", 0, "\"12a\" is not a number"},
      {"12-", 0, "\"12-\" is not a number"},
      {"2147483648", 0, "2147483648 does not fit a 32-bit field (-2147483648 to 2147483647)"},
      {"1000000000000", 0,
       "1000000000000 does not fit a 32-bit field (-2147483648 to 2147483647)"},
  };
  for (const auto& c : cases) {
    for (const std::string& after : {std::string(",5\r\n"), std::string("\r\n5"), std::string()}) {
      SCOPED_TRACE(c.field + after);
      FieldStream stream(c.field + after);
      if (!c.failure.empty()) {
        try {
          stream.ReadLong();
          ADD_FAILURE() << "read";
        } catch (const FieldFailure& failure) {
          EXPECT_EQ(failure.what(), c.failure);
        }
        continue;
      }
      EXPECT_EQ(stream.ReadLong(), c.value);
      if (after.empty()) {
        EXPECT_TRUE(stream.at_end());
      } else {
        EXPECT_EQ(stream.ReadLong(), 5);
        EXPECT_EQ(stream.field_line(), after[0] == ',' ? 1 : 2);
      }
    }
  }
}

TEST(FieldStreamTest, ValuesMustFitTheirWidth) {
  FieldStream longs("2147483647,-2147483648,2147483648\r\n");
  EXPECT_EQ(longs.ReadLong(), 2147483647);
  EXPECT_EQ(longs.ReadLong(), -2147483647 - 1);
  EXPECT_THROW(longs.ReadLong(), RunFailure);

  FieldStream integers("32767,-32769");
  EXPECT_EQ(integers.ReadInteger(), 32767);
  EXPECT_THROW(integers.ReadInteger(), RunFailure);

  FieldStream bytes("255,256,-1");
  EXPECT_EQ(bytes.ReadByte(), 255);
  EXPECT_THROW(bytes.ReadByte(), RunFailure);
  EXPECT_THROW(bytes.ReadByte(), RunFailure);

  FieldStream huge("99999999999999999999999");
  EXPECT_THROW(huge.ReadLong(), RunFailure);
}

TEST(FieldStreamTest, FailuresNameTheFieldsLineAndColumn) {
  FieldStream stream("[pendenze]\r\npendenza,  12abc\r\n");
  stream.ReadText();
  stream.ReadText();
  try {
    stream.ReadLong();
    FAIL() << "a value with letters was read as a number";
  } catch (const FieldFailure& failure) {
    EXPECT_EQ(failure.line(), 2);
    EXPECT_EQ(failure.column(), 12);
    EXPECT_STREQ(failure.what(), "\"12abc\" is not a number");
  }
  FieldStream past_end("a\r\n  b");
  past_end.ReadText();
  EXPECT_EQ(past_end.ReadText(), "b");
  try {
    past_end.ReadText();
    FAIL() << "a field was read past the end";
  } catch (const FieldFailure& failure) {
    EXPECT_EQ(failure.line(), 2);
    EXPECT_EQ(failure.column(), 4);
  }
  for (const char* text : {"-", ".", "1e3", "0x10"}) {
    FieldStream other(text);
    EXPECT_THROW(other.ReadLong(), RunFailure) << text;
  }
}

TEST(FieldStreamTest, ReadingPastTheEndFails) {
  FieldStream empty("");
  EXPECT_TRUE(empty.at_end());
  EXPECT_THROW(empty.ReadText(), RunFailure);

  FieldStream one("[fine]\r\n");
  one.ReadText();
  EXPECT_TRUE(one.at_end());
  EXPECT_THROW(one.ReadLong(), RunFailure);
}

}  // namespace
}  // namespace packager
