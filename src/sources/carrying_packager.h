// A packager made without a compiler: a prebuilt packager program, its bytes
// as built, with the scenario of a folder appended (carried_scenario.h).
// Every packager is made this way, by one function: the build's own and
// the tests' (the carry_scenario program runs it on the build machine) and
// the authors' (`scenario-tool package`).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "sources/scenario_folder.h"

namespace packager {

// The bytes of the prebuilt packager at path. `use` and `origin` go into
// the messages: what the program is read for ("package for linux-x86_64")
// and, for a missing one, where it comes from. Throws FileFailure for a
// file that cannot be read and for one that carries a scenario already: a
// second scenario after it would never be read.
std::string ReadPrebuiltPackager(const std::string& path, const std::string& use,
                                 const std::string& origin);

// Writes a whole output file from its pieces, one after the other.
using PiecesWriter = void (*)(const std::string& path, std::span<const std::string_view> pieces);

// Writes at `output`, with `write`, the packager of the folder: `program`
// (as ReadPrebuiltPackager gives it), then the folder's carried scenario.
// With `executable` whoever may read the file may then run it. Returns the
// packager's size in bytes. Throws what `write` throws.
std::uint64_t WriteCarryingPackager(const std::string& output, std::string_view program,
                                    const ScenarioFolder& folder, bool executable,
                                    PiecesWriter write);

}  // namespace packager
