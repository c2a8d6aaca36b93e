#include "tool/scenario_files.h"

#include "output/record_layouts.h"

namespace packager::tool {

const char* CellKindName(int kind) {
  switch (kind) {
    case kCellEmpty:
      return "empty";
    case kCellSignal:
      return "signal";
    case kCellSlowdownEnd:
      return "slowdown end";
    case kCellSlowdownStart:
      return "slowdown start";
    case kCellSlowdownWarning:
      return "slowdown warning";
    case kCellOrientationBoard:
      return "orientation board";
    case kCellSpeedBoard:
      return "speed board";
    case kCellStationStop:
      return "station stop";
    case kCellMountainMarker:
      return "mountain marker";
    case kCellAbbattimento:
      return "abbattimento";
    case kCellPlainAbbattimento:
      return "plain abbattimento";
    case kCellIndicatorBoard:
      return "indicator board";
    default:
      return "unknown";
  }
}

namespace {

// Whether every listed member of the record is 0.
template <typename Record, typename Members>
bool MembersAreZero(const Record& record, const Members& members) {
  bool zero = true;
  layout::ForEachMember(members,
                        [&](const auto& member) { zero = zero && record.*(member.member) == 0; });
  return zero;
}

}  // namespace

bool IsZeroCell(const RouteCell& cell) { return MembersAreZero(cell, layout::kCellMembers); }

EntryUse UseOf(int index, const TableEntry& entry) {
  if (index == 0) return EntryUse::kUnused;
  if (index >= kProgressiveTreEntry) return EntryUse::kReserved;
  const bool numbers = !MembersAreZero(entry, layout::kEntryHeadMembers) ||
                       !MembersAreZero(entry, layout::kEntryTailMembers);
  if (numbers) return EntryUse::kStation;
  return entry.text.empty() ? EntryUse::kEmpty : EntryUse::kCaption;
}

const char* UseName(EntryUse use) {
  switch (use) {
    case EntryUse::kUnused:
      return "unused";
    case EntryUse::kStation:
      return "station";
    case EntryUse::kCaption:
      return "caption";
    case EntryUse::kEmpty:
      return "empty";
    case EntryUse::kReserved:
      return "reserved";
  }
  return "";
}

const char* ReservedRole(int index) {
  switch (index) {
    case kProgressiveTreEntry:
      return "progressive tre";
    case kProgressiveDueEntry:
      return "progressive due";
    case kProgressiveUnoEntry:
      return "progressive uno";
    case kTrainValuesEntry:
      return "train values";
    case kScenarioEntry:
      return "scenario";
    case kSignallingEntry:
      return "signalling";
    default:
      return "";
  }
}

}  // namespace packager::tool
