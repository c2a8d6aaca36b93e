#include "tables/track_plan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
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

}  // namespace
}  // namespace packager
