#include "lsp/transport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "lsp/server.h"

namespace packager::lsp {
namespace {

struct FramingCase {
  const char* name;
  std::string input;
  std::vector<FrameStatus> statuses;  // of each read, the last one kEnd
  std::vector<std::string> bodies;    // of the kMessage reads
};

class Framing : public testing::TestWithParam<FramingCase> {};

TEST_P(Framing, ReadsEachMessageAndGoesOnAfterABadOne) {
  std::istringstream in(GetParam().input);
  std::vector<FrameStatus> statuses;
  std::vector<std::string> bodies;
  for (;;) {
    const Frame frame = ReadFrame(in);
    statuses.push_back(frame.status);
    if (frame.status == FrameStatus::kMessage) bodies.push_back(frame.body);
    if (frame.status == FrameStatus::kMalformed) {
      EXPECT_FALSE(frame.problem.empty());
    }
    if (frame.status == FrameStatus::kEnd || statuses.size() > 10) break;
  }
  EXPECT_EQ(statuses, GetParam().statuses);
  EXPECT_EQ(bodies, GetParam().bodies);
}

using enum FrameStatus;
INSTANTIATE_TEST_SUITE_P(
    Lsp, Framing,
    testing::Values(FramingCase{"two",
                                "Content-Length: 2\r\n\r\n{}Content-Length: 3\r\n\r\n[1]",
                                {kMessage, kMessage, kEnd},
                                {"{}", "[1]"}},
                    FramingCase{"lf_and_other_headers",
                                "content-length:  2 \nContent-Type: x\n\n{}",
                                {kMessage, kEnd},
                                {"{}"}},
                    FramingCase{"no_length",
                                "Content-Type: x\r\n\r\nContent-Length: 1\r\n\r\n1",
                                {kMalformed, kMessage, kEnd},
                                {"1"}},
                    FramingCase{"bad_length",
                                "Content-Length: -4\r\n\r\nContent-Length: 1\r\n\r\n1",
                                {kMalformed, kMessage, kEnd},
                                {"1"}},
                    FramingCase{"body_cut_short", "Content-Length: 10\r\n\r\n{}", {kEnd}, {}},
                    FramingCase{"header_cut_short", "Content-Len", {kEnd}, {}},
                    FramingCase{"empty", "", {kEnd}, {}},
                    FramingCase{"too_large", "Content-Length: 99999999999\r\n\r\n{}", {kEnd}, {}}),
    [](const testing::TestParamInfo<FramingCase>& info) { return info.param.name; });

struct UriCase {
  std::string uri;
  std::string path;
};

class Uris : public testing::TestWithParam<UriCase> {};

TEST_P(Uris, GoBothWays) {
  EXPECT_EQ(PathOfUri(GetParam().uri), GetParam().path);
  EXPECT_EQ(UriOfPath(GetParam().path), GetParam().uri);
}

INSTANTIATE_TEST_SUITE_P(Lsp, Uris,
                         testing::Values(UriCase{"file:///a/b.txt", "/a/b.txt"},
                                         UriCase{"file:///a%20b/%C3%A8%25.txt",
                                                 "/a b/\xC3\xA8%.txt"}));

TEST(Uris, OtherSchemesHaveNoPath) {
  EXPECT_EQ(PathOfUri("untitled:Untitled-1"), std::nullopt);
  EXPECT_EQ(PathOfUri("https://x/y"), std::nullopt);
}

}  // namespace
}  // namespace packager::lsp
