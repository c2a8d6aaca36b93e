#include "compiler/track_plan_builder.h"

#include <cmath>

#include <gtest/gtest.h>

namespace packager {
namespace {

double X(const TrackPlan& plan, std::int64_t m) { return plan.at(m, 0).AsReal(); }
double Y(const TrackPlan& plan, std::int64_t m) { return plan.at(m, 1).AsReal(); }

TEST(TrackPlanBuilderTest, AStraightLineRunsAlongTheSecondCoordinate) {
  TrackPlan plan;
  plan.Create(8000);
  TrackPlanBuilder builder(plan);
  builder.Seed();
  builder.Finish();
  EXPECT_EQ(plan.at(0, 0).tag, PlanValue::Tag::kInt16);
  EXPECT_EQ(plan.at(1, 1).tag, PlanValue::Tag::kInt16);
  EXPECT_EQ(plan.at(1, 1).whole, 1);
  for (std::int64_t m : {2, 3, 500, 7998}) {
    EXPECT_EQ(plan.at(m, 0).tag, PlanValue::Tag::kReal) << m;
    EXPECT_EQ(X(plan, m), 0.0) << m;
    EXPECT_EQ(Y(plan, m), static_cast<double>(m)) << m;
  }
  for (std::int64_t m : {7999, 8000}) {
    EXPECT_EQ(plan.at(m, 0).tag, PlanValue::Tag::kEmpty);
    EXPECT_EQ(plan.at(m, 1).tag, PlanValue::Tag::kEmpty);
  }
}

TEST(TrackPlanBuilderTest, ALeftCurveBendsTheMetresAfterItsStart) {
  // "curvas5,  800,  100": curvature -0.002 per metre over metres 801 to 900.
  TrackPlan plan;
  plan.Create(131000);
  TrackPlanBuilder builder(plan);
  builder.Seed();
  ASSERT_TRUE(builder.ExtendThroughCurve(800, 100, -CurvatureOfClass(5)));
  EXPECT_EQ(builder.next_point(), 901);
  EXPECT_EQ(X(plan, 800), 0.0);
  EXPECT_EQ(Y(plan, 800), 800.0);
  EXPECT_EQ(X(plan, 801), -0.002);
  EXPECT_EQ(Y(plan, 801), 801.0);
  // The second curved step turns the direction (-0.002, 1) once more.
  EXPECT_EQ(X(plan, 802), -0.002 + (-0.002 + -0.002 * 1.0));
  EXPECT_EQ(Y(plan, 802), 801.0 + (1.0 - -0.002 * -0.002));
  EXPECT_LT(X(plan, 900), -9.0);
  builder.Finish();
  // After the curve the track keeps the direction of its last metre.
  const double d0 = X(plan, 900) - X(plan, 899);
  const double d1 = Y(plan, 900) - Y(plan, 899);
  EXPECT_NEAR(X(plan, 1900) - X(plan, 900), 1000 * d0, 1e-6);
  EXPECT_NEAR(Y(plan, 1900) - Y(plan, 900), 1000 * d1, 1e-6);
  EXPECT_EQ(plan.at(130998, 0).tag, PlanValue::Tag::kReal);
  EXPECT_EQ(plan.at(130999, 0).tag, PlanValue::Tag::kEmpty);
}

TEST(TrackPlanBuilderTest, AQuarterTurnLengthensTheDirectionSlightly) {
  TrackPlan plan;
  plan.Create(10000);
  TrackPlanBuilder builder(plan);
  builder.Seed();
  ASSERT_TRUE(builder.ExtendThroughCurve(100, 1571, CurvatureOfClass(4)));
  const double d0 = X(plan, 1671) - X(plan, 1670);
  const double d1 = Y(plan, 1671) - Y(plan, 1670);
  EXPECT_NEAR(std::atan2(d0, d1), 1.571, 0.001);  // turned right, towards +x
  EXPECT_NEAR(std::hypot(d0, d1), std::exp(0.5 * 1571 * 0.000001), 1e-6);
}

TEST(TrackPlanBuilderTest, OverlappingCurvesDoNotBendMetresTwice) {
  TrackPlan once;
  once.Create(3000);
  TrackPlanBuilder first(once);
  first.Seed();
  first.ExtendThroughCurve(100, 200, 0.001);
  TrackPlan twice;
  twice.Create(3000);
  TrackPlanBuilder second(twice);
  second.Seed();
  second.ExtendThroughCurve(100, 200, 0.001);
  second.ExtendThroughCurve(150, 100, -0.003);  // ends before j: adds nothing
  EXPECT_EQ(second.next_point(), 301);
  second.ExtendThroughCurve(250, 100, -0.003);  // bends only 301 to 350
  EXPECT_EQ(X(twice, 300), X(once, 300));
  EXPECT_EQ(second.next_point(), 351);
}

TEST(TrackPlanBuilderTest, PassingTheIndexLimitStopsTheCurve) {
  TrackPlan plan;
  plan.Create(1007000);
  TrackPlanBuilder builder(plan);
  builder.Seed();
  EXPECT_TRUE(builder.ExtendThroughCurve(999000, 999, 0.0001));
  EXPECT_FALSE(builder.ExtendThroughCurve(999999, 10, 0.0001));
  EXPECT_EQ(builder.next_point(), 1000001);

  // A straight stretch that crosses the limit stops right after it too.
  builder.Seed();
  EXPECT_FALSE(builder.ExtendThroughCurve(1000500, 10, 0.0001));
  EXPECT_EQ(builder.next_point(), 1000001);
  EXPECT_EQ(plan.at(1000000, 1).tag, PlanValue::Tag::kReal);
  EXPECT_EQ(plan.at(1000001, 1).tag, PlanValue::Tag::kEmpty);
}

TEST(TrackPlanBuilderTest, ACurveBeyondThePlanIsRefusedNotWrittenPastIt) {
  TrackPlan plan;
  plan.Create(8000);
  TrackPlanBuilder builder(plan);
  builder.Seed();
  EXPECT_THROW(builder.ExtendThroughCurve(7900, 500, 0.001), RunFailure);
  EXPECT_EQ(builder.next_point(), 8001);
  EXPECT_EQ(plan.at(8000, 0).tag, PlanValue::Tag::kReal);
}

}  // namespace
}  // namespace packager
