#include "output/binary_readers.h"

#include <cstdint>
#include <limits>
#include <vector>

#include "output/record_layouts.h"
#include "tables/coding.h"

namespace packager {

namespace {

// Little-endian reads at fixed offsets of a buffer whose length the caller
// has already checked.
class Bytes {
 public:
  explicit Bytes(std::string_view bytes) : bytes_(bytes) {}
  std::size_t size() const { return bytes_.size(); }
  std::size_t LeftFrom(std::size_t offset) const {
    return offset < bytes_.size() ? bytes_.size() - offset : 0;
  }

  const char* At(std::size_t at) const { return bytes_.data() + at; }
  std::uint16_t U16(std::size_t at) const { return DecodeU16(bytes_.data() + at); }
  std::int16_t I16(std::size_t at) const { return DecodeI16(bytes_.data() + at); }
  double F64(std::size_t at) const { return DecodeF64(bytes_.data() + at); }
  std::string Text(std::size_t at, std::size_t count) const {
    return std::string(bytes_.substr(at, count));
  }

 private:
  std::string_view bytes_;
};

std::string Count(std::size_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// "0, 2 or 5": the numbers of every tag, for a message.
std::string PlanTagNumbers() {
  std::string numbers;
  for (std::size_t i = 0; i < kPlanTags.size(); ++i) {
    if (i > 0) numbers += i + 1 == kPlanTags.size() ? " or " : ", ";
    numbers += std::to_string(static_cast<std::uint16_t>(kPlanTags[i]));
  }
  return numbers;
}

// The size of the value whose tag starts at offset, checked to lie inside
// the file; index is the value's place in the file, for the message.
std::size_t CheckedPlanValueSize(const Bytes& bytes, std::size_t offset, std::size_t index) {
  const std::size_t left = bytes.LeftFrom(offset);
  if (left < layout::kPlanTagSize) {
    throw DecodeError(offset, "the file ends inside the tag of value " + std::to_string(index));
  }
  const std::uint16_t tag = bytes.U16(offset);
  if (!IsPlanTag(tag)) {
    throw DecodeError(offset, "value " + std::to_string(index) + " has the unknown tag " +
                                  std::to_string(tag) + " (a value is tagged " + PlanTagNumbers() +
                                  ")");
  }
  const std::size_t size = layout::PlanValueSize(static_cast<PlanValue::Tag>(tag));
  if (left < size) {
    throw DecodeError(offset, "the file ends inside value " + std::to_string(index) +
                                  ", which needs " + Count(size, "byte") + " and has " +
                                  std::to_string(left));
  }
  return size;
}

PlanValue PlanValueAt(const Bytes& bytes, std::size_t offset) {
  const auto tag = static_cast<PlanValue::Tag>(bytes.U16(offset));
  const std::size_t payload = offset + layout::kPlanTagSize;
  switch (tag) {
    case PlanValue::Tag::kInt16:
      return PlanValue::Int16(bytes.I16(payload));
    case PlanValue::Tag::kReal:
      return PlanValue::Real(bytes.F64(payload));
    case PlanValue::Tag::kEmpty:
      break;
  }
  return PlanValue{};
}

}  // namespace

TrackPlan DecodeLinePlan(std::string_view file) {
  const Bytes bytes(file);
  // The values can only be found in sequence, and their number gives the
  // plan's size: one pass checks and counts, the second fills the plan.
  std::size_t count = 0;
  std::vector<std::size_t> offsets;  // of values 0, kOffsetStride, ...
  constexpr std::size_t kOffsetStride = 4096;
  for (std::size_t offset = 0; offset < bytes.size(); ++count) {
    if (count % kOffsetStride == 0) offsets.push_back(offset);
    offset += CheckedPlanValueSize(bytes, offset, count);
  }
  if (count == 0) throw DecodeError(0, "the file holds no value");
  if (count % 2 != 0) {
    throw DecodeError(bytes.size(), "the file holds an odd number of values (" +
                                        std::to_string(count) +
                                        "); the plan has two for every metre");
  }
  const std::size_t metres = count / 2;
  if (metres - 1 > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw DecodeError(0, "the file holds more metres than a plan can have");
  }

  // The second coordinate starts at value `metres`: from the nearest
  // offset noted, step over the values before it.
  std::size_t second = offsets[metres / kOffsetStride];
  for (std::size_t skip = metres % kOffsetStride; skip > 0; --skip) {
    second += layout::PlanValueSize(static_cast<PlanValue::Tag>(bytes.U16(second)));
  }
  TrackPlan plan;
  plan.Create(static_cast<std::int32_t>(metres - 1));
  std::size_t first = 0;
  for (std::size_t metre = 0; metre < metres; ++metre) {
    const PlanValue first_value = PlanValueAt(bytes, first);
    const PlanValue second_value = PlanValueAt(bytes, second);
    plan.Append(first_value, second_value);
    first += layout::PlanValueSize(first_value.tag);
    second += layout::PlanValueSize(second_value.tag);
  }
  return plan;
}

std::array<TableEntry, kScenarioTableSize> DecodeTrainTable(std::string_view file) {
  using namespace layout;
  const Bytes bytes(file);
  std::array<TableEntry, kScenarioTableSize> table{};
  std::size_t at = 0;
  for (int index = 0; index < kScenarioTableSize; ++index) {
    const std::size_t left = bytes.LeftFrom(at);
    if (left == 0) {
      throw DecodeError(at, "the file ends before entry " + std::to_string(index) +
                                " (the table has " + std::to_string(kScenarioTableSize) +
                                " entries)");
    }
    if (left < kEntryFixedSize) {
      throw DecodeError(at, "the file ends inside entry " + std::to_string(index) +
                                ", which needs at least " + std::to_string(kEntryFixedSize) +
                                " bytes and has " + std::to_string(left));
    }
    const std::size_t text_bytes = bytes.U16(at + kEntryTextCount);
    const std::size_t record = EntryRecordSize(text_bytes);
    if (left < record) {
      throw DecodeError(at, "the file ends inside entry " + std::to_string(index) +
                                ", which needs " + std::to_string(record) + " bytes (a text of " +
                                std::to_string(text_bytes) + ") and has " + std::to_string(left));
    }
    TableEntry& entry = table[static_cast<std::size_t>(index)];
    DecodeMembers(bytes.At(at), entry, kEntryHeadMembers);
    entry.text = bytes.Text(at + kEntryText, text_bytes);
    DecodeMembers(bytes.At(at + kEntryText + text_bytes), entry, kEntryTailMembers);
    at += record;
  }
  if (at != bytes.size()) {
    throw DecodeError(at, Count(bytes.size() - at, "byte") + " follow the last entry (" +
                              std::to_string(kScenarioTableSize - 1) + ")");
  }
  return table;
}

RouteGrid DecodeRouteGrid(std::string_view file) {
  using namespace layout;
  const Bytes bytes(file);
  if (bytes.size() == 0) throw DecodeError(0, "the file holds no cell");
  const std::size_t cells = bytes.size() / kCellRecordSize;
  const std::size_t rest = bytes.size() % kCellRecordSize;
  if (rest != 0) {
    throw DecodeError(cells * kCellRecordSize, "the file ends inside cell " +
                                                   std::to_string(cells) + " (" +
                                                   std::to_string(rest) + " of its " +
                                                   std::to_string(kCellRecordSize) + " bytes)");
  }
  if (cells - 1 > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw DecodeError(0, "the file holds more cells than a grid can have");
  }

  RouteGrid grid;
  grid.Create(static_cast<std::int32_t>(cells - 1));
  for (std::size_t index = 0; index < cells; ++index) {
    RouteCell& cell = grid.at(static_cast<std::int64_t>(index));
    DecodeMembers(bytes.At(index * kCellRecordSize), cell, kCellMembers);
  }
  return grid;
}

}  // namespace packager
