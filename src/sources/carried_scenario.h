// A scenario carried inside a packager program's file, after its code: the
// way a packager is made without a compiler. The program's own bytes stay as
// they were built; the scenario follows them, and a fixed trailer ends the
// file:
//
//   program bytes | scenario | trailer
//
//   scenario: the name, the train number, then the five texts (line
//             description, train description, notes, slowdown order,
//             timetable sheet), each a 32-bit line count and its lines, every
//             string a 32-bit byte count and its Windows-1252 bytes
//   trailer:  kCarriedMarker (8 bytes), the format version (32-bit), 4 zero
//             bytes, the scenario's length in bytes (64-bit) and the FNV-1a
//             64-bit checksum of the scenario's bytes (64-bit)
//
// All numbers little-endian. Any change of a byte of the scenario, a cut
// tail or a trailer of another version is refused.
//
// The checksum finds damage, not edits: anyone can compute it again. So a
// carried scenario obeys every rule of a scenario folder (the name and the
// train as plain file names, no line end, NUL or end marker inside a line,
// the reserved field zero), and the run joins only plain names to its own
// folder whatever it carries. The checksum covers the scenario alone, not
// the program before it: binding the two would stop no one who can edit
// the file, and it would tie every packager to the exact bytes of one build.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sources/embedded_scenario.h"
#include "sources/scenario_folder.h"

namespace packager {

inline constexpr std::string_view kCarriedMarker = "SCENARIO";
inline constexpr std::uint32_t kCarriedVersion = 1;
inline constexpr std::size_t kCarriedTrailerSize = 32;

// A file that carries no usable scenario; what() says why, e.g. "the
// scenario's checksum does not match: the file was changed after packaging".
class CarriedScenarioError : public std::runtime_error {
 public:
  explicit CarriedScenarioError(const std::string& what, bool sealed = false)
      : std::runtime_error(what), sealed_(sealed) {}

  // Whether the file ends with a whole scenario of this version, as packaged
  // (its checksum matches), that is refused for what it holds: a packager
  // that carries a scenario, however unusable.
  bool sealed() const { return sealed_; }

 private:
  bool sealed_;
};

// The scenario and trailer to append to a program's bytes.
std::string EncodeCarriedScenario(const ScenarioFolder& folder);

// A scenario read back from a program file. Not copied or moved: the
// embedded view points into its own strings.
class CarriedScenario {
 public:
  CarriedScenario() = default;
  CarriedScenario(const CarriedScenario&) = delete;
  CarriedScenario& operator=(const CarriedScenario&) = delete;

  const EmbeddedScenario& embedded() const { return embedded_; }

 private:
  friend std::unique_ptr<CarriedScenario> DecodeCarriedScenario(std::string_view);

  std::string name_;
  std::string train_;
  std::array<std::vector<std::string>, 5> lines_;
  std::array<std::vector<std::string_view>, 5> views_;  // the lines, then the marker
  EmbeddedScenario embedded_;
};

// The scenario at the end of a program file's bytes. Throws
// CarriedScenarioError for a file that ends with no trailer, a trailer of
// another version, a scenario cut short or changed, or one that does not
// read as a scenario.
std::unique_ptr<CarriedScenario> DecodeCarriedScenario(std::string_view file_bytes);

// The folder's scenario as a packager that carries it reads it back.
std::unique_ptr<CarriedScenario> CarriedScenarioOf(const ScenarioFolder& folder);

// The scenario at the end of the program file at path, read from the end:
// the trailer, then the scenario it announces, never the program before it.
// Throws CarriedScenarioError as DecodeCarriedScenario does, FileFailure for
// a file that cannot be read.
std::unique_ptr<CarriedScenario> ReadCarriedScenario(const std::string& path);

// FNV-1a, 64-bit: the checksum of the carried scenario.
std::uint64_t Fnv1a64(std::string_view bytes);

}  // namespace packager
