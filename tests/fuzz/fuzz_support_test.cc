// What the harnesses rely on to mean what they say: the separator lines that
// split an input into texts, and the page oracle of check_fuzzer, which must
// stop on markup that is not the page's own and let the page's own through.
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "fuzz/fuzz_support.h"
#include "fuzz/page_oracle.h"

namespace packager::fuzz {
namespace {

using Texts = std::vector<std::string_view>;

TEST(SplitTexts, SplitsAtWholeSeparatorLinesOnly) {
  EXPECT_EQ(SplitTexts("line\n@@@@\ntrain\r\n@@@@\r\n@@@@x\n @@@@\n@@@@", 4),
            (Texts{"line\n", "train\r\n", "@@@@x\n @@@@\n", ""}));
}

TEST(SplitTexts, TheLastTextTakesTheRestAndTheMissingOnesAreEmpty) {
  EXPECT_EQ(SplitTexts("a\n@@@@\nb\n@@@@\nc", 2), (Texts{"a\n", "b\n@@@@\nc"}));
  EXPECT_EQ(SplitTexts("@@@@\nb", 3), (Texts{"", "b", ""}));
}

constexpr char kPage[] =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<style>td > b { color: #222; }</style>\n"
    "<p class=\"summary\" data-count=\"2\">&lt;zq&gt; &amp; \xc3\xa8</p>\n"
    "<svg width=\"10\"><text x=\"1\" font-size=\"9\">&#233;</text><rect/></svg>\n</html>\n";

TEST(PageOracle, LetsThePagesOwnMarkupThrough) { RequireOwnMarkupOnly(kPage); }

TEST(PageOracleDeathTest, StopsOnMarkupAndBytesThatAreNotThePages) {
  for (const std::string planted : {"<zq>", "<p onclick=\"x\">", "<p class=x>", "a & b",
                                    "<p id=\"a<zq\">", "<p", "\xe8", "\xed\xa0\x80", "\xc0\xbc"}) {
    EXPECT_DEATH(RequireOwnMarkupOnly(kPage + planted), "broken") << planted;
  }
}

}  // namespace
}  // namespace packager::fuzz
