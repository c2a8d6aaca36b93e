#include "check/warning_names.h"

#include <algorithm>
#include <iterator>

namespace packager::tool {

namespace {

constexpr WarningName kWarnings[] = {
    {"unknown-keyword", "a keyword that matches no record and is no section header"},
    {"missing-header", "a body record of the line above its first section header, read as none"},
    {"ambiguous-keyword", "a keyword read as two records, or a section header read as one"},
    {"leftover-fields", "a line with more values than its record reads"},
    {"record-spans-lines", "a record short of values, which reads the next line's fields"},
    {"out-of-order", "a record standing before the previous record of its kind"},
    {"overlapping-curves", "a curve that starts before the previous one ends"},
    {"curve-swallows", "a curve whose length reaches past the starts of the curves after it"},
    {"curve-keyword", "a curve keyword that is not \"curvas\" or \"curvad\" and one digit"},
    {"no-start-value", "no speed or adhesion record at 0"},
    {"above-general", "a train record above \"[generale]\", read as a note"},
    {"no-general-header", "a train description without \"[generale]\": nothing of it is read"},
    {"position-rounding", "a position off the 50 m raster that lands in the next cell"},
    {"fraction", "a number with decimals, rounded to a whole number"},
    {"empty-text", "an empty station name or board text"},
    {"narrow-field", "a value beyond what its field can hold"},
    {"unlikely-value", "a value stored as read but outside the range an author means (an "
                       "adhesion of 20 to 100, minutes and seconds up to 59, a flag of 0 or 1...)"},
    {"signal-heads", "a signal with no head on either side, or codes for a side without one"},
    {"reversed-stretch", "a cab signalling stretch that ends before it starts"},
    {"near-mountains", "a mountain stretch within 150 m of the previous one, turned into type 3"},
    {"no-effect", "a record read without a fault that leaves nothing: a stretch that ends at "
                  "or before its start, a curve of no length, a stop at a station that places "
                  "no stop point"},
    {"overwritten", "an object a record placed, written over by a later record or by the "
                    "packager's own abbattimento point"},
    {"beyond-grid", "a cab signalling stretch that reaches past the route grid's last cell, "
                    "where no train runs"},
    {"time-order", "a stop's time of day before the previous stop's"},
    {"clock-after-departure", "the clock starts after the train's first departure"},
    {"repeated-station", "a station name given again further along the line"},
    {"slowdown-above-limit", "a slowdown no slower than the speed in force, which slows nothing"},
    {"signal-spacing", "a signal closer to the one before than the train brakes from the speed "
                       "in force at a service braking"},
    {"slowdown-no-warning", "a slowdown at or before 1500 m, which gets no warning board"},
    {"terminus-kind", "kind 7, the first and the last station's, at a station on the way"},
    {"stop-dwell", "a stop on the way where the train stands 0 seconds (column 13)"},
    {"running-time", "a stop reached sooner than the speeds, the curves and the slowdowns allow "
                     "at a stated acceleration and braking"},
    {"curve-speed", "a curve run faster than its limit of lateral acceleration, v\u00B2 / r, "
                    "allows"},
    {"speed-board", "a speed board without a speed record of one of its speeds at its place"},
    {"crew-slowdown-order", "the slowdown order disagrees with the slowdown records"},
    {"crew-train-number", "a crew document names another train number"},
    {"crew-timetable", "the timetable sheet disagrees with the station or speed records"},
    {"crew-vehicles", "the notes give another count of vehicles than the train"},
    {"crew-braked-mass", "a crew document gives another braked mass"},
};

}  // namespace

const WarningName* WarningNamesBegin() { return std::begin(kWarnings); }
const WarningName* WarningNamesEnd() { return std::end(kWarnings); }

const char* WarningSummary(const std::string& name) {
  const auto found = std::find_if(std::begin(kWarnings), std::end(kWarnings),
                                  [&](const WarningName& w) { return name == w.name; });
  return found != std::end(kWarnings) ? found->summary : nullptr;
}

}  // namespace packager::tool
