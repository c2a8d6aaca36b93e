// scenario-tool dump: one binary file decoded, as a listing or as JSON.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "output/binary_readers.h"
#include "output/record_layouts.h"
#include "tables/replace_file.h"
#include "tables/windows1252.h"
#include "tool/arguments.h"
#include "tool/scenario_files.h"
#include "tool/tool.h"

namespace packager::tool {

namespace {

using Json = nlohmann::ordered_json;

enum class FileKind { kLinePlan, kTrainTable, kRouteGrid };

// A text of the tables (Windows-1252) quoted as a JSON string, for listings.
std::string Quoted(const std::string& bytes) { return JsonText(Json(Utf8From1252(bytes))); }

// The kind of file, from the end of its name (letter case aside).
FileKind KindFromName(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
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

struct Role {
  std::string_view member;  // the member's name in EntryFields
  const char* name;
};

// The members that a reserved entry gives a meaning, in the order of the record.
std::vector<Role> RolesOf(int index) {
  switch (index) {
    case kProgressiveTreEntry:
    case kProgressiveDueEntry:
    case kProgressiveUnoEntry:
      return {{"start", "start"}, {"end", "end"}, {"position", "position"}};
    case kTrainValuesEntry:
      return {{"start", "braked mass"}, {"end", "line length"}, {"position", "carriages"}};
    case kScenarioEntry:
      return {{"start", "background one"},
              {"end", "background three"},
              {"position", "background two"},
              {"text", "name"},
              {"int1", "marker"},
              {"seconds", "second code"}};
    case kSignallingEntry:
      return {{"start", "cab signalling start"},
              {"end", "cab signalling end"},
              {"position", "cab signalling codes"},
              {"text", "train number"},
              {"int1", "sand"},
              {"int3", "clock hours"},
              {"int4", "clock minutes"},
              {"int5", "clock seconds"}};
    default:
      return {};
  }
}

// The named members of a reserved entry, and the others that are not zero.
void SplitReserved(int index, const std::vector<Field>& fields, std::vector<Field>& named,
                   std::vector<Field>& others) {
  std::vector<bool> taken(fields.size(), false);
  for (const Role& role : RolesOf(index)) {
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

std::string TimeOfDay(std::int64_t seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", static_cast<long>(seconds / 3600),
                static_cast<long>(seconds / 60 % 60), static_cast<long>(seconds % 60));
  return text;
}

std::string ListedEntry(int index, const TableEntry& entry) {
  const EntryUse use = UseOf(index, entry);
  std::vector<Field> fields = EntryFields(entry);
  std::string line = "entry " + std::to_string(index) + ": ";
  switch (use) {
    case EntryUse::kStation: {
      EraseField(fields, "text");
      line += "station " + Quoted(entry.text) + ": " + Listed(fields);
      if (entry.seconds > 0 && entry.seconds < 100 * 3600) {
        line += " (" + TimeOfDay(entry.seconds) + ")";
      }
      return line;
    }
    case EntryUse::kCaption:
      return line + "caption " + Quoted(entry.text);
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
  line += std::string(ReservedRole(index)) + ": " + Listed(named);
  if (!others.empty()) line += "; also " + Listed(others);
  return line;
}

Json JsonEntry(int index, const TableEntry& entry) {
  const EntryUse use = UseOf(index, entry);
  const std::vector<Field> fields = EntryFields(entry);
  Json json = {{"index", index}, {"use", UseName(use)}};
  AddFields(json, fields);
  if (use == EntryUse::kReserved) {
    std::vector<Field> named, others;
    SplitReserved(index, fields, named, others);
    json["role"] = ReservedRole(index);
    Json values = Json::object();
    AddFields(values, named);
    json["values"] = std::move(values);
  }
  return json;
}

void DumpTrainTable(const std::string& path,
                    const std::array<TableEntry, kScenarioTableSize>& table, std::size_t size,
                    bool json, std::ostream& out) {
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
      entries.push_back(JsonEntry(index, table[static_cast<std::size_t>(index)]));
    }
    document["entries"] = std::move(entries);
    out << JsonText(document) << "\n";
    return;
  }
  out << path << ": train table, " << kScenarioTableSize << " entries in " << size << " bytes, "
      << stations << (stations == 1 ? " station, " : " stations, ") << captions
      << (captions == 1 ? " caption\n" : " captions\n");
  for (int index = 0; index < kScenarioTableSize; ++index) {
    out << ListedEntry(index, table[static_cast<std::size_t>(index)]) << "\n";
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

Json JsonCell(std::int64_t index, const RouteCell& cell) {
  const std::int64_t from = index * kCellLength;
  Json json = {{"index", index},
               {"from", from},
               {"to", from + kCellLength},
               {"kind", int{cell.kind}},
               {"kind_name", CellKindName(cell.kind)}};
  AddFields(json, CellFields(cell));
  return json;
}

void DumpRouteGrid(const std::string& path, const RouteGrid& grid, bool json, std::ostream& out) {
  std::vector<std::int64_t> listed;
  for (std::int64_t index = 0; index <= grid.last_index(); ++index) {
    if (!IsZeroCell(grid.at(index))) listed.push_back(index);
  }
  const std::int64_t count = grid.last_index() + 1;
  if (json) {
    Json document = {{"content", "route grid"}, {"cell_count", count}, {"listed", listed.size()}};
    Json cells = Json::array();
    for (const std::int64_t index : listed) cells.push_back(JsonCell(index, grid.at(index)));
    document["cells"] = std::move(cells);
    out << JsonText(document) << "\n";
    return;
  }
  out << path << ": route grid, " << count << " cells (metres 0 to " << count * kCellLength
      << "), " << listed.size() << " not all zero\n";
  for (const std::int64_t index : listed) {
    const RouteCell& cell = grid.at(index);
    const std::int64_t from = index * kCellLength;
    out << "cell " << index << " (" << from << "-" << from + kCellLength
        << " m): " << CellKindName(cell.kind) << " (kind " << int{cell.kind} << "), "
        << Listed(CellFields(cell)) << "\n";
  }
}

}  // namespace

int DumpCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Arguments arguments(args, {"--json"}, {"--every"});
  arguments.ExpectPositional(1, "the file FILE");
  const std::string& path = arguments.positional()[0];
  const FileKind kind = KindFromName(path);
  const long every = arguments.Number("--every", 1000, 1);
  if (arguments.value("--every") && kind != FileKind::kLinePlan) {
    throw UsageError("option '--every' applies to a line plan file (NAME_linea.dat) only");
  }
  const bool json = arguments.flag("--json");
  const std::string bytes = ReadWholeFile(path);
  try {
    switch (kind) {
      case FileKind::kLinePlan:
        DumpLinePlan(path, DecodeLinePlan(bytes), every, json, out);
        break;
      case FileKind::kTrainTable:
        DumpTrainTable(path, DecodeTrainTable(bytes), bytes.size(), json, out);
        break;
      case FileKind::kRouteGrid:
        DumpRouteGrid(path, DecodeRouteGrid(bytes), json, out);
        break;
    }
  } catch (const DecodeError& error) {
    err << path << ": " << error.what() << "\n";
    return kToolRecordedFault;
  }
  return kToolClean;
}

}  // namespace packager::tool
