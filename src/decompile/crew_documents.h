// The three crew documents of a decompiled scenario, written from its train:
// the notes, the slowdown order and the timetable sheet, in the layout that
// check compares with the train (its stations, speed changes and slowdowns,
// the train number and the braked mass). The prose that the originals held
// is not in the binary files; these documents say so.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sources/scenario_folder.h"

namespace packager::decompile {

struct CrewFacts {
  ScenarioIdentity identity;
  std::int64_t braked_mass = 0;
  std::int64_t vehicles = 0;
  struct Station {
    std::int64_t position;
    int kind;
    std::string name;  // Windows-1252
    std::int64_t seconds;
  };
  struct Speed {
    std::int64_t position, speed;
  };
  struct Slowdown {
    std::int64_t start, speed, length;
    bool whole_train, orientation_boards;
  };
  struct Board {
    std::int64_t position, speed;
  };
  struct Caption {
    std::int64_t position;
    std::string text;
  };
  std::vector<Station> stations;
  std::vector<Speed> speeds;
  std::vector<Slowdown> slowdowns;
  std::vector<Board> speed_boards;
  std::vector<Caption> captions;
};

// Each document's lines joined by LF, Windows-1252.
std::string NotesText(const CrewFacts& facts);
std::string SlowdownOrderText(const CrewFacts& facts);
std::string TimetableSheetText(const CrewFacts& facts);

}  // namespace packager::decompile
