// Builds the line plan from the curve records: straight stretches between
// the curves, curved ones through them (see TrackPlan::AppendStretch for how
// each point follows from the two before it).
#pragma once

#include <cstdint>

#include "compiler/grammar.h"
#include "tables/scenario_tables.h"

namespace packager {

// The plan index past which a curve record stops the reading (code 103):
// the plan holds a point a metre, up to the longest line there can be.
inline constexpr std::int64_t kPlanIndexLimit = grammar::kLineLengthLimit;

class TrackPlanBuilder {
 public:
  explicit TrackPlanBuilder(TrackPlan& plan) : plan_(plan) {}

  // Starts the plan over: points 0 and 1 become (0, 0) and (0, 1) as 16-bit
  // integers; j becomes 2.
  void Seed();

  // Straight steps up to metre start, then curved steps up to start + length.
  // Returns false when j passes kPlanIndexLimit (the points built stay).
  // A step past the end of the plan is refused with RunFailure.
  bool ExtendThroughCurve(std::int64_t start, std::int64_t length, double curvature);

  // Straight steps up to plan_last - 2.
  void Finish();

  std::int64_t next_point() const { return next_; }

 private:
  // Steps metres next_ to through (no further than the plan's end); returns
  // the last metre it could step.
  std::int64_t StepThrough(std::int64_t through, double curvature, bool curved);
  // Steps up to through, stopping past kPlanIndexLimit (false) and refusing
  // a step past the plan's end.
  bool Extend(std::int64_t through, double curvature, bool curved);
  [[noreturn]] void ThrowPastTheEnd() const;

  TrackPlan& plan_;
  std::int64_t next_ = 2;
};

// The curvature per metre of a curve class 1 to 6; 0 for any other class.
double CurvatureOfClass(int curve_class);

}  // namespace packager
