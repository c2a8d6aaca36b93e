#include "compiler/track_plan_builder.h"

#include <algorithm>
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
  if (plan_.filled() > 0) plan_.Create(plan_.last());
  plan_.Append(PlanValue::Int16(0), PlanValue::Int16(0));
  plan_.Append(PlanValue::Int16(0), PlanValue::Int16(1));
  next_ = 2;
}

std::int64_t TrackPlanBuilder::StepThrough(std::int64_t through, double curvature, bool curved) {
  if (plan_.filled() != next_) {
    throw RunFailure("the line plan holds " + std::to_string(plan_.filled()) +
                     " metres where its builder is at metre " + std::to_string(next_));
  }
  const std::int64_t room = std::min<std::int64_t>(through, plan_.last());
  if (room >= next_) {
    plan_.AppendStretch(room - next_ + 1, curvature, curved);
    next_ = room + 1;
  }
  return room;
}

void TrackPlanBuilder::ThrowPastTheEnd() const {
  throw RunFailure("a curve runs past the end of the line plan at metre " + std::to_string(next_) +
                   " (the plan ends at metre " + std::to_string(plan_.last()) + ")");
}

bool TrackPlanBuilder::Extend(std::int64_t through, double curvature, bool curved) {
  if (next_ > through) return true;
  // A step past the index limit stops the reading: never step beyond it
  // (unless already there, where one step is the most the text can ask).
  const std::int64_t stop = std::min(through, std::max(kPlanIndexLimit, next_));
  const std::int64_t room = StepThrough(stop, curvature, curved);
  if (next_ > kPlanIndexLimit) return false;
  if (room < stop) ThrowPastTheEnd();
  return true;
}

bool TrackPlanBuilder::ExtendThroughCurve(std::int64_t start, std::int64_t length,
                                          double curvature) {
  return Extend(start, 0.0, false) && Extend(start + length, curvature, true);
}

void TrackPlanBuilder::Finish() {
  const std::int64_t through = static_cast<std::int64_t>(plan_.last()) - 2;
  if (next_ <= through) StepThrough(through, 0.0, false);
}

}  // namespace packager
