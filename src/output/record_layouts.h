// The packed records of the binary scenario files: offsets and sizes in bytes.
//
// Records follow each other with no gap, and the members of a record follow
// each other with no gap in the order of their declaration, each in its own
// width. The encoders write in that order; these constants name the places so
// that readers of the files (and the tests) can find every member.
#pragma once

#include <cstddef>

#include "tables/scenario_tables.h"

namespace packager::layout {

// Train table file: one record of kEntryFixedSize + n bytes per table entry,
// where n is the byte length of its text. Members before the text sit at fixed
// offsets; members after it at kEntryText + n + their tail offset.
inline constexpr std::size_t kEntryKind = 0;        // byte
inline constexpr std::size_t kEntryStart = 1;       // int32
inline constexpr std::size_t kEntryEnd = 5;         // int32
inline constexpr std::size_t kEntryPosition = 9;    // int32
inline constexpr std::size_t kEntryByte1 = 13;      // byte
inline constexpr std::size_t kEntryTextCount = 14;  // 16-bit count n
inline constexpr std::size_t kEntryText = 16;       // n bytes

inline constexpr std::size_t kEntryTailInt1 = 0;      // int16
inline constexpr std::size_t kEntryTailInt2 = 2;      // int16
inline constexpr std::size_t kEntryTailInt3 = 4;      // int16
inline constexpr std::size_t kEntryTailInt4 = 6;      // int16
inline constexpr std::size_t kEntryTailInt5 = 8;      // int16
inline constexpr std::size_t kEntryTailByte2 = 10;    // byte
inline constexpr std::size_t kEntryTailByte3 = 11;    // byte
inline constexpr std::size_t kEntryTailByte4 = 12;    // byte
inline constexpr std::size_t kEntryTailByte5 = 13;    // byte
inline constexpr std::size_t kEntryTailSeconds = 14;  // int32
inline constexpr std::size_t kEntryTailSize = 18;

inline constexpr std::size_t kEntryFixedSize = kEntryText + kEntryTailSize;
static_assert(kEntryFixedSize == 34);

constexpr std::size_t EntryRecordSize(std::size_t text_bytes) {
  return kEntryFixedSize + text_bytes;
}

// Route grid file: one record of kCellRecordSize bytes per cell.
inline constexpr std::size_t kCellKind = 0;           // byte
inline constexpr std::size_t kCellParam1 = 1;         // int16
inline constexpr std::size_t kCellParam2 = 3;         // int16
inline constexpr std::size_t kCellParam3 = 5;         // int16
inline constexpr std::size_t kCellParam4 = 7;         // int16
inline constexpr std::size_t kCellSignalTime = 9;     // byte
inline constexpr std::size_t kCellApproachMark = 10;  // byte
inline constexpr std::size_t kCellMountainKind = 11;  // byte
inline constexpr std::size_t kCellSpeedCode = 12;     // byte
inline constexpr std::size_t kCellGradientCode = 13;  // byte
inline constexpr std::size_t kCellAdhesion = 14;      // byte
inline constexpr std::size_t kCellRecordSize = 15;

// Line plan file: the value layout (kPlanTagSize, PlanValueSize...) is
// declared with the plan in tables/track_plan.h, which holds its values in it.

}  // namespace packager::layout
