// Fuzz harness of the train description reader on its own: the whole input
// is the train description, read after a fixed line description of 24 km
// (gradients, an ordinary and a marked mountain stretch, a speed board and
// three indicator boards, no curves) with no line plan. Then, as in the line
// harness, the post-pass, the reserved slots and the encoders of the train
// table and the route grid run in memory.
//
// Besides what the sanitizers catch, the harness stops on a broken promise:
// those of the line harness (see line_fuzzer.cc), and a train description
// left on disk.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"

namespace {

// Windows-1252 with CR LF, as the program writes its texts. The line is as
// long as the compile corpus's long line, so that the train parts of those
// seeds reach the same records here.
constexpr std::string_view kLineText =
    "[generale]\r\n"
    "lunghezza percorso,    24000\r\n"
    "progressiva chilometrica uno,    0,    250,    1\r\n"
    "sfondo uno,    1\r\n"
    "ripetizione segnali 4 codici,    0    ,0\r\n"
    "[pendenze]\r\n"
    "pendenza,  0,  3\r\n"
    "pendenza,  4000,  -2\r\n"
    "pendenza,  9500,  6\r\n"
    "pendenza,  16000,  0\r\n"
    "[montagne]\r\n"
    "montagna,   3000,  4200,  2\r\n"
    "montagna,   10200,  12800,  12\r\n"
    "[cartelli]\r\n"
    "indicatori_vmax,  8050,  100,  110,  115,  1,  ,  ,  ,  0\r\n"
    "[indicazioni]\r\n"
    "cartello indicatore,  9150,   (Bivio)(Vall\xec)\r\n"
    "cartello indicatore,  17350,   (F)\r\n"
    "cartello indicatore,  18900,   (P.L.    )(Km 18+904)\r\n"
    "[fine]\r\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace packager::fuzz;
  const std::string_view train_text(reinterpret_cast<const char*>(data), size);
  ReadingStage stage;
  const packager::ScenarioTables& tables = stage.Run(kLineText, train_text);
  // The fixed line is sound: what the input does is all the train reader's.
  const std::string line_name = packager::LineDescriptionName(ReadingStage::kScenarioName);
  Require(tables.route_cells.exists() && tables.error_source.file != line_name,
          "the fixed line description is read without a fault");
  Require(!stage.TrainTextLeft(), "the train description is deleted");
  return 0;
}
