#include "tool/scenario_files.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tables/file_failure.h"

namespace packager::tool {

std::string ReadWholeFile(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (!std::filesystem::exists(status)) {
    throw FileFailure(path, "read the file", "it does not exist");
  }
  if (std::filesystem::is_directory(status)) {
    throw FileFailure(path, "read the file", "it is a folder");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileFailure(path, "read the file", "it cannot be opened");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) throw FileFailure(path, "read the file", "reading it failed");
  return std::move(bytes).str();
}

std::string Utf8From1252(std::string_view bytes) {
  // Bytes 0x80 to 0x9F; from 0xA0 the code page agrees with Unicode.
  static const char16_t kHigh[32] = {
      0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  std::string utf8;
  utf8.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
      continue;
    }
    const char32_t code = byte < 0xA0 ? kHigh[byte - 0x80] : byte;
    if (code < 0x800) {
      utf8 += static_cast<char>(0xC0 | (code >> 6));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      utf8 += static_cast<char>(0xE0 | (code >> 12));
      utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return utf8;
}

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

bool IsZeroCell(const RouteCell& cell) {
  return cell.kind == 0 && cell.param1 == 0 && cell.param2 == 0 && cell.param3 == 0 &&
         cell.param4 == 0 && cell.signal_time == 0 && cell.approach_mark == 0 &&
         cell.mountain_kind == 0 && cell.speed_code == 0 && cell.gradient_code == 0 &&
         cell.adhesion == 0;
}

EntryUse UseOf(int index, const TableEntry& entry) {
  if (index == 0) return EntryUse::kUnused;
  if (index >= kProgressiveTreEntry) return EntryUse::kReserved;
  const bool numbers = entry.kind != 0 || entry.start != 0 || entry.end != 0 ||
                       entry.position != 0 || entry.byte1 != 0 || entry.int1 != 0 ||
                       entry.int2 != 0 || entry.int3 != 0 || entry.int4 != 0 || entry.int5 != 0 ||
                       entry.byte2 != 0 || entry.byte3 != 0 || entry.byte4 != 0 ||
                       entry.byte5 != 0 || entry.seconds != 0;
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
