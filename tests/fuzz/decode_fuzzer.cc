// Fuzz harness of the decoders of the three binary files and of the
// scenario-tool dump listing.
//
// The input is the bytes of one file. Each decoder reads it and either throws
// DecodeError or returns a table; a table it returns must encode to exactly
// the input, as every byte of these files belongs to a record. For each kind
// of file that the bytes decode as, the dump command lists them, as text and
// as JSON, from a file of that kind's name, and must succeed. The bytes
// also stand in for each file of a small compiled scenario, and overlay its
// route grid, for the decompiler: it refuses with a byte of the file or
// gives texts, which the round trip then compiles without failing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile_stage.h"
#include "decompile/decompile.h"
#include "fuzz/fuzz_support.h"
#include "output/binary_files.h"
#include "output/binary_readers.h"
#include "tables/file_names.h"
#include "tool/scaffold.h"
#include "tool/tool.h"

namespace {

using packager::fuzz::PrivateFolder;
using packager::fuzz::Require;

// Decodes with the decoder and tells whether it accepted the bytes; an
// accepted file must encode back to itself.
template <typename Decode, typename Encode>
bool DecodesBack(std::string_view bytes, Decode decode, Encode encode, const char* kind) {
  try {
    const auto table = decode(bytes);
    Require(encode(table) == bytes, std::string("a ") + kind + " encodes back to its bytes");
    return true;
  } catch (const packager::DecodeError& error) {
    Require(error.offset() <= bytes.size(), "a decode error names a byte of the file");
    return false;
  }
}

void Dump(const PrivateFolder& folder, const std::string& name, std::string_view bytes,
          const std::vector<std::string>& options) {
  folder.Write(name, bytes);
  for (const bool json : {false, true}) {
    std::vector<std::string> args = {"dump", folder.PathOf(name)};
    args.insert(args.end(), options.begin(), options.end());
    if (json) args.push_back("--json");
    std::ostringstream out, err;
    const int status = packager::tool::RunTool(args, out, err);
    Require(status == packager::tool::kToolClean, "dump lists " + name + ": " + err.str());
  }
}

// The three files of the scaffold's scenario, compiled once.
const packager::decompile::BinaryScenario& SmallScenario() {
  using namespace packager;
  static const decompile::BinaryScenario files = [] {
    const ScenarioIdentity identity{"Prova", "1"};
    const FolderReading reading = ReadFolderFiles(tool::ScaffoldFiles(identity));
    ScenarioTables tables;
    tables.scenario_name = identity.name;
    tables.train_number = identity.train;
    MemoryTexts texts;
    texts.Put(LineDescriptionName(identity.name), FileBytes(reading.folder.line_description));
    texts.Put(TrainDescriptionName(identity.name, identity.train),
              FileBytes(reading.folder.train_description));
    CompileScenario(tables, texts, 1);
    return decompile::BinaryScenario{{"Prova_linea.dat", EncodeLinePlan(tables.track_plan)},
                                     {"Prova_1.sim", EncodeTrainTable(tables.scenario_table)},
                                     {"Prova_1.dat", EncodeRouteGrid(tables.route_cells)}};
  }();
  return files;
}

void DecompileAndProve(const packager::decompile::BinaryScenario& files) {
  using namespace packager::decompile;
  try {
    const Decompiled decompiled = packager::decompile::Decompile(files);
    RoundTripMismatch(decompiled, files);
  } catch (const DecompileError& error) {
    const BinaryFile* named[] = {&files.line_plan, &files.train_table, &files.route_grid};
    bool within = false;
    for (const BinaryFile* file : named) {
      within = within || (error.file() == file->name && error.offset() <= file->bytes.size());
    }
    Require(within, std::string("a decompile error names a byte of a file: ") + error.what());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace packager;
  static const PrivateFolder folder("decode_fuzzer");
  folder.Clear();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  if (DecodesBack(bytes, DecodeLinePlan, EncodeLinePlan, "line plan")) {
    // The listing's step, from the size, so that short steps get their turn.
    Dump(folder, "F_linea.dat", bytes, {"--every", std::to_string(1 + size % 97)});
  }
  if (DecodesBack(bytes, DecodeTrainTable, EncodeTrainTable, "train table")) {
    Dump(folder, "F_1.sim", bytes, {});
  }
  if (DecodesBack(bytes, DecodeRouteGrid, EncodeRouteGrid, "route grid")) {
    Dump(folder, "F_1.dat", bytes, {});
  }
  decompile::BinaryScenario files = SmallScenario();
  files.line_plan.bytes = bytes;
  DecompileAndProve(files);
  files = SmallScenario();
  files.train_table.bytes = bytes;
  DecompileAndProve(files);
  files = SmallScenario();
  files.route_grid.bytes = bytes;
  DecompileAndProve(files);
  files = SmallScenario();
  std::string& grid = files.route_grid.bytes;
  const std::size_t at = size % grid.size();
  grid.replace(at, std::min(size, grid.size() - at), bytes.substr(0, grid.size() - at));
  DecompileAndProve(files);
  return 0;
}
