// The train checked against itself and against the line's boards: what a
// train description can say that reads without a fault but cannot be meant.
//
//   time-order            a stop's time before the previous stop's
//   clock-after-departure the clock starts after the first departure
//   repeated-station      a station name given again further on
//   slowdown-above-limit  a slowdown no slower than the speed in force
//   signal-spacing        a signal closer to the one before than the train
//                         brakes from the speed in force (kSignalDeceleration)
//   speed-board           a speed board without a speed record of one of its
//                         speeds at its position
//   stop-dwell            a stop on the way where the train stands 0 seconds
//   running-time          a stop reached sooner than the line allows, from
//                         the speeds in force, the curves' limits and the
//                         slowdowns, starting at 0.5 m/s² and braking at
//                         0.7 m/s² (grammar::kTimetableAcceleration and
//                         kTimetableBraking), less a minute's rounding
//   slowdown-no-warning   a slowdown at or before 1500 m, which gets no
//                         warning board
//   terminus-kind         kind 7, the terminus's, at a station on the way
//   curve-speed           a curve run faster than v² / r = 5 m/s² allows
//                         (grammar::kCurveLateralAcceleration)
#pragma once

#include <vector>

#include "check/diagnostics.h"
#include "check/text_warnings.h"
#include "compiler/grammar.h"
#include "compiler/reading_observer.h"

namespace packager::tool {

// The braking the signal spacing is measured with, in mm/s² (0.7 m/s², a
// service braking): a signal stands at least v² / (2 × 0.7) metres after
// the one before, v in m/s the speed in force there.
inline constexpr int kSignalDeceleration = grammar::kTimetableBraking;

// records: both texts' records in reading order.
std::vector<Diagnostic> TrainWarnings(const std::vector<ReadRecord>& records,
                                      const AuthorFiles& files);

}  // namespace packager::tool
