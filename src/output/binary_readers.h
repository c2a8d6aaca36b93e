// Reading the three binary scenario files back into tables.
//
// Each decoder takes the whole file and either returns the table it holds or
// throws DecodeError naming the first byte it could not make sense of. The
// files have no header, so a decoder can only check their shape: every
// record whole, every tag known, nothing left over. It never reads outside
// the bytes it is given.
#pragma once

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "tables/scenario_tables.h"

namespace packager {

// A file whose bytes do not form the table: offset() is the byte where
// decoding stopped, reason() what was wrong there. what() is
// "byte OFFSET: REASON".
class DecodeError : public std::runtime_error {
 public:
  DecodeError(std::size_t offset, const std::string& reason)
      : std::runtime_error("byte " + std::to_string(offset) + ": " + reason),
        offset_(offset),
        reason_(reason) {}
  std::size_t offset() const { return offset_; }
  const std::string& reason() const { return reason_; }

 private:
  std::size_t offset_;
  std::string reason_;
};

// The line plan file: an even number (at least two) of tagged values, the
// first coordinate of metres 0 to last and then the second.
TrackPlan DecodeLinePlan(std::string_view bytes);

// The train table file: exactly the 87 entries, nothing before or after.
std::array<TableEntry, kScenarioTableSize> DecodeTrainTable(std::string_view bytes);

// The route grid file: at least one cell, a whole number of cells.
RouteGrid DecodeRouteGrid(std::string_view bytes);

}  // namespace packager
