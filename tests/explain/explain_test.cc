#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "explain/scenario_files.h"
#include "explain/shown_text.h"
#include "output/record_layouts.h"
#include "tables/scenario_tables.h"

namespace packager::explain {
namespace {

TEST(ShownTextTest, EscapesWhatIsNoUtf8AndControlsWhereAsked) {
  struct Case {
    std::string text;
    Controls controls;
    std::string shown;
  };
  for (const Case& c : std::vector<Case>{
           {"plain", Controls::kEscaped, "plain"},
           {"caff\xC3\xA8", Controls::kEscaped, "caff\xC3\xA8"},  // UTF-8 stays
           {"caff\xE8", Controls::kKept, "caff\\xE8"},            // a Windows-1252 byte
           {"a\x1B[2Jb", Controls::kEscaped, "a\\x1B[2Jb"},
           {"a\x1B[2Jb", Controls::kKept, "a\x1B[2Jb"},
           {"tab\there", Controls::kEscaped, "tab\there"},
           {"\x7F", Controls::kEscaped, "\\x7F"},
           {"\xC2\x85", Controls::kEscaped, "\\u0085"},  // C1 NEL
           {"\xC2\x85", Controls::kKept, "\xC2\x85"},
           {"\xE2\x82", Controls::kKept, "\\xE2\\x82"},  // a character cut short
       }) {
    EXPECT_EQ(ShownText(c.text, c.controls), c.shown) << c.text;
  }
}

TEST(ShownTextTest, Utf8CharacterLengths) {
  for (const auto& [text, length] :
       std::vector<std::pair<std::string, std::size_t>>{{"a", 1},
                                                        {"\xC3\xA8x", 2},
                                                        {"\xE2\x80\xB0", 3},
                                                        {"\xF0\x9F\x9A\x82", 4},
                                                        {"\xE8", 0},
                                                        {"\xC3", 0},
                                                        {"", 0},
                                                        {"\x80", 0}}) {
    EXPECT_EQ(Utf8CharacterLength(text), length) << text;
  }
}

TEST(ScenarioFilesTest, WhereRecordsStoodForTheirCells) {
  struct Case {
    std::int64_t cell;
    std::int64_t board, running, warning_start;
  };
  for (const Case& c : std::vector<Case>{{1, 0, 50, 1200}, {36, 1750, 1800, 2950}}) {
    EXPECT_EQ(BoardRecordPosition(c.cell), c.board);
    EXPECT_EQ(RunningRecordPosition(c.cell), c.running);
    EXPECT_EQ(SlowdownStartOfWarning(c.cell), c.warning_start);
  }
  // Orientation board 1 stands in the cell just before its warning's.
  EXPECT_EQ(SlowdownStartOfOrientationBoard(35, 1), SlowdownStartOfWarning(36));
}

TEST(ScenarioFilesTest, PackedMembersUnpacked) {
  RouteCell cell;
  cell.speed_code = 24;
  cell.gradient_code = 88;
  EXPECT_EQ(SpeedKmh(cell), 120);
  EXPECT_EQ(GradientPerMille(cell), -12);

  cell.param1 = 23;
  cell.param2 = 40;
  cell.param3 = 5;
  cell.param4 = 17;  // rapp 1, left kind 2, right kind 1
  const SignalSides sides = DecodeSignal(cell);
  EXPECT_EQ(sides.left_codes, (std::array<int, 3>{2, 4, 0}));
  EXPECT_EQ(sides.right_codes, (std::array<int, 3>{3, 0, 5}));
  EXPECT_EQ(sides.rapp, 1);
  EXPECT_EQ(sides.left_kind, 2);
  EXPECT_EQ(sides.right_kind, 1);
  EXPECT_EQ(SignalSidesCode(cell), 7);
}

TEST(ScenarioFilesTest, EntryUsesByIndexAndContent) {
  TableEntry empty;
  TableEntry caption;
  caption.text = "(Galleria)";
  TableEntry station;
  station.position = 1000;
  struct Case {
    int index;
    const TableEntry* entry;
    EntryUse use;
    const char* name;
  };
  for (const Case& c : std::vector<Case>{
           {0, &station, EntryUse::kUnused, "unused"},
           {1, &station, EntryUse::kStation, "station"},
           {80, &caption, EntryUse::kCaption, "caption"},
           {2, &empty, EntryUse::kEmpty, "empty"},
           {kTrainValuesEntry, &empty, EntryUse::kReserved, "reserved"},
       }) {
    EXPECT_EQ(UseOf(c.index, *c.entry), c.use) << c.index;
    EXPECT_STREQ(UseName(c.use), c.name);
  }
  EXPECT_STREQ(ReservedRole(kTrainValuesEntry), "train values");
  EXPECT_STREQ(ReservedRole(1), "");
}

TEST(ScenarioFilesTest, RolesOfTheReservedEntriesNameMembersOfTheRecord) {
  // Every member of an entry as the record layout names it, and its text.
  std::set<std::string_view> members = {"text"};
  std::apply([&members](const auto&... member) { (members.insert(member.name), ...); },
             layout::kEntryHeadMembers);
  std::apply([&members](const auto&... member) { (members.insert(member.name), ...); },
             layout::kEntryTailMembers);
  struct Case {
    int index;
    std::size_t roles;
    const char* first_role;
  };
  for (const Case& c : std::vector<Case>{{kProgressiveTreEntry, 3, "start"},
                                         {kProgressiveUnoEntry, 3, "start"},
                                         {kTrainValuesEntry, 3, "braked mass"},
                                         {kScenarioEntry, 6, "background one"},
                                         {kSignallingEntry, 8, "cab signalling start"},
                                         {1, 0, nullptr},
                                         {0, 0, nullptr}}) {
    const std::vector<MemberRole> roles = ReservedMemberRoles(c.index);
    ASSERT_EQ(roles.size(), c.roles) << c.index;
    if (c.roles > 0) {
      EXPECT_STREQ(roles[0].name, c.first_role);
    }
    std::set<std::string_view> named;
    for (const MemberRole& role : roles) {
      EXPECT_EQ(members.count(role.member), 1u) << c.index << " " << role.member;
      EXPECT_TRUE(named.insert(role.member).second) << "twice: " << role.member;
    }
  }
  EXPECT_STREQ(ReservedMemberRoles(kTrainValuesEntry)[1].unit, " m");
}

TEST(ScenarioFilesTest, TimesOfDay) {
  for (const auto& [seconds, shown] :
       std::vector<std::pair<std::int64_t, std::optional<std::string>>>{{0, "00:00:00"},
                                                                        {43920, "12:12:00"},
                                                                        {86399, "23:59:59"},
                                                                        {90061, "25:01:01"},
                                                                        {-1, std::nullopt}}) {
    EXPECT_EQ(TimeOfDay(seconds), shown) << seconds;
  }
}

}  // namespace
}  // namespace packager::explain
