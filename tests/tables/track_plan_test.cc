#include "tables/track_plan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tables/coding.h"
#include "tables/run_failure.h"

namespace packager {
namespace {

using namespace std::string_view_literals;

// Values of every size, in an order that does not repeat with the plan's
// checkpoints, so that a read has to step over mixed sizes.
PlanValue Mixed(int metre, int coordinate) {
  switch ((metre * 7 + coordinate * 3) % 5) {
    case 0:
      return PlanValue{};
    case 1:
    case 2:
      return PlanValue::Int16(static_cast<std::int16_t>(coordinate == 0 ? -metre : metre));
    default:
      return PlanValue::Real(metre + (coordinate == 0 ? 0.25 : -0.5));
  }
}

// The file bytes written value by value, independently of the plan's storage.
std::string Reference(const std::vector<PlanValue> (&values)[2], int metres) {
  std::string out;
  for (const auto& coordinate : values) {
    for (int metre = 0; metre < metres; ++metre) {
      const PlanValue value =
          metre < static_cast<int>(coordinate.size()) ? coordinate[metre] : PlanValue{};
      AppendU16(out, static_cast<std::uint16_t>(value.tag));
      if (value.tag == PlanValue::Tag::kInt16) AppendI16(out, value.whole);
      if (value.tag == PlanValue::Tag::kReal) AppendF64(out, value.real);
    }
  }
  return out;
}

// The file as the plan's sections give it.
std::string FileBytes(const TrackPlan& plan) {
  const auto sections = plan.FileSections();
  return std::string(sections[0]) + std::string(sections[1]);
}

TEST(TrackPlanTest, ReadsEveryMetreBackAndRefusesOutside) {
  TrackPlan plan;
  EXPECT_THROW(plan.at(0, 0), RunFailure);
  EXPECT_THROW(plan.Append(PlanValue{}, PlanValue{}), RunFailure);
  EXPECT_EQ(FileBytes(plan), "");
  EXPECT_THROW(plan.Create(-1), RunFailure);

  plan.Create(99);
  for (int metre = 0; metre < 90; ++metre) plan.Append(Mixed(metre, 0), Mixed(metre, 1));
  for (int metre = 0; metre <= 99; ++metre) {
    for (int coordinate = 0; coordinate <= 1; ++coordinate) {
      const PlanValue expected = metre < 90 ? Mixed(metre, coordinate) : PlanValue{};
      EXPECT_EQ(plan.at(metre, coordinate), expected) << metre << "," << coordinate;
    }
  }
  EXPECT_THROW(plan.at(100, 0), RunFailure);
  EXPECT_THROW(plan.at(-1, 0), RunFailure);
  EXPECT_THROW(plan.at(0, 2), RunFailure);

  for (int metre = 90; metre <= 99; ++metre) plan.Append(PlanValue::Real(1), PlanValue{});
  EXPECT_THROW(plan.Append(PlanValue::Real(1), PlanValue{}), RunFailure);
  EXPECT_EQ(plan.filled(), 100);
  EXPECT_EQ(plan.at(99, 0), PlanValue::Real(1));

  // A run of reals that does not fit is refused whole.
  plan.Create(20);
  int made = 0;
  const auto count_up = [&made](double& x, double& y) { x = y = ++made; };
  EXPECT_THROW(plan.AppendReals(22, count_up), RunFailure);
  EXPECT_EQ(plan.filled(), 0);
  plan.AppendReals(21, count_up);
  EXPECT_EQ(plan.at(20, 1), PlanValue::Real(21));
  EXPECT_EQ(plan.at(16, 0), PlanValue::Real(17));

  PlanValue unknown;
  unknown.tag = static_cast<PlanValue::Tag>(3);
  plan.Create(5);
  EXPECT_THROW(plan.Append(unknown, PlanValue{}), RunFailure);
  EXPECT_EQ(plan.filled(), 0);
}

TEST(TrackPlanTest, EachSectionIsACoordinateWithTheEmptyValuesOfTheMetresAfterIt) {
  std::vector<PlanValue> values[2];
  TrackPlan plan;
  plan.Create(40);
  for (int metre = 0; metre < 17; ++metre) {
    values[0].push_back(Mixed(metre, 0));
    values[1].push_back(Mixed(metre, 1));
    plan.Append(values[0].back(), values[1].back());
  }
  const auto sections = plan.FileSections();
  ASSERT_EQ(std::string(sections[0]) + std::string(sections[1]), Reference(values, 41));
  EXPECT_EQ(sections[1].substr(0, 2), "\x05\x00"sv);  // metre 0, second coordinate: a real
  EXPECT_EQ(plan.at(16, 1), values[1][16]);

  for (int metre = 17; metre <= 40; ++metre) {
    values[0].push_back(PlanValue::Real(-metre));
    values[1].push_back(Mixed(metre, 1));
    plan.Append(values[0].back(), values[1].back());
  }
  EXPECT_EQ(FileBytes(plan), Reference(values, 41));
  EXPECT_EQ(plan.at(40, 0), PlanValue::Real(-40));

  // Re-creating forgets everything: every value is empty again, also where
  // values stood before.
  plan.Create(2);
  EXPECT_EQ(FileBytes(plan), std::string(12, '\0'));
  plan.Append(PlanValue{}, PlanValue::Int16(-1));
  EXPECT_EQ(FileBytes(plan),
            std::string(6, '\0') + std::string("\x02\x00\xFF\xFF", 4) + std::string(4, '\0'));
}

// A stretch of a course and the reference of the rule it follows,
// computed point by point apart from the plan.
struct CourseStretch {
  std::int64_t count;
  double curvature;
  bool curved;
};

void ReferenceStretch(std::vector<PlanValue> (&values)[2], const CourseStretch& stretch) {
  for (std::int64_t step = 0; step < stretch.count; ++step) {
    const std::size_t j = values[0].size();
    const double x0 = values[0][j - 2].AsReal();
    const double y0 = values[1][j - 2].AsReal();
    const double x1 = values[0][j - 1].AsReal();
    const double y1 = values[1][j - 1].AsReal();
    const double d0 = x1 - x0;
    const double d1 = y1 - y0;
    const double k = stretch.curvature;
    values[0].push_back(PlanValue::Real(stretch.curved ? x1 + (d0 + k * d1) : x1 + d0));
    values[1].push_back(PlanValue::Real(stretch.curved ? y1 + (d1 - k * d0) : y1 + d1));
  }
}

// The file as WriteFile gives it, checking that every byte comes once and
// that no piece holds the whole of a long plan.
std::string WrittenFile(const TrackPlan& plan) {
  std::string bytes(static_cast<std::size_t>(plan.FileSize()), '\x7F');
  std::uint64_t written = 0;
  plan.WriteFile([&](std::uint64_t offset, std::string_view piece) {
    EXPECT_LE(offset + piece.size(), bytes.size());
    EXPECT_LE(piece.size(), std::size_t{256} << 10);
    piece.copy(bytes.data() + offset, piece.size());
    written += piece.size();
  });
  EXPECT_EQ(written, bytes.size());
  return bytes;
}

// The same through a sink that keeps each piece's bytes until settle, as a
// writer on another thread does: a buffer changed before its piece was
// settled shows in the bytes. Nothing may be left unsettled at the end.
std::string WrittenLater(const TrackPlan& plan) {
  std::string bytes(static_cast<std::size_t>(plan.FileSize()), '\x7F');
  std::vector<std::pair<std::uint64_t, std::string_view>> pending;
  plan.WriteFile(
      [&pending](std::uint64_t offset, std::string_view piece) {
        pending.emplace_back(offset, piece);
      },
      [&] {
        for (const auto& [offset, piece] : pending) piece.copy(bytes.data() + offset, piece.size());
        pending.clear();
      });
  EXPECT_TRUE(pending.empty());
  return bytes;
}

struct CourseCase {
  const char* name;
  std::int32_t last;
  std::vector<CourseStretch> course;
  // Metres of the course after which the plan is read, so that the rest
  // follows values already stored; -1: never.
  std::int64_t read_after = -1;
};

class TrackPlanCourseTest : public testing::TestWithParam<CourseCase> {};

TEST_P(TrackPlanCourseTest, WritesAndReadsTheValuesOfItsCourse) {
  const CourseCase& c = GetParam();
  TrackPlan plan;
  plan.Create(c.last);
  std::vector<PlanValue> values[2];
  for (const PlanValue& seed : {PlanValue::Int16(0), PlanValue::Int16(1)}) {
    plan.Append(PlanValue::Int16(0), seed);
    values[0].push_back(PlanValue::Int16(0));
    values[1].push_back(seed);
  }
  std::int64_t appended = 0;
  for (const CourseStretch& stretch : c.course) {
    plan.AppendStretch(stretch.count, stretch.curvature, stretch.curved);
    ReferenceStretch(values, stretch);
    appended += stretch.count;
    if (appended == c.read_after) {
      EXPECT_EQ(plan.at(appended + 1, 0), values[0].back());
    }
  }
  const std::string expected = Reference(values, c.last + 1);
  EXPECT_EQ(plan.filled(), static_cast<std::int32_t>(values[0].size()));
  EXPECT_EQ(WrittenFile(plan), expected);
  EXPECT_EQ(WrittenLater(plan), expected);
  // Reading stores the course; the file stays the same, written or viewed.
  for (const std::size_t metre : {std::size_t{1}, values[0].size() / 2, values[0].size() - 1}) {
    EXPECT_EQ(plan.at(static_cast<std::int64_t>(metre), 1), values[1][metre]) << metre;
  }
  EXPECT_EQ(WrittenFile(plan), expected);
  EXPECT_EQ(FileBytes(plan), expected);
  // A value given one by one after the course follows it.
  if (plan.filled() <= plan.last()) {
    plan.Append(PlanValue{}, PlanValue::Int16(-3));
    values[0].push_back(PlanValue{});
    values[1].push_back(PlanValue::Int16(-3));
    EXPECT_EQ(WrittenFile(plan), Reference(values, c.last + 1));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Courses, TrackPlanCourseTest,
    testing::Values(CourseCase{"NoCourse", 70000, {}},
                    CourseCase{"StraightToTheEnd", 100, {{99, 0.0, false}}},
                    // Stretches across the chunks of the writer, of either sign, with
                    // neighbours of the same rule that join and a -0 that does not.
                    CourseCase{"CurvesAcrossChunks",
                               60000,
                               {{16000, 0.0, false},
                                {800, -0.002, true},
                                {900, -0.002, true},
                                {20000, 0.0001, true},
                                {5, 0.0, true},
                                {5, -0.0, true},
                                {16384, 0.0, false},
                                {3000, 0.003, true}}},
                    CourseCase{
                        "ReadHalfWay", 40000, {{20000, 0.001, true}, {19000, 0.0, false}}, 20000},
                    CourseCase{"LongEmptyTail", 300000, {{50, 0.004, true}}},
                    // Many chunks, so that each of the two buffers is computed again
                    // several times, the last one partly; short stretches of every
                    // length up to a few points, each a rule of its own.
                    CourseCase{"ManyChunks",
                               100000,
                               {{1, 0.001, true},
                                {2, 0.0, false},
                                {3, 0.002, true},
                                {4, 0.0, false},
                                {5, 0.003, true},
                                {7, -0.001, true},
                                {40000, 0.0004, true},
                                {11, 0.0, false},
                                {13, -0.003, true},
                                {59000, 0.0, false}}}),
    [](const testing::TestParamInfo<CourseCase>& info) { return info.param.name; });

TEST(TrackPlanTest, ASinkThatFailsFindsEveryPieceSettledFirst) {
  TrackPlan plan;
  plan.Create(70000);
  plan.Append(PlanValue::Int16(0), PlanValue::Int16(0));
  plan.Append(PlanValue::Int16(0), PlanValue::Int16(1));
  plan.AppendStretch(60000, 0.001, true);
  for (const int fails_at : {1, 3, 5}) {
    int pieces = 0;
    int unsettled = 0;
    const auto sink = [&](std::uint64_t, std::string_view) {
      if (pieces++ == fails_at) throw std::runtime_error("the disk is full");
      ++unsettled;
    };
    EXPECT_THROW(plan.WriteFile(sink, [&unsettled] { unsettled = 0; }), std::runtime_error);
    EXPECT_EQ(unsettled, 0) << fails_at;
  }
}

TEST(TrackPlanTest, AStretchNeedsTwoMetresBeforeItAndRoomAfter) {
  TrackPlan plan;
  EXPECT_THROW(plan.AppendStretch(1, 0.0, false), RunFailure);
  plan.Create(10);
  plan.Append(PlanValue::Int16(0), PlanValue::Int16(0));
  EXPECT_THROW(plan.AppendStretch(1, 0.0, false), RunFailure);
  plan.Append(PlanValue::Int16(0), PlanValue::Int16(1));
  EXPECT_THROW(plan.AppendStretch(10, 0.0, false), RunFailure);
  EXPECT_THROW(plan.AppendStretch(-1, 0.0, false), RunFailure);
  EXPECT_EQ(plan.filled(), 2);
  plan.AppendStretch(9, 0.0, false);
  EXPECT_EQ(plan.at(10, 1), PlanValue::Real(10.0));
  EXPECT_THROW(plan.Append(PlanValue{}, PlanValue{}), RunFailure);
}

}  // namespace
}  // namespace packager
