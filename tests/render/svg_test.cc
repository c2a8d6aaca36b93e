#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/markup.h"
#include "render/svg.h"

namespace packager::render {
namespace {

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

TEST(SvgNumbersTest, FixedDecimalsAndNeverMinusZero) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  };
  for (const Case& c : std::vector<Case>{
           {3, 1, "3.0"},
           {-0.04, 1, "0.0"},  // would be "-0.0"
           {-0.0, 1, "0.0"},
           {-0.06, 1, "-0.1"},
           {-0.0004, 3, "0.000"},
           {-0.0006, 3, "-0.001"},
           {12.5, 0, "12"},  // the C library's rounding to even
           {1599.04, 1, "1599.0"},
       }) {
    EXPECT_EQ(Fixed(c.value, c.decimals), c.text) << c.value;
  }
  EXPECT_EQ(Number(-0.01), "0.0");
  EXPECT_EQ(Number(279.44), "279.4");
  EXPECT_EQ(Km(0), "0.000");
  EXPECT_EQ(Km(1750), "1.750");
  EXPECT_EQ(Km(-50), "-0.050");
  EXPECT_EQ(Km(123456789), "123456.789");
}

TEST(SvgTextTest, WidthsByCharacterNotByByte) {
  // One character of two bytes is as wide as one character outside ASCII.
  EXPECT_DOUBLE_EQ(TextWidth("\xC3\xA8", 10), 7.0);
  EXPECT_DOUBLE_EQ(TextWidth("", 10), 0.0);
  EXPECT_DOUBLE_EQ(TextWidth("ab", 20), 2 * TextWidth("ab", 10));
  EXPECT_DOUBLE_EQ(TextWidth("ab", 10, true), 1.1 * TextWidth("ab", 10));
  // Narrow letters, small letters, capitals, wide letters: in that order.
  for (const auto& [narrower, wider] : std::vector<std::pair<std::string, std::string>>{
           {"iii", "aaa"}, {"aaa", "AAA"}, {"AAA", "MMM"}, {"...", "000"}, {"a b", "abc"}}) {
    EXPECT_LT(TextWidth(narrower, 12), TextWidth(wider, 12)) << narrower << " " << wider;
  }
}

TEST(SvgTextTest, Counted) {
  EXPECT_EQ(Counted(0, "signal"), "0 signals");
  EXPECT_EQ(Counted(1, "signal"), "1 signal");
  EXPECT_EQ(Counted(23, "station"), "23 stations");
}

TEST(SvgPartsTest, StartNamesItsSizeTwice) {
  const std::string start = SvgStart(560, 1599.04);
  EXPECT_EQ(start.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg ", 0), 0u);
  EXPECT_NE(start.find(" width=\"560.0\" height=\"1599.0\" viewBox=\"0 0 560.0 1599.0\""),
            std::string::npos);
  EXPECT_EQ(start.back(), '\n');
}

TEST(SvgPartsTest, LegendColumnsFitTheWidth) {
  const std::vector<LegendItem> items = {
      {"<circle r=\"3\"/>", "signal"}, {"<rect/>", "station & stop"}, {"<line/>", "track"}};
  struct Case {
    double width;
    double height;  // 22 pixels a row
  };
  // Each column is 30 + the widest words + 20 pixels; the paddings take 48.
  const double column = 30 + TextWidth("station & stop", 12) + 20;
  for (const Case& c : std::vector<Case>{{48 + column - 1, 66},
                                         {48 + column, 66},
                                         {48 + 2 * column, 44},
                                         {48 + 3 * column, 22},
                                         {2000, 22}}) {
    std::string svg;
    EXPECT_DOUBLE_EQ(DrawLegend(items, {}, c.width, 24, 62, svg), c.height) << c.width;
    EXPECT_EQ(Occurrences(svg, "<g transform="), 3u);
    EXPECT_EQ(Occurrences(svg, ">station &amp; stop</text>"), 1u);
    EXPECT_EQ(svg.rfind("<g class=\"legend\" font-size=\"12\" fill=\"#333333\">\n", 0), 0u);
  }
  std::string svg;
  DrawLegend(items, {.font_size = 11, .first_row = 10, .column_gap = 16}, 2000, 24, 62, svg);
  EXPECT_NE(svg.find("font-size=\"11\""), std::string::npos);
  EXPECT_NE(svg.find("<g transform=\"translate(36.0,72.0)\">"), std::string::npos);
}

TEST(MarkupTest, XmlEscaped) {
  for (const auto& [text, escaped] : std::vector<std::pair<std::string, std::string>>{
           {"A&B <C> \"d\" 'e'", "A&amp;B &lt;C&gt; &quot;d&quot; 'e'"},
           {"a\x1B"
            "b",
            "a\\x1Bb"},  // XML holds no ESC
           {"caff\xE8", "caff\\xE8"},
           {"caff\xC3\xA8", "caff\xC3\xA8"}}) {
    EXPECT_EQ(XmlEscaped(text), escaped);
  }
}

}  // namespace
}  // namespace packager::render
