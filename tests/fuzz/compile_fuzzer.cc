// Fuzz harness of the whole compile stage: the line and the train reader, the
// signalling post-pass, the reserved-slot checks and the binary writers, on
// two texts made of the input's bytes, in a folder as a run has them.
//
// The input is split at the separator line "@@@@": four '@' at the start of
// the input or right after a LF, followed by CR LF, a lone LF or the end of
// the input. The bytes before that line are the line description, the bytes
// after its line end the train description. An input without the separator
// line is all line description, with an empty train description.
//
// Besides what the sanitizers catch, the harness stops on a broken promise of
// the stage: an exception out of it, a reserved-slot fault other than 1250 or
// 1251, binary files written after one, a recorded code that is no code, a
// line description left on disk, or a binary file that does not decode back
// to the bytes written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile_stage.h"
#include "compiler/description_texts.h"
#include "fuzz/fuzz_support.h"
#include "output/binary_files.h"
#include "output/binary_readers.h"
#include "tables/error_codes.h"
#include "tables/file_names.h"
#include "tables/scenario_tables.h"

namespace {

using packager::fuzz::PrivateFolder;
using packager::fuzz::Require;
using packager::fuzz::RequireKnownCode;
using packager::fuzz::RequireReadsBack;

constexpr char kScenarioName[] = "Fuzz";
constexpr char kTrainNumber[] = "1";
constexpr std::int32_t kLongestPlanReadBack = 12000;  // metres

void CheckBinaryFiles(const PrivateFolder& folder, const packager::ScenarioTables& tables) {
  using namespace packager;
  for (const std::string& name : BinaryFileNames(tables)) {
    Require(folder.Exists(name), name + " is written");
  }
  RequireReadsBack(folder.Read(RouteGridFileName(kScenarioName, kTrainNumber)), DecodeRouteGrid,
                   EncodeRouteGrid, "route grid file");
  RequireReadsBack(folder.Read(TrainTableFileName(kScenarioName, kTrainNumber)), DecodeTrainTable,
                   EncodeTrainTable, "train table file");
  // The plan of a long line takes megabytes: only short ones are read back.
  if (tables.track_plan.exists() && tables.track_plan.last() <= kLongestPlanReadBack) {
    RequireReadsBack(folder.Read(LinePlanFileName(kScenarioName)), DecodeLinePlan, EncodeLinePlan,
                     "line plan file");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace packager;
  static const PrivateFolder folder("compile_fuzzer");
  folder.Clear();

  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string_view> texts = packager::fuzz::SplitTexts(input, 2);
  const std::string line_name = LineDescriptionName(kScenarioName);
  folder.Write(line_name, texts[0]);
  folder.Write(TrainDescriptionName(kScenarioName, kTrainNumber), texts[1]);

  ScenarioTables tables;
  tables.scenario_name = kScenarioName;
  tables.train_number = kTrainNumber;
  FolderTexts folder_texts(folder.path());
  CompileOutcome outcome;
  packager::fuzz::RequireNoThrow("the compile stage", [&] {
    outcome = CompileScenario(tables, folder_texts, 1);
    if (outcome.writes_files) WriteBinaryFiles(tables, folder.path());
  });

  Require(!folder.Exists(line_name), "the line description is deleted");
  RequireKnownCode(tables);
  const std::int32_t slot_fault = outcome.reserved_slot_fault;
  Require(slot_fault == 0 || slot_fault == kErrMarkerSlotTaken || slot_fault == kErrCodeSlotTaken,
          "a reserved slot in use gives 1250 or 1251, not " + std::to_string(slot_fault));
  if (slot_fault != 0) {
    for (const std::string& name : BinaryFileNames(tables)) {
      Require(!folder.Exists(name), "no binary file is written after the error box");
    }
  } else if (tables.route_cells.exists()) {
    CheckBinaryFiles(folder, tables);
  }
  return 0;
}
