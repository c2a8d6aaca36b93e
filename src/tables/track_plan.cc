#include "tables/track_plan.h"

#include <new>
#include <string>

#include "tables/run_failure.h"

#ifdef __linux__
#include <sys/mman.h>
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
  AskForLargePages(bytes_.get(), 2 * section_room);
  exists_ = true;
  last_ = last;
  filled_ = 0;
  sections_[0] = Section{};
  sections_[1] = Section{section_room, section_room, {}};
  const std::size_t checkpoints = metres / kStride + 1;
  sections_[0].checkpoints.reserve(checkpoints);
  sections_[1].checkpoints.reserve(checkpoints);
}

void TrackPlan::AddCheckpoints() {
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
  if (filled_ % kStride == 0) AddCheckpoints();
  PutValue(sections_[0], first);
  PutValue(sections_[1], second);
  ++filled_;
}

void TrackPlan::PrepareAppend(std::int64_t count) {
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
  // The empty values after each coordinate's last one are its zero bytes.
  const std::size_t tail = EmptyTailBytes();
  const auto section = [this, tail](const Section& coordinate) {
    return std::string_view(bytes_.get() + coordinate.start,
                            coordinate.end - coordinate.start + tail);
  };
  return {section(sections_[0]), section(sections_[1])};
}

}  // namespace packager
