#include "tables/windows1252.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace packager {
namespace {

std::string Convert(std::string_view utf8, bool expect_success = true) {
  std::string bytes;
  std::string problem;
  EXPECT_EQ(Utf8To1252(utf8, bytes, problem), expect_success) << utf8;
  return expect_success ? bytes : problem;
}

bool HoldsNoCharacter(int byte) {
  return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

TEST(Windows1252, ConvertsEveryCharacterItDefines) {
  EXPECT_EQ(Convert("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ"),
            "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E"
            "\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F");
  EXPECT_EQ(Convert("\xC2\xA0°àèéìòùÿ n\t,~"), "\xA0\xB0\xE0\xE8\xE9\xEC\xF2\xF9\xFF n\t,~");
  EXPECT_EQ(Utf8From1252("\x80\x9F\xA0\xE8 n\t\x7F"), "€Ÿ\xC2\xA0è n\t\x7F");
  // Every byte reads back as itself; the five that hold no character come
  // out as C1 controls, which have no byte.
  for (int byte = 1; byte <= 0xFF; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    if (HoldsNoCharacter(byte)) {
      EXPECT_EQ(Utf8From1252(one), "\xC2" + one);
      EXPECT_NE(Convert(Utf8From1252(one), false).find("has no Windows-1252 byte"),
                std::string::npos);
    } else {
      EXPECT_EQ(Convert(Utf8From1252(one)), one) << byte;
    }
  }
}

TEST(Windows1252, RejectsWhatItCannotHold) {
  EXPECT_EQ(Convert("Łódź", false), "character U+0141 at column 1 has no Windows-1252 byte");
  for (std::string_view s : {"a → b", "\xC2\x81", "\xF0\x9F\x9A\x82"}) {  // C1 control, 4 bytes
    EXPECT_NE(Convert(s, false).find("has no Windows-1252 byte"), std::string::npos);
  }
  EXPECT_EQ(Convert("Citt\xEC", false), "invalid UTF-8 at column 5 (byte 0xEC)");
  for (std::string_view s : {"\x80", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                             "\xF4\x90\x80\x80", "\xE2\x82"}) {
    EXPECT_NE(Convert(s, false).find("invalid UTF-8"), std::string::npos);
  }
}

}  // namespace
}  // namespace packager
