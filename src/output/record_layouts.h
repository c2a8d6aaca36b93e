// The packed records of the binary scenario files: offsets and sizes in bytes.
//
// Records follow each other with no gap, and the members of a record follow
// each other with no gap in the order of their declaration, each in its own
// width. The constants name the places so that readers of the files (and the
// tests) can find every member; the member lists at the end say, once for
// the encoders, the decoders and the tools, which member of the table sits
// at which place under which name.
#pragma once

#include <cstddef>
#include <string_view>
#include <tuple>
#include <type_traits>

#include "tables/coding.h"
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

// The type of the member a pointer to member points to.
template <typename MemberPointer>
struct MemberType;
template <typename Record, typename Value>
struct MemberType<Value Record::*> {
  using Type = Value;
};

// One member of a record: its name as the tools show it, the member, and its
// offset in the record (or after the text). The member's type gives its width.
template <auto kMember, std::size_t kOffset>
struct RecordMember {
  using Number = typename MemberType<decltype(kMember)>::Type;
  static constexpr auto member = kMember;
  static constexpr std::size_t offset = kOffset;
  static constexpr std::size_t width = sizeof(Number);
  std::string_view name;
};

// Every member of a route grid cell.
inline constexpr std::tuple kCellMembers{
    RecordMember<&RouteCell::kind, kCellKind>{"kind"},
    RecordMember<&RouteCell::param1, kCellParam1>{"param1"},
    RecordMember<&RouteCell::param2, kCellParam2>{"param2"},
    RecordMember<&RouteCell::param3, kCellParam3>{"param3"},
    RecordMember<&RouteCell::param4, kCellParam4>{"param4"},
    RecordMember<&RouteCell::signal_time, kCellSignalTime>{"signal_time"},
    RecordMember<&RouteCell::approach_mark, kCellApproachMark>{"approach_mark"},
    RecordMember<&RouteCell::mountain_kind, kCellMountainKind>{"mountain_kind"},
    RecordMember<&RouteCell::speed_code, kCellSpeedCode>{"speed_code"},
    RecordMember<&RouteCell::gradient_code, kCellGradientCode>{"gradient_code"},
    RecordMember<&RouteCell::adhesion, kCellAdhesion>{"adhesion"}};

// The members of a table entry before its text, at fixed offsets...
inline constexpr std::tuple kEntryHeadMembers{
    RecordMember<&TableEntry::kind, kEntryKind>{"kind"},
    RecordMember<&TableEntry::start, kEntryStart>{"start"},
    RecordMember<&TableEntry::end, kEntryEnd>{"end"},
    RecordMember<&TableEntry::position, kEntryPosition>{"position"},
    RecordMember<&TableEntry::byte1, kEntryByte1>{"byte1"}};

// ...and after it, at offsets from the end of the text.
inline constexpr std::tuple kEntryTailMembers{
    RecordMember<&TableEntry::int1, kEntryTailInt1>{"int1"},
    RecordMember<&TableEntry::int2, kEntryTailInt2>{"int2"},
    RecordMember<&TableEntry::int3, kEntryTailInt3>{"int3"},
    RecordMember<&TableEntry::int4, kEntryTailInt4>{"int4"},
    RecordMember<&TableEntry::int5, kEntryTailInt5>{"int5"},
    RecordMember<&TableEntry::byte2, kEntryTailByte2>{"byte2"},
    RecordMember<&TableEntry::byte3, kEntryTailByte3>{"byte3"},
    RecordMember<&TableEntry::byte4, kEntryTailByte4>{"byte4"},
    RecordMember<&TableEntry::byte5, kEntryTailByte5>{"byte5"},
    RecordMember<&TableEntry::seconds, kEntryTailSeconds>{"seconds"}};

// Calls visit(member) for every member of the list, in order. The offsets
// and members are constants of each member's type, so the calls unfold into
// straight code.
template <typename Members, typename Visit>
constexpr void ForEachMember(const Members& members, Visit&& visit) {
  std::apply([&visit](const auto&... member) { (visit(member), ...); }, members);
}

// Where the members end when each starts where the one before it ends and
// the first at start; 0 when one of them does not.
template <typename Members>
consteval std::size_t PackedEnd(const Members& members, std::size_t start) {
  std::size_t at = start;
  bool packed = true;
  ForEachMember(members, [&](const auto& member) {
    packed = packed && member.offset == at;
    at += member.width;
  });
  return packed ? at : 0;
}
static_assert(PackedEnd(kCellMembers, 0) == kCellRecordSize);
static_assert(PackedEnd(kEntryHeadMembers, 0) == kEntryTextCount);
static_assert(kEntryText == kEntryTextCount + kTextCountSize);
static_assert(PackedEnd(kEntryTailMembers, 0) == kEntryTailSize);

// Writes the listed members of the record at their offsets from out.
template <typename Record, typename Members>
void EncodeMembers(char* out, const Record& record, const Members& members) {
  ForEachMember(members, [&](const auto& member) {
    EncodeNumber(out + member.offset, record.*(member.member));
  });
}

// Reads the listed members of the record from their offsets from in.
template <typename Record, typename Members>
void DecodeMembers(const char* in, Record& record, const Members& members) {
  ForEachMember(members, [&](const auto& member) {
    using Number = typename std::remove_cvref_t<decltype(member)>::Number;
    record.*(member.member) = DecodeNumber<Number>(in + member.offset);
  });
}

// Line plan file: the value layout (kPlanTagSize, PlanValueSize...) is
// declared with the plan in tables/track_plan.h, which holds its values in it.

}  // namespace packager::layout
