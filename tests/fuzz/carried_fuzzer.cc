// Fuzz harness of the decoder of the scenario a packager carries
// (DecodeCarriedScenario), which decides the names of the files a packager
// writes on its user's machine.
//
// The input is the scenario's bytes: the harness appends the trailer, with
// the format version, the length and the FNV-1a checksum of the input, as
// scenario-tool package does, so that every input reaches past the checksum
// to the reading of the scenario (anyone can recompute a checksum: it guards
// against damage, not against an edit).
//
// Besides what the sanitizers catch, the harness stops on a broken promise:
// the decoder throws anything but CarriedScenarioError, or it accepts a
// scenario that would make the packager write anything but plain files in
// its own folder. An accepted scenario has a non-empty name and train
// number; every file name made of them (tables/file_names.h) holds no '/',
// '\\', ':', NUL or other control character and is not "." or ".."; no line
// of its texts is the end marker or holds CR, LF or NUL; and it encodes back
// to the input's bytes and trailer.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "sources/carried_scenario.h"
#include "sources/embedded_scenario.h"
#include "sources/scenario_folder.h"
#include "tables/coding.h"
#include "tables/file_names.h"

namespace {

using packager::fuzz::Require;

void RequirePlainFileName(const std::string& name) {
  Require(name != "." && name != "..", "a file name is not \".\" or \"..\": " + name);
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    Require(c != '/' && c != '\\' && c != ':' && byte >= 0x20 && byte != 0x7F,
            "a file name holds no separator, ':' or control character: " + name);
  }
}

// The lines of a text, without the end marker that closes the list.
packager::FolderText LinesOf(const packager::EmbeddedText& text) {
  Require(!text.lines.empty() && text.lines.back() == packager::kEndOfTextMarker,
          "every text ends with the end marker");
  packager::FolderText lines;
  for (const std::string_view line : text.lines.first(text.lines.size() - 1)) {
    Require(line != packager::kEndOfTextMarker, "no line of a text is the end marker");
    Require(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos,
            "no line of a text holds CR, LF or NUL");
    lines.lines.emplace_back(line);
  }
  return lines;
}

void CheckAccepted(const packager::EmbeddedScenario& scenario, std::string_view file) {
  using namespace packager;
  const std::string name(scenario.scenario_name);
  const std::string train(scenario.train_number);
  Require(!name.empty() && !train.empty(), "the name and the train number are not empty");
  for (const std::string& file_name :
       {LineDescriptionName(name), TrainDescriptionName(name, train), NotesName(name, train),
        SlowdownOrderName(name, train), TimetableSheetName(name, train), LinePlanFileName(name),
        TrainTableFileName(name, train), RouteGridFileName(name, train)}) {
    RequirePlainFileName(file_name);
  }
  ScenarioFolder folder{{name, train},
                        LinesOf(scenario.line_description),
                        LinesOf(scenario.train_description),
                        LinesOf(scenario.notes),
                        LinesOf(scenario.slowdown_order),
                        LinesOf(scenario.timetable_sheet)};
  Require(EncodeCarriedScenario(folder) == file, "an accepted scenario encodes back to its bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace packager;
  const std::string_view scenario(reinterpret_cast<const char*>(data), size);
  std::string file(scenario);
  file += kCarriedMarker;
  AppendU32(file, kCarriedVersion);
  AppendU32(file, 0);
  AppendU64(file, scenario.size());
  AppendU64(file, Fnv1a64(scenario));

  std::unique_ptr<CarriedScenario> carried;
  try {
    carried = DecodeCarriedScenario(file);
  } catch (const CarriedScenarioError&) {
    return 0;
  } catch (const std::exception& error) {
    Require(false, std::string("the decoder throws only CarriedScenarioError, but threw: ") +
                       error.what());
  }
  CheckAccepted(carried->embedded(), file);
  return 0;
}
