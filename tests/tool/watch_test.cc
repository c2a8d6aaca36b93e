#include "tool/watch.h"

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "tool/folder_report.h"
#include "tool/tool_run.h"

namespace packager::tool {
namespace {

using test_support::TempFolder;

FolderState StateWith(std::int64_t modified) {
  FolderState state;
  state.present = true;
  state.texts["L_linea.txt"] = {modified, 100};
  return state;
}

struct Poll {
  int at_ms;
  int state;  // 0: absent, else the modification time of the one text
  bool settled;
};

struct SettleCase {
  const char* name;
  std::vector<Poll> polls;
};

class SaveSettlerTest : public testing::TestWithParam<SettleCase> {};

// Built from state 1; the settle time is 400 ms.
TEST_P(SaveSettlerTest, RebuildsOnceAChangeStandsStill) {
  SaveSettler settler(StateWith(1), std::chrono::milliseconds(400));
  const WatchClock::time_point start{};
  for (const Poll& poll : GetParam().polls) {
    const FolderState state = poll.state == 0 ? FolderState{} : StateWith(poll.state);
    EXPECT_EQ(settler.Settled(state, start + std::chrono::milliseconds(poll.at_ms)), poll.settled)
        << "at " << poll.at_ms << " ms";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Saves, SaveSettlerTest,
    testing::Values(
        SettleCase{"Unchanged", {{0, 1, false}, {200, 1, false}, {5000, 1, false}}},
        SettleCase{"OneSave", {{0, 2, false}, {200, 2, false}, {400, 2, true}, {600, 2, false}}},
        SettleCase{"ABurstIsOneRebuild",
                   {{0, 2, false}, {200, 3, false}, {400, 4, false}, {600, 4, false},
                    {800, 4, true}, {1000, 4, false}}},
        SettleCase{"UndoneBeforeItSettles", {{0, 2, false}, {200, 1, false}, {800, 1, false}}},
        SettleCase{"TwoSavesApart", {{0, 2, false}, {400, 2, true}, {600, 3, false},
                                     {1000, 3, true}}},
        SettleCase{"FolderGoneThenBackChanged",
                   {{0, 0, false}, {400, 0, true}, {600, 2, false}, {1000, 2, true}}}),
    [](const testing::TestParamInfo<SettleCase>& info) { return std::string(info.param.name); });

// The texts a poll sees: *.txt files whatever their case, not hidden ones
// (editors' swap files), not folders nor the pages written beside them.
TEST(FolderStateTest, SeesTheTextsAlone) {
  TempFolder folder;
  folder.Write("a.txt", "12345");
  folder.Write("B.TXT", "1");
  folder.Write(".a.txt.swp.txt", "1");
  folder.Write("report.html", "1");
  folder.Write("a.txt~", "1");
  std::filesystem::create_directory(folder.PathOf("old.txt"));
  const FolderState state = FolderStateOf(folder.path());
  EXPECT_TRUE(state.present);
  ASSERT_EQ(state.texts.size(), 2u);
  EXPECT_EQ(state.texts.at("a.txt").size, 5u);
  EXPECT_TRUE(state.texts.count("B.TXT"));

  folder.Write("a.txt", "123456");
  EXPECT_EQ(ChangedTexts(state, FolderStateOf(folder.path())), "a.txt");
  std::filesystem::remove(folder.PathOf("B.TXT"));
  folder.Write("c.txt", "");
  EXPECT_EQ(ChangedTexts(state, FolderStateOf(folder.path())), "B.TXT, a.txt, c.txt");
  EXPECT_EQ(FolderStateOf(folder.path(), {"a.txt"}).texts.count("a.txt"), 0u);
  EXPECT_EQ(FilesInFolder(folder.path(), {folder.PathOf("a.txt"), folder.PathOf("missing/b.txt"),
                                          folder.path() + "/../c.txt", "d.txt"}),
            std::set<std::string>{"a.txt"});
  EXPECT_FALSE(FolderStateOf(folder.PathOf("missing")).present);
  EXPECT_FALSE(FolderStateOf(folder.PathOf("a.txt")).present);
}

// The served page reloads after the generation it was made at; the page
// itself is kept whole around the script.
TEST(FolderGonePageTest, SaysTheFolderIsGoneAndEscapesItsName) {
  const std::string page = FolderGonePage("Valle <&> 9");
  EXPECT_NE(page.find("Valle &lt;&amp;&gt; 9"), std::string::npos) << page;
  EXPECT_EQ(page.find("<&>"), std::string::npos) << page;
  EXPECT_NE(page.find("The folder is gone"), std::string::npos) << page;
  EXPECT_NE(page.rfind("</body>"), std::string::npos) << "the reload script goes before it";
}

TEST(ServedPageTest, AddsTheReloadScriptBeforeTheBodyEnds) {
  const std::string page = "<html><body><p>x</body></html>\n";
  const std::string served = ServedPage(page, 7);
  const std::size_t script = served.find("<script>");
  ASSERT_NE(script, std::string::npos);
  EXPECT_NE(served.find("'/events?after=7'"), std::string::npos) << served;
  EXPECT_EQ(served.substr(0, script), "<html><body><p>x");
  EXPECT_EQ(served.substr(served.find("</script>\n") + 10), "</body></html>\n");
  EXPECT_EQ(ServedPage("<p>no end", 1).rfind("<p>no end<script>", 0), 0u);
  EXPECT_EQ(ChangeEvent(3), "event: change\ndata: 3\n\n");
}

// A command line watch cannot run is refused before anything is watched.
TEST(WatchCommandTest, RefusesBadCommandLines) {
  TempFolder folder;
  folder.Write("scenario.txt", "name = L\ntrain = 9\n");
  const std::string page = folder.PathOf("page.html");
  const struct {
    std::vector<std::string> args;
    const char* said;
  } cases[] = {
      {{"watch", folder.path()}, "missing option '-o FILE.html'"},
      {{"watch", folder.path(), "-o", page, "--port", "70000"}, "beyond 65535"},
      {{"watch", folder.path(), "-o", page, "--port", "-1"}, "--port"},
      {{"watch", folder.path(), "-o", page, "--profile="}, "names no file"},
      {{"watch", folder.PathOf("none"), "-o", page}, "none"},
  };
  for (const auto& test : cases) {
    const Outcome outcome = Tool(test.args);
    EXPECT_NE(outcome.status, kToolClean) << test.said;
    EXPECT_NE(outcome.err.find(test.said), std::string::npos) << outcome.err;
    EXPECT_FALSE(folder.Exists("page.html"));
  }
}

}  // namespace
}  // namespace packager::tool
