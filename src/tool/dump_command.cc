// scenario-tool dump: one binary file decoded, as a listing or as JSON.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "compiler/grammar.h"
#include "explain/scenario_files.h"
#include "explain/shown_text.h"
#include "tables/file_names.h"
#include "output/binary_readers.h"
#include "output/record_layouts.h"
#include "tables/replace_file.h"
#include "tables/windows1252.h"
#include "tool/arguments.h"
#include "tool/commands.h"
#include "tool/tool.h"

namespace packager::tool {

namespace {

using namespace explain;

using Json = nlohmann::ordered_json;

enum class FileKind { kLinePlan, kTrainTable, kRouteGrid };

// A text of the tables (Windows-1252) quoted as a JSON string, for listings.
std::string Quoted(const std::string& bytes) { return JsonText(Json(Utf8From1252(bytes))); }

// The kind of file, from the end of its name (letter case aside).
FileKind KindFromName(const std::string& path) {
  std::string name = PathText(NativePath(path).filename());
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const auto ends_with = [&name](std::string_view end) {
    return name.size() >= end.size() &&
           name.compare(name.size() - end.size(), end.size(), end) == 0;
  };
  if (ends_with("_linea.dat")) return FileKind::kLinePlan;
  if (ends_with(".sim")) return FileKind::kTrainTable;
  if (ends_with(".dat")) return FileKind::kRouteGrid;
  throw UsageError("cannot tell the kind of '" + path +
                   "' from its name: NAME_linea.dat is a line plan, NAME_NUMBER.sim a train "
                   "table, NAME_NUMBER.dat a route grid");
}

// One member of a record: a whole number or a text.
struct Field {
  std::string name;  // words separated by blanks; JSON keys use '_' instead
  std::int64_t number = 0;
  const std::string* text = nullptr;

  bool IsZero() const { return text != nullptr ? text->empty() : number == 0; }
  std::string Listed() const {
    return name + " " + (text != nullptr ? Quoted(*text) : std::to_string(number));
  }
  void AddTo(Json& object) const {
    std::string key = name;
    std::replace(key.begin(), key.end(), ' ', '_');
    object[key] = text != nullptr ? Json(Utf8From1252(*text)) : Json(number);
  }
};

std::string Listed(const std::vector<Field>& fields) {
  std::string listed;
  for (const Field& field : fields) listed += (listed.empty() ? "" : ", ") + field.Listed();
  return listed;
}

// Adds the fields to the object as members, in order.
void AddFields(Json& object, const std::vector<Field>& fields) {
  for (const Field& field : fields) field.AddTo(object);
}

// Appends a field for every listed member of the record, in order.
template <typename Record, typename Members>
void AddFields(std::vector<Field>& fields, const Record& record, const Members& members) {
  layout::ForEachMember(members, [&](const auto& member) {
    fields.push_back({std::string(member.name), record.*(member.member)});
  });
}

void EraseField(std::vector<Field>& fields, std::string_view name) {
  std::erase_if(fields, [name](const Field& field) { return field.name == name; });
}

// ---- line plan

// A coordinate for the listing: whole numbers as such, reals to the
// millimetre, an empty value as "-".
std::string ListedValue(const PlanValue& value) {
  switch (value.tag) {
    case PlanValue::Tag::kInt16:
      return std::to_string(value.whole);
    case PlanValue::Tag::kReal: {
      if (!std::isfinite(value.real))
        return std::isnan(value.real) ? "nan" : (value.real > 0 ? "inf" : "-inf");
      char text[64];
      std::snprintf(text, sizeof text, std::fabs(value.real) < 1e12 ? "%.3f" : "%g", value.real);
      return text;
    }
    case PlanValue::Tag::kEmpty:
      break;
  }
  return "-";
}

// A coordinate in JSON: a number, null when empty, a string for what JSON
// has no number for.
Json JsonValue(const PlanValue& value) {
  switch (value.tag) {
    case PlanValue::Tag::kInt16:
      return value.whole;
    case PlanValue::Tag::kReal:
      return std::isfinite(value.real) ? Json(value.real) : Json(ListedValue(value));
    case PlanValue::Tag::kEmpty:
      break;
  }
  return nullptr;
}

// How many values of the plan carry each tag, in the order of kPlanTags.
std::array<std::int64_t, kPlanTags.size()> CountTags(const TrackPlan& plan) {
  std::array<std::int64_t, kPlanTags.size()> counts{};
  for (int coordinate = 0; coordinate <= 1; ++coordinate) {
    for (std::int32_t metre = 0; metre <= plan.last(); ++metre) {
      const PlanValue::Tag tag = plan.at(metre, coordinate).tag;
      ++counts[static_cast<std::size_t>(std::find(kPlanTags.begin(), kPlanTags.end(), tag) -
                                        kPlanTags.begin())];
    }
  }
  return counts;
}

void DumpLinePlan(const std::string& path, const TrackPlan& plan, long every, bool json,
                  std::ostream& out) {
  const std::array<std::int64_t, kPlanTags.size()> counts = CountTags(plan);
  // Metres 0, every, 2 * every, ... and the last metre.
  std::vector<std::int32_t> metres;
  for (std::int64_t metre = 0;; metre += every) {
    metres.push_back(static_cast<std::int32_t>(metre));
    if (plan.last() - metre < every) break;
  }
  if (metres.back() != plan.last()) metres.push_back(plan.last());

  const std::int64_t values = std::accumulate(counts.begin(), counts.end(), std::int64_t{0});
  if (json) {
    Json document = {{"content", "line plan"}, {"last_metre", plan.last()}, {"values", values}};
    Json tags = Json::object();
    for (std::size_t i = 0; i < kPlanTags.size(); ++i) {
      tags[std::string(PlanTagName(kPlanTags[i]))] = counts[i];
    }
    Json points = Json::array();
    for (const std::int32_t metre : metres) {
      points.push_back({{"metre", metre},
                        {"first", JsonValue(plan.at(metre, 0))},
                        {"second", JsonValue(plan.at(metre, 1))}});
    }
    document["tags"] = std::move(tags);
    document["every"] = every;
    document["points"] = std::move(points);
    out << JsonText(document) << "\n";
    return;
  }
  out << path << ": line plan, metres 0 to " << plan.last() << ", " << values << " values (";
  for (std::size_t i = 0; i < kPlanTags.size(); ++i) {
    out << (i == 0 ? "" : ", ") << counts[i] << " " << PlanTagName(kPlanTags[i]);
  }
  out << ")\n";
  char line[128];
  std::snprintf(line, sizeof line, "%10s %16s %16s\n", "metre", "first", "second");
  out << line;
  for (const std::int32_t metre : metres) {
    std::snprintf(line, sizeof line, "%10ld %16s %16s\n", static_cast<long>(metre),
                  ListedValue(plan.at(metre, 0)).c_str(), ListedValue(plan.at(metre, 1)).c_str());
    out << line;
  }
}

// ---- decoded values

// One value that a packed member stands for: its words in a listing ("" for
// a value that only the JSON carries) and its key and value in JSON.
struct Decoded {
  std::string listed;
  std::string key;
  Json value;
};

std::string Listed(const std::vector<Decoded>& decoded) {
  std::string listed;
  for (const Decoded& value : decoded) {
    if (value.listed.empty()) continue;
    listed += (listed.empty() ? "" : ", ") + value.listed;
  }
  return listed;
}

Json JsonObject(const std::vector<Decoded>& decoded) {
  Json object = Json::object();
  for (const Decoded& value : decoded) object[value.key] = value.value;
  return object;
}

std::string Metres(std::int64_t metres) { return std::to_string(metres) + " m"; }

// The metres a cell covers, "1800-1850 m".
std::string CellSpan(std::int64_t index) {
  return std::to_string(index * kCellLength) + "-" + Metres((index + 1) * kCellLength);
}

using Table = std::array<TableEntry, kScenarioTableSize>;

// The file of the same train beside the one dumped: NAME_NUMBER.sim beside
// NAME_NUMBER.dat and the other way round. The listing takes station names,
// captions and board cells from it; without it, it only leaves them out.
template <typename Content>
struct Companion {
  std::string name;                // its file name; "" when there is none
  std::optional<Content> content;  // none when it does not decode
  std::string fault;               // why it does not decode

  const Content* get() const { return content ? &*content : nullptr; }
  std::string Listed(const char* what) const {
    if (name.empty()) return "";
    return fault.empty() ? "; " + std::string(what) + " from " + name
                         : "; " + name + " beside it does not decode (" + fault + ")";
  }
  Json ToJson() const {
    if (name.empty()) return nullptr;
    return {{"file", name}, {"fault", fault.empty() ? Json(nullptr) : Json(fault)}};
  }
};

template <typename Content, typename Decode>
Companion<Content> ReadCompanion(const std::string& path, const char* extension, Decode decode) {
  Companion<Content> companion;
  std::filesystem::path other = NativePath(path);
  other.replace_extension(extension);
  std::string bytes;
  if (TryReadWholeFile(PathText(other), bytes) != ReadFault::kNone) return companion;
  companion.name = PathText(other.filename());
  try {
    companion.content = decode(bytes);
  } catch (const DecodeError& error) {
    companion.fault = error.what();
  }
  return companion;
}

// The name of a station entry for a listing, ' "NAME"' after the entry, when
// the train table is at hand.
std::string EntryText(const Table* table, std::int64_t entry) {
  if (table == nullptr || entry < 0 || entry >= kScenarioTableSize) return "";
  return " " + Quoted((*table)[static_cast<std::size_t>(entry)].text);
}

Json EntryTextJson(const Table* table, std::int64_t entry) {
  if (table == nullptr || entry < 0 || entry >= kScenarioTableSize) return nullptr;
  return Utf8From1252((*table)[static_cast<std::size_t>(entry)].text);
}

// ---- train table

// The members of an entry in the order of its record, the text among them;
// the text points into the entry.
std::vector<Field> EntryFields(const TableEntry& entry) {
  std::vector<Field> fields;
  AddFields(fields, entry, layout::kEntryHeadMembers);
  fields.push_back({"text", 0, &entry.text});
  AddFields(fields, entry, layout::kEntryTailMembers);
  return fields;
}

// The named members of a reserved entry, and the others that are not zero.
void SplitReserved(int index, const std::vector<Field>& fields, std::vector<Field>& named,
                   std::vector<Field>& others) {
  std::vector<bool> taken(fields.size(), false);
  for (const MemberRole& role : ReservedMemberRoles(index)) {
    const auto found = std::find_if(fields.begin(), fields.end(), [&role](const Field& field) {
      return field.name == role.member;
    });
    Field field = *found;
    field.name = role.name;
    named.push_back(field);
    taken[static_cast<std::size_t>(found - fields.begin())] = true;
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (!taken[i] && !fields[i].IsZero()) others.push_back(fields[i]);
  }
}

// The named members with their units, as a listing shows them.
std::string ListedRoles(int index, const std::vector<Field>& named) {
  const std::vector<MemberRole> roles = ReservedMemberRoles(index);
  std::string listed;
  for (std::size_t i = 0; i < named.size(); ++i) {
    listed += (i == 0 ? "" : ", ") + named[i].Listed() + (named[i].text ? "" : roles[i].unit);
  }
  return listed;
}

std::string ForNames(const std::string& train_number, const std::string& scenario_name) {
  return " for train " + Quoted(train_number) + " and scenario " + Quoted(scenario_name);
}

// What the values of a reserved entry carry, beyond their roles: the stamps
// checked against what the packager makes of the names, the clock, the
// cab signalling, the place of a progressive record.
std::vector<Decoded> ReservedMeaning(int index, const Table& table) {
  const TableEntry& entry = table[static_cast<std::size_t>(index)];
  switch (index) {
    case kProgressiveTreEntry:
    case kProgressiveDueEntry:
    case kProgressiveUnoEntry: {
      // The line reader sorts the three records (by their first values, or
      // when these add up to 0 by their second), whichever keyword gave them.
      constexpr const char* kRanks[] = {"first", "second", "third"};
      const int rank = index - kProgressiveTreEntry + 1;
      return {{"the progressive record sorted " + std::string(kRanks[rank - 1]), "rank", rank}};
    }
    case kScenarioEntry: {
      const std::string& train = table[kSignallingEntry].text;
      const ReservedStamps stamps = StampsFor(train, entry.text);
      return {{entry.int1 == stamps.table_marker
                   ? "marker: the format marker"
                   : "marker: not the format marker " + std::to_string(stamps.table_marker),
               "expected_marker", stamps.table_marker},
              {(entry.seconds == stamps.second_code
                    ? "second code: the competition code"
                    : "second code: the packager stamps " + std::to_string(stamps.second_code)) +
                   ForNames(train, entry.text),
               "expected_second_code", stamps.second_code}};
    }
    case kSignallingEntry: {
      const std::optional<std::string> clock =
          TimeOfDay((std::int64_t{entry.int3} * 60 + entry.int4) * 60 + entry.int5);
      const bool cab = entry.end != 0;
      return {{clock ? "clock " + *clock : "", "clock", clock ? Json(*clock) : Json(nullptr)},
              {cab ? "cab signalling from " + Metres(entry.start) + " to " + Metres(entry.end) +
                         " with " + std::to_string(entry.position) + " codes"
                   : "no cab signalling",
               "cab_signalling", cab}};
    }
    default:
      return {};
  }
}

// Where a caption's board stands: the indicator board cell whose param1
// names the entry.
std::optional<std::int64_t> BoardCellOf(const RouteGrid& grid, int entry) {
  for (std::int64_t index = 0; index <= grid.last_index(); ++index) {
    const RouteCell& cell = grid.at(index);
    if (cell.kind == kCellIndicatorBoard && cell.param1 == entry) return index;
  }
  return std::nullopt;
}

std::string ListedBoardCell(const Companion<RouteGrid>& grid, int index) {
  if (grid.get() == nullptr) return "";
  const std::optional<std::int64_t> cell = BoardCellOf(*grid.get(), index);
  if (!cell) return " on no indicator board of " + grid.name;
  return " on the indicator board in cell " + std::to_string(*cell) + " (" + CellSpan(*cell) +
         ", a record at " + Metres(BoardRecordPosition(*cell)) + ")";
}

// Columns 4 to 13 of a station row, in the order of the row.
constexpr std::string_view kStationColumns[] = {"byte1", "byte5", "byte4", "int1", "int2",
                                                "byte2", "int3",  "int4",  "int5", "byte3"};

std::string ListedStation(const TableEntry& entry) {
  std::string line = "station " + Quoted(entry.text) + ": kind " + std::to_string(entry.kind) +
                     ", position " + Metres(entry.position) + ", start " + Metres(entry.start) +
                     ", end " + Metres(entry.end);
  const std::optional<std::int64_t> stop = StopCellOf(entry);
  line += stop ? ", stop point in cell " + std::to_string(*stop) + " (" + CellSpan(*stop) + ")"
               : ", no stop point (kind " + std::to_string(grammar::kFirstKindWithoutGrid) +
                     " or more)";
  const std::optional<std::string> time = TimeOfDay(entry.seconds);
  line += (time ? ", time of day " + *time : ", time of day none") + " (seconds " +
          std::to_string(entry.seconds) + "); row columns 4 to 13:";
  const std::vector<Field> fields = EntryFields(entry);
  for (std::size_t i = 0; i < std::size(kStationColumns); ++i) {
    const auto field = std::find_if(fields.begin(), fields.end(),
                                    [i](const Field& f) { return f.name == kStationColumns[i]; });
    line += (i == 0 ? " " : ", ") + field->Listed();
  }
  // Kinds 5 to 8 have byte4 cleared; the others end 50 m later for it.
  if (entry.byte4 != 0) line += " (byte4: the end 50 m later)";
  return line;
}

std::string ListedEntry(int index, const Table& table, const Companion<RouteGrid>& grid) {
  const TableEntry& entry = table[static_cast<std::size_t>(index)];
  const EntryUse use = UseOf(index, entry);
  const std::vector<Field> fields = EntryFields(entry);
  std::string line = "entry " + std::to_string(index) + ": ";
  switch (use) {
    case EntryUse::kStation:
      return line + ListedStation(entry);
    case EntryUse::kCaption:
      return line + "caption " + Quoted(entry.text) + ListedBoardCell(grid, index);
    case EntryUse::kEmpty:
      return line + "empty";
    case EntryUse::kUnused: {
      std::vector<Field> set;
      for (const Field& field : fields) {
        if (!field.IsZero()) set.push_back(field);
      }
      return line + "unused" + (set.empty() ? "" : ", yet holds " + Listed(set));
    }
    case EntryUse::kReserved:
      break;
  }
  std::vector<Field> named, others;
  SplitReserved(index, fields, named, others);
  line += std::string(ReservedRole(index)) + ": " + ListedRoles(index, named);
  const std::string meaning = Listed(ReservedMeaning(index, table));
  if (!meaning.empty()) line += "; " + meaning;
  if (!others.empty()) line += "; also " + Listed(others);
  return line;
}

Json JsonEntry(int index, const Table& table, const Companion<RouteGrid>& grid) {
  const TableEntry& entry = table[static_cast<std::size_t>(index)];
  const EntryUse use = UseOf(index, entry);
  const std::vector<Field> fields = EntryFields(entry);
  Json json = {{"index", index}, {"use", UseName(use)}};
  AddFields(json, fields);
  if (use == EntryUse::kStation) {
    const std::optional<std::int64_t> stop = StopCellOf(entry);
    const std::optional<std::string> time = TimeOfDay(entry.seconds);
    json["stop_cell"] = stop ? Json(*stop) : Json(nullptr);
    json["time_of_day"] = time ? Json(*time) : Json(nullptr);
  } else if (use == EntryUse::kCaption) {
    const std::optional<std::int64_t> cell =
        grid.get() ? BoardCellOf(*grid.get(), index) : std::nullopt;
    json["board_cell"] = cell ? Json(*cell) : Json(nullptr);
  } else if (use == EntryUse::kReserved) {
    std::vector<Field> named, others;
    SplitReserved(index, fields, named, others);
    // Ahead of the role, so that the values stay the last member of the entry.
    json["decoded"] = JsonObject(ReservedMeaning(index, table));
    json["role"] = ReservedRole(index);
    Json values = Json::object();
    AddFields(values, named);
    json["values"] = std::move(values);
  }
  return json;
}

void DumpTrainTable(const std::string& path, const Table& table, std::size_t size,
                    const Companion<RouteGrid>& grid, bool json, std::ostream& out) {
  int stations = 0, captions = 0;
  for (int index = 0; index < kScenarioTableSize; ++index) {
    const EntryUse use = UseOf(index, table[static_cast<std::size_t>(index)]);
    stations += use == EntryUse::kStation;
    captions += use == EntryUse::kCaption;
  }
  if (json) {
    Json document = {{"content", "train table"},
                     {"bytes", size},
                     {"stations", stations},
                     {"captions", captions}};
    Json entries = Json::array();
    for (int index = 0; index < kScenarioTableSize; ++index) {
      entries.push_back(JsonEntry(index, table, grid));
    }
    document["entries"] = std::move(entries);
    document["companion"] = grid.ToJson();
    out << JsonText(document) << "\n";
    return;
  }
  out << path << ": train table, " << kScenarioTableSize << " entries in " << size << " bytes, "
      << stations << (stations == 1 ? " station, " : " stations, ") << captions
      << (captions == 1 ? " caption" : " captions") << grid.Listed("board cells") << "\n";
  for (int index = 0; index < kScenarioTableSize; ++index) {
    out << ListedEntry(index, table, grid) << "\n";
  }
}

// ---- route grid

// Every member of a cell but its kind, which a listing shows first, by name.
std::vector<Field> CellFields(const RouteCell& cell) {
  std::vector<Field> fields;
  AddFields(fields, cell, layout::kCellMembers);
  EraseField(fields, "kind");
  return fields;
}

// What the listing of a cell may look up beyond the cell: the cells it
// announces, and the names that the train table gives the entries it names.
struct GridView {
  const RouteGrid& grid;
  const Table* table;  // the companion train table, or null
};

// What the object in a cell is: where its record stood, its members decoded,
// and which raw members its kind gives a meaning.
struct ObjectReading {
  Decoded origin;  // e.g. "from a record at 1750 m"; no key when nothing placed it
  std::vector<Decoded> members;
  std::vector<std::string_view> used;
};

Decoded FromRecordAt(std::int64_t metres) {
  return {"from a record at " + Metres(metres), "record_at", metres};
}

std::string Joined(const std::array<int, 3>& values, const char* between) {
  return std::to_string(values[0]) + between + std::to_string(values[1]) + between +
         std::to_string(values[2]);
}

ObjectReading ReadSignal(std::int64_t index, const RouteCell& cell) {
  const SignalSides sides = DecodeSignal(cell);
  const auto side = [](const char* name, int kind, const std::array<int, 3>& codes) {
    return Decoded{
        std::string(name) + " kind " + std::to_string(kind) + " codes " + Joined(codes, " "), name,
        Json{{"kind", kind}, {"codes", codes}}};
  };
  return {FromRecordAt(BoardRecordPosition(index)),
          {side("left", sides.left_kind, sides.left_codes),
           side("right", sides.right_kind, sides.right_codes),
           {"rapp " + std::to_string(sides.rapp), "rapp", sides.rapp},
           cell.signal_time == 0
               ? Decoded{"no time", "time", nullptr}
               : Decoded{"time " + std::to_string(cell.signal_time), "time", cell.signal_time}},
          {"param1", "param2", "param3", "param4", "signal_time"}};
}

// A slowdown's start, end or warning: its speed, and for start and end the
// whole-train flag; d_v is carried to all three.
ObjectReading ReadSlowdownCell(Decoded origin, const RouteCell& cell) {
  ObjectReading reading{std::move(origin),
                        {{std::to_string(cell.param1) + " km/h", "speed_kmh", cell.param1}},
                        {"param1", "param2"}};
  if (cell.kind != kCellSlowdownWarning) {
    const bool whole = cell.param3 != 0;
    reading.members.push_back(
        {whole ? "the whole train" : "not the whole train", "whole_train", whole});
    reading.used.push_back("param3");
  }
  reading.members.push_back({"d_v " + std::to_string(cell.param2), "d_v", cell.param2});
  return reading;
}

ObjectReading ReadOrientationBoard(std::int64_t index, const RouteCell& cell) {
  const std::int64_t start = SlowdownStartOfOrientationBoard(index, cell.param1);
  return {
      {"of a slowdown starting at " + Metres(start), "slowdown_start", start},
      {{"board " + std::to_string(cell.param1) + " of 4 before its warning", "board", cell.param1},
       {cell.param2 != 0 ? "the slowdown has a d_v" : "the slowdown has no d_v", "with_d_v",
        cell.param2 != 0}},
      {"param1", "param2"}};
}

ObjectReading ReadSpeedBoard(std::int64_t index, const RouteCell& cell) {
  const SpeedBoardSides sides = DecodeSpeedBoard(cell);
  const auto side = [](const char* name, const std::array<int, 3>& kmh, int stripes) {
    return Decoded{std::string(name) + " A/B/C " + Joined(kmh, "/") + " km/h " +
                       std::to_string(stripes) + " stripes",
                   name, Json{{"speeds_kmh", kmh}, {"stripes", stripes}}};
  };
  return {FromRecordAt(BoardRecordPosition(index)),
          {side("left", sides.left_kmh, sides.left_stripes),
           side("right", sides.right_kmh, sides.right_stripes)},
          {"param1", "param2", "param3", "param4"}};
}

// The stop point stands in the cell before that of the station's end.
ObjectReading ReadStationStop(const GridView& view, std::int64_t index, const RouteCell& cell) {
  const std::int64_t end = (index + 1) * kCellLength;
  return {{"of a station ending at " + Metres(end), "station_end", end},
          {{"station entry " + std::to_string(cell.param1) + EntryText(view.table, cell.param1),
            "entry", cell.param1},
           {"", "station", EntryTextJson(view.table, cell.param1)}},
          {"param1"}};
}

// An abbattimento record takes the cell p / 50; the post-pass adds points of
// its own, which the cell cannot tell apart.
ObjectReading ReadAbbattimento(std::int64_t index, const RouteCell& cell) {
  const std::int64_t at = RunningRecordPosition(index);
  ObjectReading reading{
      {"from a record at " + Metres(at) + " or added by the packager", "record_at", at}, {}, {}};
  if (cell.kind == kCellAbbattimento) {
    reading.members.push_back({"value " + std::to_string(cell.param1), "value", cell.param1});
    reading.used.push_back("param1");
  } else {
    reading.members.push_back({"no value", "value", nullptr});
  }
  return reading;
}

ObjectReading ReadIndicatorBoard(const GridView& view, std::int64_t index, const RouteCell& cell) {
  return {FromRecordAt(BoardRecordPosition(index)),
          {{"caption entry " + std::to_string(cell.param1) + EntryText(view.table, cell.param1),
            "caption_entry", cell.param1},
           {"", "caption", EntryTextJson(view.table, cell.param1)}},
          {"param1"}};
}

// Empty cells, mountain markers and unknown kinds tell nothing beyond their kind.
ObjectReading ReadObject(const GridView& view, std::int64_t index) {
  const RouteCell& cell = view.grid.at(index);
  switch (cell.kind) {
    case kCellSignal:
      return ReadSignal(index, cell);
    case kCellSlowdownStart:
      return ReadSlowdownCell(FromRecordAt(BoardRecordPosition(index)), cell);
    case kCellSlowdownEnd: {
      const std::int64_t end = BoardRecordPosition(index);
      return ReadSlowdownCell({"of a slowdown ending at " + Metres(end), "slowdown_end", end},
                              cell);
    }
    case kCellSlowdownWarning: {
      const std::int64_t start = SlowdownStartOfWarning(index);
      return ReadSlowdownCell(
          {"of a slowdown starting at " + Metres(start), "slowdown_start", start}, cell);
    }
    case kCellOrientationBoard:
      return ReadOrientationBoard(index, cell);
    case kCellSpeedBoard:
      return ReadSpeedBoard(index, cell);
    case kCellStationStop:
      return ReadStationStop(view, index, cell);
    case kCellAbbattimento:
    case kCellPlainAbbattimento:
      return ReadAbbattimento(index, cell);
    case kCellIndicatorBoard:
      return ReadIndicatorBoard(view, index, cell);
    default:
      return {};
  }
}

// What an approach mark announces; none for a cell without one. In JSON the
// signal's cell, and the stop point's cell and station entry, null where the
// grid holds no such object (the JSON of a cell stays on one line).
std::optional<Decoded> ReadApproach(const GridView& view, std::int64_t index) {
  const int mark = view.grid.at(index).approach_mark;
  if (mark == 0) return std::nullopt;
  const ApproachReading reading = ReadApproachMark(view.grid, index);
  std::string listed = "approach_mark " + std::to_string(mark);
  Json json = {{"mark", nullptr},
               {"sides", nullptr},
               {"signal_cell", nullptr},
               {"stop_cell", nullptr},
               {"station_entry", nullptr}};
  if (reading.number == 0) return Decoded{listed + " (no mark of a known form)", "approach", json};
  json["mark"] = reading.number;
  json["sides"] = reading.sides;
  std::string named;
  for (const ApproachTarget& target : reading.targets) {
    named += named.empty() ? "" : " or ";
    if (target.kind == kCellSignal) {
      named += "the signal in cell " + std::to_string(target.cell);
      json["signal_cell"] = target.cell;
    } else {
      const std::int16_t entry = view.grid.at(target.cell).param1;
      named += "the stop point in cell " + std::to_string(target.cell) + ", station entry " +
               std::to_string(entry) + EntryText(view.table, entry);
      json["stop_cell"] = target.cell;
      json["station_entry"] = entry;
    }
  }
  if (named.empty()) {
    named = "no signal of sides " + std::to_string(reading.sides) + " in cell " +
            std::to_string(reading.signal_cell) +
            (reading.may_be_station ? " nor stop point in cell " + std::to_string(reading.stop_cell)
                                    : "");
  }
  listed += " (mark " + std::to_string(reading.number) + " of " + named + ")";
  return Decoded{listed, "approach", std::move(json)};
}

std::string Signed(int value) { return (value > 0 ? "+" : "") + std::to_string(value); }

// The running values of the cell. A value that differs from the cell before
// starts here, as a record at n * 50 m starts it; JSON lists which do.
std::vector<Decoded> ReadRunningValues(const RouteGrid& grid, std::int64_t index) {
  const RouteCell& cell = grid.at(index);
  const RouteCell before = index > 0 ? grid.at(index - 1) : RouteCell{};
  Json starts = Json::array();
  const auto origin = [&](const char* name, bool starts_here) -> std::string {
    if (!starts_here) return "";
    starts.push_back(name);
    return "from a record at " + Metres(RunningRecordPosition(index));
  };
  const std::string speed_origin = origin("speed", cell.speed_code != before.speed_code);
  const std::string gradient_origin =
      origin("gradient", cell.gradient_code != before.gradient_code);
  const std::string adhesion_origin = origin("adhesion", cell.adhesion != before.adhesion);
  const int gradient = GradientPerMille(cell);
  std::vector<Decoded> values = {{"speed " + std::to_string(SpeedKmh(cell)) + " km/h (speed_code " +
                                      std::to_string(cell.speed_code) +
                                      (speed_origin.empty() ? "" : ", " + speed_origin) + ")",
                                  "speed_kmh", SpeedKmh(cell)},
                                 {"gradient " + Signed(gradient) + " per mille (gradient_code " +
                                      std::to_string(cell.gradient_code) +
                                      (gradient_origin.empty() ? "" : ", " + gradient_origin) + ")",
                                  "gradient_per_mille", gradient},
                                 {"adhesion " + std::to_string(cell.adhesion) +
                                      (adhesion_origin.empty() ? "" : " (" + adhesion_origin + ")"),
                                  "", nullptr},
                                 {"", "starts_here", starts}};
  if (cell.mountain_kind != 0) {
    values.push_back({"mountain_kind " + std::to_string(cell.mountain_kind), "", nullptr});
  }
  return values;
}

// Cell 1 carries the format marker and the first competition code whatever
// stands in it.
std::optional<Decoded> ReadReservedCell(const GridView& view, std::int64_t index) {
  if (index != 1) return std::nullopt;
  const RouteCell& cell = view.grid.at(index);
  const TableEntry* scenario = view.table ? &(*view.table)[kScenarioEntry] : nullptr;
  const TableEntry* signalling = view.table ? &(*view.table)[kSignallingEntry] : nullptr;
  const ReservedStamps stamps =
      scenario ? StampsFor(signalling->text, scenario->text) : StampsFor("", "");
  std::string listed =
      "reserved: param1 " +
      std::string(cell.param1 == stamps.grid_marker
                      ? "is the format marker"
                      : "is not the format marker " + std::to_string(stamps.grid_marker));
  Json json = {{"format_marker", cell.param1},
               {"expected_format_marker", stamps.grid_marker},
               {"first_code", cell.param2},
               {"expected_first_code", nullptr}};
  if (scenario) {
    listed += cell.param2 == stamps.first_code ? ", param2 is the first competition code"
                                               : ", param2 is not the first competition code " +
                                                     std::to_string(stamps.first_code);
    listed += ForNames(signalling->text, scenario->text);
    json["expected_first_code"] = stamps.first_code;
  } else {
    listed += ", param2 the first competition code";
  }
  return Decoded{listed, "reserved", std::move(json)};
}

// The raw members that the listing shows: those the object gives a meaning,
// cell 1's reserved ones, and any other that is not 0. The running values
// come with their decoded values.
std::string ListedRawMembers(const RouteCell& cell, std::int64_t index,
                             const std::vector<std::string_view>& used) {
  constexpr std::string_view kRunning[] = {"approach_mark", "mountain_kind", "speed_code",
                                           "gradient_code", "adhesion"};
  std::vector<Field> shown;
  for (const Field& field : CellFields(cell)) {
    if (std::find(std::begin(kRunning), std::end(kRunning), field.name) != std::end(kRunning)) {
      continue;
    }
    const bool reserved = index == 1 && (field.name == "param1" || field.name == "param2");
    if (reserved || !field.IsZero() ||
        std::find(used.begin(), used.end(), field.name) != used.end()) {
      shown.push_back(field);
    }
  }
  return Listed(shown);
}

std::string ListedCell(const GridView& view, std::int64_t index) {
  const RouteCell& cell = view.grid.at(index);
  const ObjectReading object = ReadObject(view, index);
  std::string line = "cell " + std::to_string(index) + " (" + CellSpan(index) +
                     "): " + CellKindName(cell.kind) + " (kind " + std::to_string(cell.kind) + ")";
  if (!object.origin.listed.empty()) line += " " + object.origin.listed;
  if (!object.members.empty()) line += ": " + Listed(object.members);
  const std::string raw = ListedRawMembers(cell, index, object.used);
  if (!raw.empty()) line += "; " + raw;
  if (const auto reserved = ReadReservedCell(view, index)) line += "; " + reserved->listed;
  line += "; " + Listed(ReadRunningValues(view.grid, index));
  if (const auto approach = ReadApproach(view, index)) line += ", " + approach->listed;
  return line;
}

Json JsonCell(const GridView& view, std::int64_t index) {
  const RouteCell& cell = view.grid.at(index);
  const std::int64_t from = index * kCellLength;
  Json json = {{"index", index},
               {"from", from},
               {"to", from + kCellLength},
               {"kind", int{cell.kind}},
               {"kind_name", CellKindName(cell.kind)}};
  AddFields(json, CellFields(cell));
  for (const Decoded& value : ReadRunningValues(view.grid, index)) {
    if (!value.key.empty()) json[value.key] = value.value;
  }
  if (cell.kind == kCellEmpty) {
    json["object"] = nullptr;
  } else {
    ObjectReading object = ReadObject(view, index);
    Json members = Json::object();
    if (!object.origin.key.empty()) members[object.origin.key] = object.origin.value;
    for (const Decoded& value : object.members) members[value.key] = value.value;
    json["object"] = std::move(members);
  }
  const auto approach = ReadApproach(view, index);
  json["approach"] = approach ? approach->value : Json(nullptr);
  if (const auto reserved = ReadReservedCell(view, index)) json["reserved"] = reserved->value;
  return json;
}

void DumpRouteGrid(const std::string& path, const RouteGrid& grid, bool objects_only,
                   const Companion<Table>& table, bool json, std::ostream& out) {
  const GridView view{grid, table.get()};
  std::vector<std::int64_t> listed;
  for (std::int64_t index = 0; index <= grid.last_index(); ++index) {
    const RouteCell& cell = grid.at(index);
    if (objects_only ? cell.kind != kCellEmpty : !IsZeroCell(cell)) listed.push_back(index);
  }
  const std::int64_t count = grid.last_index() + 1;
  const char* selection = objects_only ? "holding an object" : "not all zero";
  if (json) {
    Json document = {{"content", "route grid"}, {"cell_count", count}, {"listed", listed.size()}};
    Json cells = Json::array();
    for (const std::int64_t index : listed) cells.push_back(JsonCell(view, index));
    document["cells"] = std::move(cells);
    out << JsonText(document) << "\n";
    return;
  }
  out << path << ": route grid, " << count << " cells (metres 0 to " << count * kCellLength << "), "
      << listed.size() << " " << selection << table.Listed("names") << "\n";
  for (const std::int64_t index : listed) out << ListedCell(view, index) << "\n";
}

}  // namespace

int DumpCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Arguments arguments = CommandArguments("dump", args);
  arguments.ExpectPositional(1, "the file FILE");
  const std::string& path = arguments.positional()[0];
  const FileKind kind = KindFromName(path);
  const long every = arguments.Number("--every", 1000, 1);
  if (arguments.value("--every") && kind != FileKind::kLinePlan) {
    throw UsageError("option '--every' applies to a line plan file (NAME_linea.dat) only");
  }
  const bool objects_only = arguments.flag("--objects");
  if (objects_only && kind != FileKind::kRouteGrid) {
    throw UsageError("option '--objects' applies to a route grid file (NAME_NUMBER.dat) only");
  }
  const bool json = arguments.flag("--json");
  const std::string bytes = ReadWholeFile(path);
  try {
    switch (kind) {
      case FileKind::kLinePlan:
        DumpLinePlan(path, DecodeLinePlan(bytes), every, json, out);
        break;
      case FileKind::kTrainTable:
        DumpTrainTable(path, DecodeTrainTable(bytes), bytes.size(),
                       ReadCompanion<RouteGrid>(path, ".dat", DecodeRouteGrid), json, out);
        break;
      case FileKind::kRouteGrid:
        DumpRouteGrid(path, DecodeRouteGrid(bytes), objects_only,
                      ReadCompanion<Table>(path, ".sim", DecodeTrainTable), json, out);
        break;
    }
  } catch (const DecodeError& error) {
    err << ShownText(path + ": " + error.what(), Controls::kEscaped) << "\n";
    return kToolRecordedFault;
  }
  return kToolClean;
}

}  // namespace packager::tool
