// What the decompile library offers: the three binary files of a scenario
// back to a scenario folder whose texts compile to the same bytes.
//
// The files are decoded (output/binary_readers.h) and checked to belong to
// one train; then every table is read back into records: the line's curves
// from the steps of its plan, gradients, speeds and adhesion where they
// change, mountain stretches, boards, stations, signals, slowdowns, and the
// abbattimento points that the signalling post-pass does not add by itself
// (the post-pass is replayed to know which). What the files cannot tell
// (a position within its 50 m cell, a speed within 5 km/h, the order of
// records where it leaves no trace, the time of a signal whose left side
// is not 2, which progressive row is which) is written in the one form that
// gives the same bytes, and said in a note at the top of the texts.
//
// Nothing here writes a file: the caller proves the round trip in memory
// with RoundTripMismatch before it writes the folder.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sources/scenario_folder.h"

namespace packager::decompile {

// One binary file as given: its name (for the messages) and its bytes.
struct BinaryFile {
  std::string name;
  std::string bytes;
};

struct BinaryScenario {
  BinaryFile line_plan;    // NAME_linea.dat
  BinaryFile train_table;  // NAME_NUMBER.sim
  BinaryFile route_grid;   // NAME_NUMBER.dat
};

// Files that do not decode or do not belong together. what() is
// "FILE: byte OFFSET: REASON".
class DecompileError : public std::runtime_error {
 public:
  DecompileError(std::string file, std::size_t offset, const std::string& reason)
      : std::runtime_error(file + ": byte " + std::to_string(offset) + ": " + reason),
        file_(std::move(file)),
        offset_(offset) {}
  const std::string& file() const { return file_; }
  std::size_t offset() const { return offset_; }

 private:
  std::string file_;
  std::size_t offset_;
};

struct Decompiled {
  ScenarioIdentity identity;
  // scenario.txt and the five texts (UTF-8, LF line ends), by file name.
  FolderFiles files;
  // The same two description texts as a packager hands them over to a run
  // (Windows-1252, CR LF), by file name: what `compile DIR --name --train`
  // reads, whatever their length.
  FolderFiles descriptions;
  // What the binaries could not give back as it was written, one sentence
  // each; the texts carry them in their notes too.
  std::vector<std::string> notes;
  // Where the decompiler already knows it cannot give a byte back: the
  // round trip names the first that differs, with this reason when one of
  // these is about its cell or entry.
  struct Obstacle {
    int file = 0;        // 0 line plan, 1 train table, 2 route grid
    std::int64_t where;  // metre, entry or cell
    std::string reason;
  };
  std::vector<Obstacle> obstacles;
};

// Throws DecompileError for files that do not decode, are not the kind
// their names say, or are of different trains or lines.
Decompiled Decompile(const BinaryScenario& binaries);

// The form the texts are written in: a scenario folder (`files`), whose
// texts the packager carries and so hold at most kEmbeddedTextCapacity lines
// each, or the two description texts alone (`descriptions`), as a packager
// hands them over to a run.
enum class TextForm { kScenarioFolder, kDescriptions };

// The texts of the form whose lines a scenario folder cannot hold: none, or
// one message that says which text needs how many lines, why a folder
// cannot take them and what to do (the descriptions form).
std::optional<std::string> FolderCapacityProblem(const Decompiled& decompiled);

// Compiles the texts of the form in memory as the build (or, for the
// descriptions, a run) compiles them and compares the three files byte for
// byte with the binaries: none when all are identical, else one message
// that names the first byte that differs (file, offset, member, cell or
// entry, what the texts give and what the file holds, and why where known),
// or FolderCapacityProblem.
std::optional<std::string> RoundTripMismatch(const Decompiled& decompiled,
                                             const BinaryScenario& binaries,
                                             TextForm form = TextForm::kScenarioFolder);

// The three files of a folder on disk that a decompile takes: the one
// NAME_linea.dat, and the NAME_NUMBER.sim and NAME_NUMBER.dat of one train
// beside it. Throws DecompileError (offset 0) naming what is missing or
// more than one.
struct BinaryPaths {
  std::string line_plan, train_table, route_grid;
};
BinaryPaths BinaryPathsIn(const std::string& folder);

// Which of the three a file is by its name: 0 line plan (_linea.dat), 1
// train table (.sim), 2 route grid (another .dat); -1 none.
int BinaryKindOf(const std::string& file_name);

}  // namespace packager::decompile
