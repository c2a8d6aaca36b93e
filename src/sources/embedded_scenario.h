// A scenario as a run sees it: its name, its train and its five texts, as
// the packager reads them from the end of its own file (carried_scenario.h).
// Every text is a list of Windows-1252 lines (no line ends) that ends with
// the marker line; the marker is never written.
#pragma once

#include <span>
#include <string_view>

namespace packager {

inline constexpr std::string_view kEndOfTextMarker = "riferimento fine del file";

// At most this many lines before the marker (the marker at index 1000).
inline constexpr int kEmbeddedTextCapacity = 1000;

struct EmbeddedText {
  std::span<const std::string_view> lines;  // the lines, then the marker
};

struct EmbeddedScenario {
  std::string_view scenario_name;
  std::string_view train_number;
  EmbeddedText line_description;
  EmbeddedText train_description;
  EmbeddedText notes;
  EmbeddedText slowdown_order;
  EmbeddedText timetable_sheet;
};

}  // namespace packager
