#include "check/train_checks.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <set>
#include <optional>
#include <string>
#include <utility>

#include "compiler/grammar.h"
#include "compiler/track_plan_builder.h"

namespace packager::tool {

namespace {

namespace g = grammar;

std::optional<std::int64_t> Value(const ReadRecord& record, const g::RecordKind& kind,
                                  const char* field) {
  const std::size_t index = g::FieldIndex(kind, field);
  if (index >= record.fields.size() || !record.fields[index].number) return std::nullopt;
  return record.fields[index].value;
}

bool Is(const ReadRecord& record, const g::RecordKind& kind) {
  return record.kinds.size() == 1 && record.kinds.front() == kind.name;
}

std::string Clock(std::int64_t seconds) {
  const auto two = [](std::int64_t value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
  };
  return two(seconds / 3600) + ":" + two(seconds / 60 % 60) + ":" + two(seconds % 60);
}

std::string Upper(std::string text) {
  const std::size_t first = text.find_first_not_of(" \t");
  const std::size_t last = text.find_last_not_of(" \t");
  text = first == std::string::npos ? "" : text.substr(first, last - first + 1);
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// An acceleration given in mm/s² as said: "5 m/s²", "0.7 m/s²".
std::string Acceleration(int mm_per_s2) {
  std::string fraction = std::to_string(1000 + mm_per_s2 % 1000).substr(1);
  fraction.erase(fraction.find_last_not_of('0') + 1);
  return std::to_string(mm_per_s2 / 1000) + (fraction.empty() ? "" : "." + fraction) +
         " m/s\u00B2";
}

// The station kind of a terminus (the first and the last station).
constexpr std::int64_t kTerminusKind = 7;

struct Stop {
  const ReadRecord* record;
  std::int64_t position;
  std::int64_t seconds;  // 0: a pass
  std::string name;
  std::int64_t dwell;  // column 13: the seconds it stands, where it stops
};

// "8 min 20 s".
std::string Duration(std::int64_t seconds) {
  if (seconds < 60) return std::to_string(seconds) + " s";
  return std::to_string(seconds / 60) + " min" +
         (seconds % 60 != 0 ? " " + std::to_string(seconds % 60) + " s" : std::string());
}

// A speed limit over a stretch of line, km/h.
struct Limit {
  std::int64_t from;  // metres
  std::int64_t to;
  double kmh;
};

// The least time, in seconds, a train takes from a standstill at `from` to
// a standstill at `to` under the limits: the fastest run that starts at
// kTimetableAcceleration and brakes at kTimetableBraking, in steps of 10 m.
// None where some metre has no limit above 0.
std::optional<double> LeastRunningTime(std::int64_t from, std::int64_t to,
                                       const std::vector<Limit>& limits) {
  constexpr std::int64_t kStep = 10;
  const std::size_t steps = static_cast<std::size_t>((to - from + kStep - 1) / kStep);
  if (steps == 0) return std::nullopt;
  // The limits in force at each step's point, swept in order of their
  // starts (limits: sorted by from), so that a text of many records costs
  // no more than their count and the steps.
  std::vector<double> top(steps + 1);  // m/s at each step's point
  std::multiset<double> in_force;
  std::vector<const Limit*> ending;  // those in in_force, by their end
  const auto later_end = [](const Limit* a, const Limit* b) { return a->to > b->to; };
  std::size_t next = 0;
  for (std::size_t i = 0; i <= steps; ++i) {
    const std::int64_t at = std::min(to, from + static_cast<std::int64_t>(i) * kStep);
    for (; next < limits.size() && limits[next].from <= at; ++next) {
      in_force.insert(limits[next].kmh);
      ending.push_back(&limits[next]);
      std::push_heap(ending.begin(), ending.end(), later_end);
    }
    while (!ending.empty() && ending.front()->to <= at) {
      in_force.erase(in_force.find(ending.front()->kmh));
      std::pop_heap(ending.begin(), ending.end(), later_end);
      ending.pop_back();
    }
    if (in_force.empty() || *in_force.begin() <= 0) return std::nullopt;
    top[i] = *in_force.begin() / 3.6;
  }
  const double accelerate = grammar::kTimetableAcceleration / 1000.0;
  const double brake = grammar::kTimetableBraking / 1000.0;
  std::vector<double> v(top);
  v.front() = 0;
  for (std::size_t i = 1; i <= steps; ++i) {
    v[i] = std::min(v[i], std::sqrt(v[i - 1] * v[i - 1] + 2 * accelerate * kStep));
  }
  v.back() = 0;
  for (std::size_t i = steps; i-- > 0;) {
    v[i] = std::min(v[i], std::sqrt(v[i + 1] * v[i + 1] + 2 * brake * kStep));
  }
  double seconds = 0;
  for (std::size_t i = 0; i < steps; ++i) seconds += 2.0 * kStep / (v[i] + v[i + 1]);
  return seconds;
}

class TrainChecker {
 public:
  TrainChecker(const std::vector<ReadRecord>& records, const AuthorFiles& files)
      : files_(files) {
    for (const ReadRecord& record : records) {
      if (Is(record, g::kStation)) AddStation(record);
      if (Is(record, g::kSpeed)) Keep(speeds_, record, g::kSpeed);
      if (Is(record, g::kSignal)) Keep(signals_, record, g::kSignal);
      if (Is(record, g::kSlowdown)) Keep(slowdowns_, record, g::kSlowdown);
      if (Is(record, g::kSpeedBoard)) Keep(boards_, record, g::kSpeedBoard);
      if (Is(record, g::kClock) && clock_ == nullptr) clock_ = &record;
      if (Is(record, g::kCurve)) curves_.push_back(&record);
    }
  }

  std::vector<Diagnostic> Run() {
    CheckTimes();
    CheckDwells();
    CheckCurves();
    CheckRunningTimes();
    CheckNames();
    CheckSlowdowns();
    CheckSlowdownWarnings();
    CheckTerminusKinds();
    CheckSignals();
    CheckBoards();
    return std::move(found_);
  }

 private:
  using Positioned = std::vector<std::pair<std::int64_t, const ReadRecord*>>;

  static void Keep(Positioned& list, const ReadRecord& record, const g::RecordKind& kind) {
    if (const auto position = Value(record, kind, "position")) list.push_back({*position, &record});
  }

  void AddStation(const ReadRecord& record) {
    const auto position = Value(record, g::kStation, "position");
    if (!position) return;
    const std::int64_t seconds = (Value(record, g::kStation, "hours").value_or(0) * 60 +
                                  Value(record, g::kStation, "minutes").value_or(0)) *
                                     60 +
                                 Value(record, g::kStation, "seconds").value_or(0);
    const std::size_t name = g::FieldIndex(g::kStation, "name");
    stations_.push_back({&record, *position, seconds,
                         name < record.fields.size() ? record.fields[name].raw : "",
                         Value(record, g::kStation, "column 13").value_or(0)});
  }

  // The speed record in force at a position: the last one at or before it.
  const std::pair<std::int64_t, const ReadRecord*>* SpeedAt(std::int64_t position) const {
    const std::pair<std::int64_t, const ReadRecord*>* in_force = nullptr;
    for (const auto& speed : speeds_) {
      if (speed.first <= position) in_force = &speed;
    }
    return in_force;
  }

  void CheckTimes() {
    const Stop* previous = nullptr;
    for (const Stop& stop : stations_) {
      if (stop.seconds == 0) continue;
      if (previous != nullptr && stop.seconds <= previous->seconds) {
        Warn("time-order", *stop.record,
             "the train stops here at " + Clock(stop.seconds) +
                 (stop.seconds == previous->seconds ? ", the time it leaves its stop at "
                                                    : ", before its stop at ") +
                 Clock(previous->seconds) + " at " + std::to_string(previous->position) +
                 " m: times of day go forward along the line",
             previous->record, "the stop before it");
      }
      previous = &stop;
    }
    const auto first = std::find_if(stations_.begin(), stations_.end(),
                                    [](const Stop& stop) { return stop.seconds != 0; });
    if (clock_ == nullptr || first == stations_.end()) return;
    const std::int64_t clock = (Value(*clock_, g::kClock, "hours").value_or(0) * 60 +
                                Value(*clock_, g::kClock, "minutes").value_or(0)) *
                                   60 +
                               Value(*clock_, g::kClock, "seconds").value_or(0);
    if (clock > first->seconds) {
      Warn("clock-after-departure", *clock_,
           "the clock starts at " + Clock(clock) + ", after the train's first departure at " +
               Clock(first->seconds) + ": start it at or a little before that time",
           first->record, "the first departure");
    }
  }

  // Where the train stops on its way it stands a while: column 13 gives the
  // seconds (30 or 60), 1 at the first station; at the last it ends its run.
  void CheckDwells() {
    std::vector<const Stop*> stops;
    for (const Stop& stop : stations_) {
      if (stop.seconds != 0) stops.push_back(&stop);
    }
    for (std::size_t i = 1; i + 1 < stops.size(); ++i) {
      if (stops[i]->dwell != 0) continue;
      const std::size_t column = g::FieldIndex(g::kStation, "column 13");
      WarnAt("stop-dwell", *stops[i]->record, column,
             "the train stops here at " + Clock(stops[i]->seconds) +
                 ", but column 13, the seconds it stands, is 0: give 30 or 60, as where a "
                 "train stops in the repository's train");
    }
  }

  // The limits along the line: the speed records, each curve's limit
  // (kCurveLateralAcceleration) and the slowdowns.
  std::vector<Limit> Limits() const {
    std::vector<Limit> limits;
    for (std::size_t i = 0; i < speeds_.size(); ++i) {
      const auto speed = Value(*speeds_[i].second, g::kSpeed, "speed");
      const std::int64_t end = i + 1 < speeds_.size() ? speeds_[i + 1].first : INT64_MAX;
      if (speed) limits.push_back({speeds_[i].first, end, static_cast<double>(*speed)});
    }
    if (!limits.empty()) limits.front().from = std::min<std::int64_t>(limits.front().from, 0);
    for (const ReadRecord* curve : curves_) {
      const auto start = Value(*curve, g::kCurve, "start");
      const auto length = Value(*curve, g::kCurve, "length");
      if (!start || !length || *length <= 0) continue;
      limits.push_back({*start, *start + *length, CurveLimit(*curve)});
    }
    for (const auto& [start, record] : slowdowns_) {
      const auto speed = Value(*record, g::kSlowdown, "v");
      const auto length = Value(*record, g::kSlowdown, "l");
      if (!speed || !length || *speed <= 0) continue;
      limits.push_back({start, start + *length, static_cast<double>(*speed)});
    }
    return limits;
  }

  // km/h; a curve of no class limits nothing.
  static double CurveLimit(const ReadRecord& curve) {
    std::string keyword = curve.keyword;
    for (char& c : keyword) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const double curvature = CurvatureOfClass(g::CurveClass(keyword));
    if (curvature <= 0) return 1e9;
    return std::sqrt(g::kCurveLateralAcceleration / 1000.0 / curvature) * 3.6;
  }

  // A curve is run at most at the speed whose lateral acceleration reaches
  // kCurveLateralAcceleration: the speed records in force over it must not
  // allow more (a slowdown is the train's own, for a while).
  void CheckCurves() {
    // Speed records out of order are said so already (out-of-order).
    if (!std::is_sorted(speeds_.begin(), speeds_.end(),
                        [](const auto& a, const auto& b) { return a.first < b.first; })) {
      return;
    }
    for (const ReadRecord* curve : curves_) {
      const auto start = Value(*curve, g::kCurve, "start");
      const auto length = Value(*curve, g::kCurve, "length");
      if (!start || !length || *length <= 0) continue;
      const double limit = CurveLimit(*curve);
      const std::pair<std::int64_t, const ReadRecord*>* fastest = nullptr;
      std::int64_t fastest_kmh = 0;
      // From the speed record in force at the curve's start to the last one
      // before its end.
      auto first = std::upper_bound(speeds_.begin(), speeds_.end(), *start,
                                    [](std::int64_t at, const auto& speed) {
                                      return at < speed.first;
                                    });
      if (first != speeds_.begin()) --first;
      for (auto i = static_cast<std::size_t>(first - speeds_.begin()); i < speeds_.size(); ++i) {
        const std::int64_t from = speeds_[i].first;
        const std::int64_t to = i + 1 < speeds_.size() ? speeds_[i + 1].first : INT64_MAX;
        if (from >= *start + *length) break;
        if (to <= *start) continue;
        const std::int64_t kmh = Value(*speeds_[i].second, g::kSpeed, "speed").value_or(0);
        if (kmh > fastest_kmh) {
          fastest_kmh = kmh;
          fastest = &speeds_[i];
        }
      }
      if (fastest == nullptr || fastest_kmh <= limit) continue;
      std::string keyword = Upper(curve->keyword);
      for (char& c : keyword) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const double curvature = CurvatureOfClass(g::CurveClass(keyword));
      const auto radius = static_cast<std::int64_t>(std::lround(1 / curvature));
      const auto most = static_cast<std::int64_t>(limit);
      Warn("curve-speed", *curve,
           "this curve of class " + std::to_string(g::CurveClass(keyword)) + " (radius " +
               std::to_string(radius) + " m) is run at " + std::to_string(fastest_kmh) +
               " km/h, the speed in force from " + std::to_string(fastest->first) +
               " m: a train runs a curve at most at the speed v whose v\u00B2 / r reaches " +
               Acceleration(g::kCurveLateralAcceleration) + ", here " + std::to_string(most) +
               " km/h; give the train a lower speed over the curve, or the curve a lower class",
           fastest->second, "the speed in force over the curve");
    }
  }

  // From one stop to the next the train needs at least the time of the
  // fastest run the limits allow (LeastRunningTime): it leaves at the one's
  // time and arrives at the other's less the seconds it stands there (at
  // the last stop the time is the arrival).
  void CheckRunningTimes() {
    std::vector<const Stop*> stops;
    for (const Stop& stop : stations_) {
      if (stop.seconds != 0) stops.push_back(&stop);
    }
    if (stops.size() < 2) return;
    std::vector<Limit> limits = Limits();
    std::sort(limits.begin(), limits.end(),
              [](const Limit& a, const Limit& b) { return a.from < b.from; });
    for (std::size_t i = 1; i < stops.size(); ++i) {
      const Stop& from = *stops[i - 1];
      const Stop& to = *stops[i];
      const bool last = i + 1 == stops.size();
      const std::int64_t arrival = to.seconds - (last ? 0 : to.dwell);
      const std::int64_t given = arrival - from.seconds;
      if (given <= 0 || to.position <= from.position) continue;  // time-order says so
      const auto least = LeastRunningTime(from.position, to.position, limits);
      if (!least || given + g::kTimetableMargin > *least) continue;
      const auto needed = static_cast<std::int64_t>(std::ceil(*least));
      const std::size_t hours = g::FieldIndex(g::kStation, "hours");
      WarnAt("running-time", *to.record, hours,
             "the train is due here at " + Clock(arrival) +
                 (last ? "" : " (" + Clock(to.seconds) + " less its " +
                                  std::to_string(to.dwell) + " s stop)") +
                 ", " + Duration(given) + " after leaving " + Upper(from.name) + " at " +
                 Clock(from.seconds) + ", but the " +
                 std::to_string(to.position - from.position) + " m take at least " +
                 Duration(needed) +
                 " at the speeds in force, the curves' limits and the slowdowns, starting at " +
                 Acceleration(g::kTimetableAcceleration) + " and braking at " +
                 Acceleration(g::kTimetableBraking) + ": give a time of " +
                 Clock(from.seconds + needed + (last ? 0 : to.dwell)) + " or later",
             from.record, "the stop before it");
    }
  }

  // A terminus may be given as two records side by side, the platform the
  // train stands at and the station it leaves or enters through (as the
  // repository's first station): the first two records or the last two.
  // Anywhere else a name given again is a slip, the usual one a row copied
  // and its name left.
  void CheckNames() {
    std::map<std::string, std::size_t> seen;
    const std::size_t count = stations_.size();
    for (std::size_t i = 0; i < count; ++i) {
      const std::string name = Upper(stations_[i].name);
      if (name.empty()) continue;
      const auto [earlier, fresh] = seen.try_emplace(name, i);
      const bool terminus = earlier->second + 1 == i && (i == 1 || i + 1 == count);
      if (!fresh && !terminus) {
        const Stop& first = stations_[earlier->second];
        Warn("repeated-station", *stations_[i].record,
             "the station name '" + stations_[i].name + "' is given already at " +
                 std::to_string(first.position) + " m: each place along the line has its own",
             first.record, "the station of that name");
      }
      earlier->second = i;
    }
  }

  void CheckSlowdowns() {
    for (const auto& [start, record] : slowdowns_) {
      const auto speed = Value(*record, g::kSlowdown, "v");
      const auto* limit = SpeedAt(start);
      if (!speed || limit == nullptr) continue;
      const auto in_force = Value(*limit->second, g::kSpeed, "speed");
      if (!in_force || *speed < *in_force) continue;
      Warn("slowdown-above-limit", *record,
           "the slowdown asks for " + std::to_string(*speed) + " km/h where the train's speed " +
               "is " + std::to_string(*in_force) + " km/h already: it slows nothing; give a " +
               "speed below " + std::to_string(*in_force) + " km/h",
           limit->second, "the speed in force");
    }
  }

  // A slowdown that starts at or before kNoWarningUpTo gets no warning
  // board: the driver meets it unwarned.
  void CheckSlowdownWarnings() {
    for (const auto& [start, record] : slowdowns_) {
      if (g::SlowdownHasWarning(start) || start < 0) continue;
      Warn("slowdown-no-warning", *record,
           "this slowdown starts at " + std::to_string(start) + " m: a slowdown gets its "
               "warning board " + std::to_string(g::kWarningDistance) + " m before it only when "
               "it starts beyond " + std::to_string(g::kNoWarningUpTo) +
               " m, so the driver meets this one unwarned; start it beyond " +
               std::to_string(g::kNoWarningUpTo) + " m, or say so in the notes");
    }
  }

  // Kind 7 is the first and the last station's, where the run starts and
  // ends: on the way the train runs through a terminus.
  void CheckTerminusKinds() {
    for (std::size_t i = 1; i + 1 < stations_.size(); ++i) {
      const auto kind = Value(*stations_[i].record, g::kStation, "kind");
      if (kind != kTerminusKind) continue;
      WarnAt("terminus-kind", *stations_[i].record, g::FieldIndex(g::kStation, "kind"),
             "kind 7 is the first and the last station's, where the run starts and ends; on "
             "the way give 11 for a station where the train stops, 12 for a larger one, 21 "
             "for a small one it passes");
    }
  }

  void CheckSignals() {
    for (std::size_t i = 1; i < signals_.size(); ++i) {
      const auto& [before, previous] = signals_[i - 1];
      const auto& [here, record] = signals_[i];
      const auto* limit = SpeedAt(before);
      if (limit == nullptr || here <= before) continue;
      const std::int64_t kmh = Value(*limit->second, g::kSpeed, "speed").value_or(0);
      // v² / (2a) with v = kmh / 3.6 m/s and a in mm/s²: kmh² × 1000 / (2 × 12.96 × a).
      const std::int64_t braking = kmh * kmh * 1000 * 100 / (2 * 1296 * kSignalDeceleration);
      if (here - before >= braking) continue;
      Warn("signal-spacing", *record,
           "this signal stands " + std::to_string(here - before) + " m after the one at " +
               std::to_string(before) + " m; from " + std::to_string(kmh) +
               " km/h the train needs " + std::to_string(braking) +
               " m to stop (braking at " + Acceleration(kSignalDeceleration) +
               "): space them at least that far apart",
           previous, "the signal before it");
    }
  }

  void CheckBoards() {
    for (const auto& entry : boards_) {
      // Named apart: a lambda below uses the position.
      const std::int64_t position = entry.first;
      const ReadRecord* board = entry.second;
      std::vector<std::int64_t> shown;
      for (const char* field : {"vas", "vbs", "vcs", "vad", "vbd", "vcd"}) {
        const auto speed = Value(*board, g::kSpeedBoard, field);
        if (speed && *speed > 0) shown.push_back(*speed);
      }
      if (shown.empty()) continue;
      const auto at = std::find_if(speeds_.begin(), speeds_.end(), [&](const auto& speed) {
        return speed.first > position - kCellLength && speed.first < position + kCellLength;
      });
      std::string speeds;
      for (const std::int64_t speed : shown) {
        speeds += (speeds.empty() ? "" : ", ") + std::to_string(speed);
      }
      if (at == speeds_.end()) {
        // A board that repeats the speed in force needs no record of its own.
        const auto* in_force = SpeedAt(position);
        const auto kept = in_force != nullptr ? Value(*in_force->second, g::kSpeed, "speed")
                                              : std::nullopt;
        if (kept && std::find(shown.begin(), shown.end(), *kept) != shown.end()) continue;
        Warn("speed-board", *board,
             "the speed board at " + std::to_string(position) + " m shows " + speeds +
                 " km/h, but the train has no speed record there" +
                 (kept ? " and keeps " + std::to_string(*kept) + " km/h" : std::string()) +
                 ": give a speed record at " + std::to_string(position) +
                 " m with the speed of the train's class",
             in_force != nullptr ? in_force->second : nullptr, "the speed in force there");
        continue;
      }
      const auto speed = Value(*at->second, g::kSpeed, "speed");
      if (!speed || std::find(shown.begin(), shown.end(), *speed) != shown.end()) continue;
      Warn("speed-board", *board,
           "the speed board at " + std::to_string(position) + " m shows " + speeds +
               " km/h; the train's speed record there gives " + std::to_string(*speed) +
               " km/h",
           at->second, "the speed record there");
    }
  }

  // A warning at a field of the record (at its keyword when it has no such
  // field).
  void WarnAt(const char* rule, const ReadRecord& record, std::size_t field, std::string message,
              const ReadRecord* other = nullptr, const std::string& other_what = "") {
    auto warning = WarningAtRecord(files_, rule, record, std::move(message), other, other_what);
    if (!warning) return;
    if (field < record.fields.size()) {
      const ReadField& at = record.fields[field];
      const auto file = files_.find(record.file);
      if (file != files_.end() && at.line > 0) {
        Diagnostic placed = DiagnosticAt(Severity::kWarning, rule, file->second, at.line,
                                         at.column, warning->message);
        placed.related = std::move(warning->related);
        warning = std::move(placed);
      }
    }
    found_.push_back(std::move(*warning));
  }

  void Warn(const char* rule, const ReadRecord& record, std::string message,
            const ReadRecord* other = nullptr, const std::string& other_what = "") {
    if (auto warning = WarningAtRecord(files_, rule, record, std::move(message), other,
                                       other_what)) {
      found_.push_back(std::move(*warning));
    }
  }

  const AuthorFiles& files_;
  std::vector<Stop> stations_;
  Positioned speeds_, signals_, slowdowns_, boards_;
  const ReadRecord* clock_ = nullptr;
  std::vector<const ReadRecord*> curves_;
  std::vector<Diagnostic> found_;
};

}  // namespace

std::vector<Diagnostic> TrainWarnings(const std::vector<ReadRecord>& records,
                                      const AuthorFiles& files) {
  return TrainChecker(records, files).Run();
}

}  // namespace packager::tool
