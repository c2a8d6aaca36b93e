#include "compiler/track_plan_builder.h"

#include <string>

namespace packager {

double CurvatureOfClass(int curve_class) {
  switch (curve_class) {
    case 1:
      return 0.0001;
    case 2:
      return 0.0002;
    case 3:
      return 0.0004;
    case 4:
      return 0.001;
    case 5:
      return 0.002;
    case 6:
      return 0.003;
    default:
      return 0.0;
  }
}

void TrackPlanBuilder::Seed() {
  plan_.at(0, 0) = PlanValue::Int16(0);
  plan_.at(0, 1) = PlanValue::Int16(0);
  plan_.at(1, 0) = PlanValue::Int16(0);
  plan_.at(1, 1) = PlanValue::Int16(1);
  next_ = 2;
}

void TrackPlanBuilder::Step(double curvature, bool curved) {
  const std::int64_t j = next_;
  if (j > plan_.last()) {
    throw RunFailure("a curve runs past the end of the line plan at metre " + std::to_string(j) +
                     " (the plan ends at metre " + std::to_string(plan_.last()) + ")");
  }
  const double x1 = plan_.at(j - 1, 0).AsReal();
  const double y1 = plan_.at(j - 1, 1).AsReal();
  const double d0 = x1 - plan_.at(j - 2, 0).AsReal();
  const double d1 = y1 - plan_.at(j - 2, 1).AsReal();
  if (curved) {
    plan_.at(j, 0) = PlanValue::Real(x1 + (d0 + curvature * d1));
    plan_.at(j, 1) = PlanValue::Real(y1 + (d1 - curvature * d0));
  } else {
    plan_.at(j, 0) = PlanValue::Real(x1 + d0);
    plan_.at(j, 1) = PlanValue::Real(y1 + d1);
  }
  next_ = j + 1;
}

bool TrackPlanBuilder::ExtendThroughCurve(std::int64_t start, std::int64_t length,
                                          double curvature) {
  while (next_ <= start) {
    Step(0.0, false);
    if (next_ > kPlanIndexLimit) return false;
  }
  while (next_ <= start + length) {
    Step(curvature, true);
    if (next_ > kPlanIndexLimit) return false;
  }
  return true;
}

void TrackPlanBuilder::Finish() {
  while (next_ <= static_cast<std::int64_t>(plan_.last()) - 2) Step(0.0, false);
}

}  // namespace packager
