// The line plan: two coordinates for every metre of the line and its margin.
//
// A value is empty, a 16-bit integer or a 64-bit real. The plan is built
// metre by metre from metre 0 and read back in any order. Values given one
// by one are held in the encoding of its own file (a 16-bit tag, then the
// payload). The long stretches of reals that make up a line are held as
// their course alone (how many metres, straight or curved, and the
// curvature): the file is computed from it a chunk at a time as it is
// written (WriteFile), so that writing a line of any length takes little
// memory. A random read (at, FileSections) first writes the course out into
// the plan's own bytes, once.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "tables/coding.h"

namespace packager {

struct PlanValue {
  // The tag numbers are written to the line plan file; kPlanTags lists them.
  enum class Tag : std::uint16_t { kEmpty = 0, kInt16 = 2, kReal = 5 };

  Tag tag = Tag::kEmpty;
  std::int16_t whole = 0;  // meaningful when tag == kInt16
  double real = 0.0;       // meaningful when tag == kReal

  static PlanValue Int16(std::int16_t v) { return {Tag::kInt16, v, 0.0}; }
  static PlanValue Real(double v) { return {Tag::kReal, 0, v}; }
  // The value as a real number; an empty value counts as 0.
  double AsReal() const;

  friend bool operator==(const PlanValue&, const PlanValue&) = default;
};

// Every tag of the line plan file, in the order the tools count them.
inline constexpr std::array<PlanValue::Tag, 3> kPlanTags = {
    PlanValue::Tag::kEmpty, PlanValue::Tag::kInt16, PlanValue::Tag::kReal};

// Whether a number read from a file is one of kPlanTags.
constexpr bool IsPlanTag(std::uint16_t number) {
  for (const PlanValue::Tag tag : kPlanTags) {
    if (static_cast<std::uint16_t>(tag) == number) return true;
  }
  return false;
}

// The name the tools give a tag: "empty", "int16" or "real".
constexpr std::string_view PlanTagName(PlanValue::Tag tag) {
  switch (tag) {
    case PlanValue::Tag::kInt16:
      return "int16";
    case PlanValue::Tag::kReal:
      return "real";
    case PlanValue::Tag::kEmpty:
      break;
  }
  return "empty";
}

namespace layout {

// Line plan file: every value is a 16-bit tag followed by its payload, so a
// value takes 2, 4 or 10 bytes and the file can only be read in sequence.
inline constexpr std::size_t kPlanTagSize = 2;
inline constexpr std::size_t kPlanInt16PayloadSize = 2;
inline constexpr std::size_t kPlanRealPayloadSize = 8;
inline constexpr std::size_t kPlanLargestValueSize = kPlanTagSize + kPlanRealPayloadSize;

// Bytes of one encoded value; a tag outside the three known ones has none.
constexpr std::size_t PlanValueSize(PlanValue::Tag tag) {
  switch (tag) {
    case PlanValue::Tag::kInt16:
      return kPlanTagSize + kPlanInt16PayloadSize;
    case PlanValue::Tag::kReal:
      return kPlanTagSize + kPlanRealPayloadSize;
    case PlanValue::Tag::kEmpty:
      break;
  }
  return kPlanTagSize;
}

}  // namespace layout

// Where the bytes of the line plan file go as it is written: the bytes that
// start at the offset of the file. Offsets need not come in order.
using PlanFileSink = std::function<void(std::uint64_t offset, std::string_view bytes)>;

class TrackPlan {
 public:
  TrackPlan() = default;
  TrackPlan(TrackPlan&&) noexcept = default;
  TrackPlan& operator=(TrackPlan&&) noexcept = default;

  // Re-creates the plan with metres 0 to last, every value empty. A negative
  // last is a run-time failure.
  void Create(std::int32_t last);
  bool exists() const { return exists_; }
  std::int32_t last() const { return last_; }

  // Metres 0 to filled() - 1 hold the values appended; every later one is empty.
  std::int32_t filled() const { return filled_; }
  // Gives metre filled() its two values. Past last() (or with no plan) it is
  // a run-time failure and the plan stays as it was.
  void Append(const PlanValue& first, const PlanValue& second);
  // Appends `count` metres of two reals each, the pair of every metre from
  // make_point(first, second), which sets both. Past last() it is a
  // run-time failure before anything is appended.
  template <typename MakePoint>
  void AppendReals(std::int64_t count, MakePoint&& make_point);

  // Appends `count` metres of two reals each, every point j computed from
  // the two points before it, j - 2 and j - 1 (their values as reals, so at
  // least two metres must be filled): straight, it repeats the step of the
  // last metre, (d0, d1) = point(j-1) - point(j-2); in a curve of curvature
  // k it turns that step by the first-order formula (d0 + k*d1, d1 - k*d0),
  // which also lengthens it a little at every step. The arithmetic is done
  // exactly in this order, in 64-bit reals, so that every build produces the
  // same bytes. Only the course is kept: the values are computed when the
  // plan is written or read. Past last() it is a run-time failure before
  // anything is appended.
  void AppendStretch(std::int64_t count, double curvature, bool curved);

  // Bounds-checked read; a metre outside the plan is a run-time failure.
  // The copy is const so that assigning to it, which would change nothing
  // in the plan, does not compile.
  const PlanValue at(std::int64_t metre, int coordinate) const;

  // The line plan file in two pieces, to be written one after the other:
  // the first coordinate of every metre, then the second, each with the
  // empty values of the metres not yet filled. Both are empty when the plan
  // does not exist. The views last until the plan is next changed.
  std::array<std::string_view, 2> FileSections() const;

  // The bytes of the line plan file (those of FileSections), 0 when the plan
  // does not exist.
  std::uint64_t FileSize() const;
  // Gives sink every byte of the line plan file once, in pieces of at most a
  // few hundred kilobytes, computing the stretches of the course a chunk at
  // a time; nothing is held in memory whole. The first coordinate and the
  // second are written side by side, each at its own offset. Nothing when
  // the plan does not exist.
  void WriteFile(const PlanFileSink& sink) const;
  // The same for a sink that may keep the bytes of a piece past its return
  // until settle is next called (see PieceWriter): every chunk is computed
  // into one of two buffers while the other one is written, and settle is
  // called before a buffer is computed again and before this returns (or
  // throws).
  void WriteFile(const PlanFileSink& sink, const std::function<void()>& settle) const;

 private:
  // Where each coordinate's values start, and where its appended values end.
  struct Section {
    std::size_t start = 0;
    std::size_t end = 0;
    // Offset from start of the values of metres 0, kStride, 2 * kStride...
    std::vector<std::size_t> checkpoints;
  };
  static constexpr std::int32_t kStride = 16;

  // Metres of the course that follow one another with the same rule.
  struct Stretch {
    std::int32_t count = 0;
    double curvature = 0.0;
    bool curved = false;
  };

  struct FreeBytes {
    void operator()(char* bytes) const { std::free(bytes); }
  };

  std::size_t EmptyTailBytes() const;
  void AddCheckpoints() const;
  void PutValue(Section& section, const PlanValue& value);
  // Checks that count more metres fit.
  void PrepareAppend(std::int64_t count) const;
  // A value held in the bytes: metre below stored_.
  PlanValue StoredValue(std::int64_t metre, int coordinate) const;
  // Writes the course into the bytes, leaving it empty.
  void StoreCourse() const;

  bool exists_ = false;
  std::int32_t last_ = -1;
  std::int32_t filled_ = 0;
  // Metres 0 to stored_ - 1 are in bytes_; metres stored_ to filled_ - 1 are
  // the course, whose first point follows course_start_. A read of the plan
  // stores the course, which changes nothing it shows: hence mutable.
  mutable std::int32_t stored_ = 0;
  mutable std::vector<Stretch> course_;
  // x0, y0, x1, y1: the two metres before the first one of the course.
  double course_start_[4] = {0.0, 0.0, 0.0, 0.0};
  // Room for every value of each coordinate at its largest: the first from
  // 0, the second from half-way. It is allocated zeroed but untouched, so
  // only the bytes written take memory, and the bytes after each
  // coordinate's values, never written, are the two zero bytes of every
  // empty value that follows them.
  mutable std::unique_ptr<char[], FreeBytes> bytes_;
  mutable Section sections_[2];
};

template <typename MakePoint>
void TrackPlan::AppendReals(std::int64_t count, MakePoint&& make_point) {
  PrepareAppend(count);
  StoreCourse();
  constexpr std::size_t kSize = layout::kPlanTagSize + layout::kPlanRealPayloadSize;
  constexpr auto kTag = static_cast<std::uint16_t>(PlanValue::Tag::kReal);
  while (count > 0) {
    // Runs of metres up to the next checkpoint, written through two cursors.
    if (filled_ % kStride == 0) AddCheckpoints();
    const std::int32_t run =
        static_cast<std::int32_t>(std::min<std::int64_t>(count, kStride - filled_ % kStride));
    char* first = bytes_.get() + sections_[0].end;
    char* second = bytes_.get() + sections_[1].end;
    for (std::int32_t i = 0; i < run; ++i) {
      double x;
      double y;
      make_point(x, y);
      EncodeU16(first, kTag);
      EncodeF64(first + layout::kPlanTagSize, x);
      EncodeU16(second, kTag);
      EncodeF64(second + layout::kPlanTagSize, y);
      first += kSize;
      second += kSize;
    }
    sections_[0].end += static_cast<std::size_t>(run) * kSize;
    sections_[1].end += static_cast<std::size_t>(run) * kSize;
    filled_ += run;
    stored_ += run;
    count -= run;
  }
}

}  // namespace packager
