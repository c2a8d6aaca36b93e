#include "tables/track_plan.h"

#include <algorithm>
#include <bit>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <string>

#include "tables/run_failure.h"

#ifdef __linux__
#include <sys/mman.h>
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace packager {

namespace {

// Touching the 20 MB of a long line's plan page by page costs a fault per
// 4 KiB page, about a third of the whole compile; where the system offers
// transparent huge pages on request, one fault serves 2 MiB. Only a hint:
// nothing changes where it is refused or unknown.
void AskForLargePages([[maybe_unused]] char* begin, [[maybe_unused]] std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kPage = 4096;
  const auto address = reinterpret_cast<std::uintptr_t>(begin);
  const std::uintptr_t first = (address + kPage - 1) & ~(kPage - 1);
  const std::uintptr_t end = (address + size) & ~(kPage - 1);
  if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#endif
}

// A plan filled value by value as far as this asks for large pages then:
// it is a whole plan being read, not the first metres of a built one.
constexpr std::int32_t kLargePagesFrom = 1 << 16;
// Metres of the course computed at a time when the file is written: 160 KiB
// for each coordinate, in each of the two buffers.
constexpr std::int64_t kChunkMetres = 1 << 14;
constexpr std::size_t kRealSize = layout::kPlanTagSize + layout::kPlanRealPayloadSize;
constexpr auto kRealTag = static_cast<std::uint16_t>(PlanValue::Tag::kReal);

#if defined(__SSE2__)
// The two points before the next one of a stretch, each one register: x in
// its low half, y in its high half.
struct StepState {
  __m128d p0;
  __m128d p1;
};
StepState StartState(const double (&start)[4]) {
  return {_mm_set_pd(start[1], start[0]), _mm_set_pd(start[3], start[2])};
}
#else
// The two points before the next one of a stretch.
struct StepState {
  double x0;
  double y0;
  double x1;
  double y1;
};
StepState StartState(const double (&start)[4]) {
  return {start[0], start[1], start[2], start[3]};
}
#endif

// One point written as a real at `out` (first coordinate) and `out +
// second` (second coordinate); the tags only when kTags, where the buffer
// does not hold them already.
template <bool kTags>
inline void PutPoint(char* out, std::ptrdiff_t second, double x, double y) {
  if constexpr (kTags) {
    EncodeU16(out, kRealTag);
    EncodeU16(out + second, kRealTag);
  }
  EncodeF64(out + layout::kPlanTagSize, x);
  EncodeF64(out + second + layout::kPlanTagSize, y);
}

#if defined(__SSE2__)
// Computes `count` points of a stretch from the two before them, written
// kRealSize bytes apart from `out`. A point is one register, x in its low
// half and y in its high half, so that each operation of the rule works on
// both coordinates at once: d = p1 - p0; in a curve d + (k, -k) * (d1, d0),
// which is (d0 + k*d1, d1 - k*d0) to the bit, (-k)*d0 being -(k*d0) and
// adding the negated being subtracting; then p1 + d. The loop for each rule
// is its own, six points a turn through three registers that take turns, so
// that no point is moved from one to another: p0 and p1 are again the two
// last points at the end of each turn. Inlined into Step, once for each
// instruction set it is built for.
template <bool kCurved, bool kTags>
[[gnu::always_inline]] inline StepState StepPoints(StepState state, double curvature,
                                                   std::int64_t count, char* out,
                                                   std::ptrdiff_t second) {
  __m128d p0 = state.p0;
  __m128d p1 = state.p1;
  const __m128d k = _mm_set_pd(-curvature, curvature);
  const auto next = [=](__m128d before, __m128d last) {
    __m128d d = _mm_sub_pd(last, before);
    if constexpr (kCurved) {
      // (d1, d0): the halves swapped by an integer shuffle, which writes a
      // register of its own rather than one copied first.
      const __m128d swapped = _mm_castsi128_pd(_mm_shuffle_epi32(_mm_castpd_si128(d), 0x4E));
      d = _mm_add_pd(d, _mm_mul_pd(k, swapped));
    }
    return _mm_add_pd(last, d);
  };
  const auto put = [second](char* at, __m128d point) {
    PutPoint<kTags>(at, second, _mm_cvtsd_f64(point), _mm_cvtsd_f64(_mm_unpackhi_pd(point, point)));
  };
  constexpr auto kSize = static_cast<std::ptrdiff_t>(kRealSize);
  for (const char* end = out + (count / 6) * 6 * kSize; out != end; out += 6 * kSize) {
    __m128d p2 = next(p0, p1);
    put(out, p2);
    p0 = next(p1, p2);
    put(out + kSize, p0);
    p1 = next(p2, p0);
    put(out + 2 * kSize, p1);
    p2 = next(p0, p1);
    put(out + 3 * kSize, p2);
    p0 = next(p1, p2);
    put(out + 4 * kSize, p0);
    p1 = next(p2, p0);
    put(out + 5 * kSize, p1);
  }
  for (std::int64_t left = count % 6; left > 0; --left, out += kSize) {
    const __m128d point = next(p0, p1);
    put(out, point);
    p0 = p1;
    p1 = point;
  }
  return {p0, p1};
}

// Kept out of line: inlined, the compiler takes the stores into the buffer
// to possibly change the state and keeps it in memory.
template <bool kCurved, bool kTags>
[[gnu::noinline]] StepState Step(StepState state, double curvature, std::int64_t count, char* out,
                                 std::ptrdiff_t second) {
  return StepPoints<kCurved, kTags>(state, curvature, count, out, second);
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(_WIN32)
#define PACKAGER_STEP_AVX 1
// The same where the processor has AVX, whose three-operand instructions
// need no copy of a register kept for later: a third fewer instructions.
// The operations are the same, so are the bytes (AVX alone fuses no
// multiply into an add).
template <bool kCurved, bool kTags>
[[gnu::noinline, gnu::target("avx")]] StepState StepAvx(StepState state, double curvature,
                                                        std::int64_t count, char* out,
                                                        std::ptrdiff_t second) {
  return StepPoints<kCurved, kTags>(state, curvature, count, out, second);
}
#endif
#else
// The point after (x0, y0) and (x1, y1) by the rule of a stretch (see
// TrackPlan::AppendStretch).
template <bool kCurved>
inline void NextPoint(double x0, double y0, double x1, double y1, double curvature, double& x,
                      double& y) {
  const double d0 = x1 - x0;
  const double d1 = y1 - y0;
  if constexpr (kCurved) {
    x = x1 + (d0 + curvature * d1);
    y = y1 + (d1 - curvature * d0);
  } else {
    x = x1 + d0;
    y = y1 + d1;
  }
}

// The same, a coordinate at a time. The loop for each rule is its own, two
// points a turn so that the four last coordinates stay in registers
// without moves. Kept out of line: inlined into its callers, the compiler
// takes the stores into the buffer to possibly change the state and keeps
// the state in memory, reading and writing it at every point.
template <bool kCurved, bool kTags>
[[gnu::noinline]] StepState Step(StepState state, double curvature, std::int64_t count, char* out,
                                 std::ptrdiff_t second) {
  double x0 = state.x0;
  double y0 = state.y0;
  double x1 = state.x1;
  double y1 = state.y1;
  constexpr auto kSize = static_cast<std::ptrdiff_t>(kRealSize);
  for (const char* pairs_end = out + (count / 2) * 2 * kSize; out != pairs_end; out += 2 * kSize) {
    NextPoint<kCurved>(x0, y0, x1, y1, curvature, x0, y0);
    PutPoint<kTags>(out, second, x0, y0);
    NextPoint<kCurved>(x1, y1, x0, y0, curvature, x1, y1);
    PutPoint<kTags>(out + kSize, second, x1, y1);
  }
  // The two last points are (x0, y0), then (x1, y1).
  if (count % 2 != 0) {
    double x;
    double y;
    NextPoint<kCurved>(x0, y0, x1, y1, curvature, x, y);
    PutPoint<kTags>(out, second, x, y);
    return {x1, y1, x, y};
  }
  return {x0, y0, x1, y1};
}
#endif

template <bool kTags>
void StepStretch(StepState& state, double curvature, bool curved, std::int64_t count, char* out,
                 std::ptrdiff_t second) {
#ifdef PACKAGER_STEP_AVX
  static const bool avx = __builtin_cpu_supports("avx");
  if (avx) {
    state = curved ? StepAvx<true, kTags>(state, curvature, count, out, second)
                   : StepAvx<false, kTags>(state, 0.0, count, out, second);
    return;
  }
#endif
  state = curved ? Step<true, kTags>(state, curvature, count, out, second)
                 : Step<false, kTags>(state, 0.0, count, out, second);
}

}  // namespace

double PlanValue::AsReal() const {
  switch (tag) {
    case Tag::kInt16:
      return static_cast<double>(whole);
    case Tag::kReal:
      return real;
    case Tag::kEmpty:
      break;
  }
  return 0.0;
}

void TrackPlan::Create(std::int32_t last) {
  if (last < 0) throw RunFailure("the line plan cannot have a negative size");
  const std::size_t metres = static_cast<std::size_t>(last) + 1;
  const std::size_t section_room = metres * layout::kPlanLargestValueSize;
  // calloc hands out a large block as fresh pages of the system, zero
  // without being written: they become resident only as values land on them.
  bytes_.reset(static_cast<char*>(std::calloc(2, section_room)));
  if (!bytes_) throw std::bad_alloc();
  exists_ = true;
  last_ = last;
  filled_ = 0;
  stored_ = 0;
  course_.clear();
  sections_[0] = Section{};
  sections_[1] = Section{section_room, section_room, {}};
}

void TrackPlan::AddCheckpoints() const {
  for (Section& section : sections_) section.checkpoints.push_back(section.end - section.start);
}

void TrackPlan::PutValue(Section& section, const PlanValue& value) {
  char* out = bytes_.get() + section.end;
  EncodeU16(out, static_cast<std::uint16_t>(value.tag));
  switch (value.tag) {
    case PlanValue::Tag::kInt16:
      EncodeI16(out + layout::kPlanTagSize, value.whole);
      break;
    case PlanValue::Tag::kReal:
      EncodeF64(out + layout::kPlanTagSize, value.real);
      break;
    case PlanValue::Tag::kEmpty:
      break;
  }
  section.end += layout::PlanValueSize(value.tag);
}

void TrackPlan::Append(const PlanValue& first, const PlanValue& second) {
  if (!exists_ || filled_ > last_) {
    throw RunFailure("metre " + std::to_string(filled_) + " lies outside the line plan (0 to " +
                     std::to_string(last_) + ")");
  }
  for (const PlanValue* value : {&first, &second}) {
    if (!IsPlanTag(static_cast<std::uint16_t>(value->tag))) {
      throw RunFailure("a line plan value has the unknown tag " +
                       std::to_string(static_cast<unsigned>(value->tag)));
    }
  }
  StoreCourse();
  if (filled_ % kStride == 0) AddCheckpoints();
  if (filled_ == kLargePagesFrom) AskForLargePages(bytes_.get(), sections_[1].start * 2);
  PutValue(sections_[0], first);
  PutValue(sections_[1], second);
  ++filled_;
  ++stored_;
}

void TrackPlan::AppendStretch(std::int64_t count, double curvature, bool curved) {
  PrepareAppend(count);
  if (count == 0) return;
  if (course_.empty()) {
    if (stored_ < 2) {
      throw RunFailure("a stretch of the line plan at metre " + std::to_string(filled_) +
                       " has not the two metres before it to follow");
    }
    course_start_[0] = StoredValue(stored_ - 2, 0).AsReal();
    course_start_[1] = StoredValue(stored_ - 2, 1).AsReal();
    course_start_[2] = StoredValue(stored_ - 1, 0).AsReal();
    course_start_[3] = StoredValue(stored_ - 1, 1).AsReal();
  }
  // A stretch that goes on by the same rule lengthens the one before; the
  // curvatures compare bit for bit, a -0 being another rule than a 0.
  const auto same_rule = [curvature, curved](const Stretch& stretch) {
    return stretch.curved == curved && std::bit_cast<std::uint64_t>(stretch.curvature) ==
                                           std::bit_cast<std::uint64_t>(curvature);
  };
  if (!course_.empty() && same_rule(course_.back())) {
    course_.back().count += static_cast<std::int32_t>(count);
  } else {
    course_.push_back(Stretch{static_cast<std::int32_t>(count), curvature, curved});
  }
  filled_ += static_cast<std::int32_t>(count);
}

void TrackPlan::StoreCourse() const {
  if (course_.empty()) return;
  // The course is written in bulk: large pages serve it with fewer faults.
  AskForLargePages(bytes_.get(), sections_[1].start * 2);
  StepState state = StartState(course_start_);
  for (const Stretch& stretch : course_) {
    std::int64_t count = stretch.count;
    while (count > 0) {
      // Runs of metres up to the next checkpoint.
      if (stored_ % kStride == 0) AddCheckpoints();
      const std::int64_t run = std::min<std::int64_t>(count, kStride - stored_ % kStride);
      char* out = bytes_.get() + sections_[0].end;
      StepStretch<true>(state, stretch.curvature, stretch.curved, run, out,
                        static_cast<std::ptrdiff_t>(sections_[1].end - sections_[0].end));
      sections_[0].end += static_cast<std::size_t>(run) * kRealSize;
      sections_[1].end += static_cast<std::size_t>(run) * kRealSize;
      stored_ += static_cast<std::int32_t>(run);
      count -= run;
    }
  }
  course_.clear();
}

void TrackPlan::PrepareAppend(std::int64_t count) const {
  if (!exists_ || count < 0 || count > static_cast<std::int64_t>(last_) + 1 - filled_) {
    throw RunFailure("metres " + std::to_string(filled_) + " to " +
                     std::to_string(filled_ + count - 1) + " lie outside the line plan (0 to " +
                     std::to_string(last_) + ")");
  }
}

const PlanValue TrackPlan::at(std::int64_t metre, int coordinate) const {
  if (!exists_ || metre < 0 || metre > last_ || coordinate < 0 || coordinate > 1) {
    throw RunFailure("metre " + std::to_string(metre) + " lies outside the line plan (0 to " +
                     std::to_string(last_) + ")");
  }
  if (metre >= filled_) return PlanValue{};
  if (metre >= stored_) StoreCourse();
  return StoredValue(metre, coordinate);
}

PlanValue TrackPlan::StoredValue(std::int64_t metre, int coordinate) const {
  const Section& section = sections_[coordinate];
  const char* at =
      bytes_.get() + section.start + section.checkpoints[static_cast<std::size_t>(metre / kStride)];
  for (std::int64_t skip = metre % kStride; skip > 0; --skip) {
    at += layout::PlanValueSize(static_cast<PlanValue::Tag>(DecodeU16(at)));
  }
  const auto tag = static_cast<PlanValue::Tag>(DecodeU16(at));
  switch (tag) {
    case PlanValue::Tag::kInt16:
      return PlanValue::Int16(DecodeI16(at + layout::kPlanTagSize));
    case PlanValue::Tag::kReal:
      return PlanValue::Real(DecodeF64(at + layout::kPlanTagSize));
    case PlanValue::Tag::kEmpty:
      break;
  }
  return PlanValue{};
}

std::size_t TrackPlan::EmptyTailBytes() const {
  return (static_cast<std::size_t>(last_) + 1 - static_cast<std::size_t>(filled_)) *
         layout::kPlanTagSize;
}

std::array<std::string_view, 2> TrackPlan::FileSections() const {
  if (!exists_) return {};
  StoreCourse();
  // The empty values after each coordinate's last one are its zero bytes.
  const std::size_t tail = EmptyTailBytes();
  const auto section = [this, tail](const Section& coordinate) {
    return std::string_view(bytes_.get() + coordinate.start,
                            coordinate.end - coordinate.start + tail);
  };
  return {section(sections_[0]), section(sections_[1])};
}

std::uint64_t TrackPlan::FileSize() const {
  if (!exists_) return 0;
  const std::uint64_t course = static_cast<std::uint64_t>(filled_ - stored_) * kRealSize;
  std::uint64_t size = 0;
  for (const Section& section : sections_) size += section.end - section.start + course;
  return size + 2 * EmptyTailBytes();
}

void TrackPlan::WriteFile(const PlanFileSink& sink) const { WriteFile(sink, [] {}); }

void TrackPlan::WriteFile(const PlanFileSink& sink, const std::function<void()>& settle) const {
  if (!exists_) return;
  // Whatever ends this, no piece it handed over is still being written
  // when its buffers go; a failure of that last settle is dropped for the
  // one on its way.
  struct SettleOnUnwind {
    const std::function<void()>& settle;
    ~SettleOnUnwind() {
      if (std::uncaught_exceptions() == 0) return;
      try {
        settle();
      } catch (...) {
      }
    }
  } settle_on_unwind{settle};
  const std::uint64_t course = static_cast<std::uint64_t>(filled_ - stored_) * kRealSize;
  const std::uint64_t tail = EmptyTailBytes();
  // Where the next bytes of each coordinate go.
  std::uint64_t at[2] = {0, sections_[0].end - sections_[0].start + course + tail};
  const auto put = [&sink, &at](int coordinate, std::string_view bytes) {
    while (!bytes.empty()) {
      const std::string_view piece = bytes.substr(0, kChunkMetres * kRealSize);
      sink(at[coordinate], piece);
      at[coordinate] += piece.size();
      bytes.remove_prefix(piece.size());
    }
  };
  for (int coordinate = 0; coordinate < 2; ++coordinate) {
    const Section& section = sections_[coordinate];
    put(coordinate, std::string_view(bytes_.get() + section.start, section.end - section.start));
  }
  // The course, a chunk of each coordinate at a time, into two buffers in
  // turn. Every slot of a chunk is a real: the tags are written once.
  const std::int64_t left = filled_ - stored_;
  if (left > 0) {
    const std::int64_t chunk_metres = std::min(left, kChunkMetres);
    const auto chunk_bytes = static_cast<std::size_t>(chunk_metres) * kRealSize;
    const std::size_t buffers = left > chunk_metres ? 2 : 1;
    // Not cleared first: every byte given to sink is a tag or a payload.
    const auto chunks = std::make_unique_for_overwrite<char[]>(buffers * 2 * chunk_bytes);
    for (std::size_t slot = 0; slot < buffers * 2 * chunk_bytes; slot += kRealSize) {
      EncodeU16(chunks.get() + slot, kRealTag);
    }
    char* chunk = chunks.get();
    StepState state = StartState(course_start_);
    std::int64_t in_chunk = 0;
    // The buffer computed is handed over once the other one is written.
    const auto flush = [&] {
      const auto bytes = static_cast<std::size_t>(in_chunk) * kRealSize;
      settle();
      put(0, std::string_view(chunk, bytes));
      put(1, std::string_view(chunk + chunk_bytes, bytes));
      in_chunk = 0;
      if (buffers == 2) chunk = chunk == chunks.get() ? chunk + 2 * chunk_bytes : chunks.get();
    };
    for (const Stretch& stretch : course_) {
      for (std::int64_t count = stretch.count; count > 0;) {
        const std::int64_t run = std::min(count, chunk_metres - in_chunk);
        StepStretch<false>(state, stretch.curvature, stretch.curved, run,
                           chunk + in_chunk * static_cast<std::int64_t>(kRealSize),
                           static_cast<std::ptrdiff_t>(chunk_bytes));
        in_chunk += run;
        count -= run;
        if (in_chunk == chunk_metres) flush();
      }
    }
    if (in_chunk > 0) flush();
    settle();
  }
  // The empty values of the metres not filled: zero bytes.
  if (tail > 0) {
    const std::string zeros(static_cast<std::size_t>(std::min<std::uint64_t>(tail, 1 << 16)), '\0');
    for (int coordinate = 0; coordinate < 2; ++coordinate) {
      for (std::uint64_t done = 0; done < tail; done += zeros.size()) {
        put(coordinate,
            std::string_view(zeros).substr(
                0, static_cast<std::size_t>(std::min<std::uint64_t>(zeros.size(), tail - done))));
      }
    }
    settle();
  }
}

}  // namespace packager
