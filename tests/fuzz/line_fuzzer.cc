// Fuzz harness of the line description reader on its own: the whole input is
// the line description, read with no line plan and with a train description
// that holds only its header, so that a run costs little more than reading
// the input. The route grid that the line sizes then goes through the
// signalling post-pass, the reserved slots and the encoders of the train
// table and the route grid, in memory.
//
// Besides what the sanitizers catch, the harness stops on a broken promise:
// an exception out of the reading (which records run-time failures as code
// 25), the post-pass or the encoders; a recorded code that is no code; a
// line description left behind; a route grid of another size than the line
// plan's last metre gives; a reserved slot fault other than 1250 or 1251; or
// a train table or route grid that does not decode back to its bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace packager::fuzz;
  const std::string_view line_text(reinterpret_cast<const char*>(data), size);
  ReadingStage().Run(line_text, "[generale]\r\n");
  return 0;
}
