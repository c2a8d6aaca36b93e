#include "check/train_checks.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "compiler/grammar.h"

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

struct Stop {
  const ReadRecord* record;
  std::int64_t position;
  std::int64_t seconds;  // 0: a pass
  std::string name;
};

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
    }
  }

  std::vector<Diagnostic> Run() {
    CheckTimes();
    CheckNames();
    CheckSlowdowns();
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
                         name < record.fields.size() ? record.fields[name].raw : ""});
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
      if (previous != nullptr && stop.seconds < previous->seconds) {
        Warn("time-order", *stop.record,
             "the train stops here at " + Clock(stop.seconds) + ", before its stop at " +
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
               " m to stop (braking at 0.7 m/s²): space them at least that far apart",
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
  std::vector<Diagnostic> found_;
};

}  // namespace

std::vector<Diagnostic> TrainWarnings(const std::vector<ReadRecord>& records,
                                      const AuthorFiles& files) {
  return TrainChecker(records, files).Run();
}

}  // namespace packager::tool
