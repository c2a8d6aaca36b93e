#include "sources/carried_scenario.h"

#include <utility>

#include "tables/coding.h"
#include "tables/file_failure.h"
#include "tables/replace_file.h"

namespace packager {

namespace {

constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;
constexpr std::size_t kTexts = 5;
constexpr const char* kTextNames[kTexts] = {"the line description", "the train description",
                                            "the notes", "the slowdown order",
                                            "the timetable sheet"};

void AppendString(std::string& out, std::string_view bytes) {
  AppendU32(out, static_cast<std::uint32_t>(bytes.size()));
  out += bytes;
}

// Reads the scenario's fields in order; every read is checked against the
// bytes that are there.
class ScenarioReader {
 public:
  explicit ScenarioReader(std::string_view bytes) : bytes_(bytes) {}

  std::uint32_t Count() {
    Need(4, "a count");
    const std::uint32_t value = DecodeU32(bytes_.data() + at_);
    at_ += 4;
    return value;
  }
  std::string String() {
    const std::uint32_t size = Count();
    Need(size, "a text");
    std::string text(bytes_.substr(at_, size));
    at_ += size;
    return text;
  }
  bool AtEnd() const { return at_ == bytes_.size(); }

 private:
  void Need(std::size_t size, const char* what) const {
    if (bytes_.size() - at_ < size) {
      throw CarriedScenarioError(std::string("the scenario ends inside ") + what, true);
    }
  }

  std::string_view bytes_;
  std::size_t at_ = 0;
};

}  // namespace

std::uint64_t Fnv1a64(std::string_view bytes) {
  std::uint64_t hash = kFnvOffset;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= kFnvPrime;
  }
  return hash;
}

std::string EncodeCarriedScenario(const ScenarioFolder& folder) {
  std::string scenario;
  AppendString(scenario, folder.identity.name);
  AppendString(scenario, folder.identity.train);
  for (const FolderText* text : {&folder.line_description, &folder.train_description, &folder.notes,
                                 &folder.slowdown_order, &folder.timetable_sheet}) {
    AppendU32(scenario, static_cast<std::uint32_t>(text->lines.size()));
    for (const std::string& line : text->lines) AppendString(scenario, line);
  }
  std::string trailer(kCarriedMarker);
  AppendU32(trailer, kCarriedVersion);
  AppendU32(trailer, 0);
  AppendU64(trailer, scenario.size());
  AppendU64(trailer, Fnv1a64(scenario));
  return scenario + trailer;
}

std::unique_ptr<CarriedScenario> CarriedScenarioOf(const ScenarioFolder& folder) {
  return DecodeCarriedScenario(EncodeCarriedScenario(folder));
}

std::unique_ptr<CarriedScenario> ReadCarriedScenario(const std::string& path) {
  std::string bytes;
  ReadFault fault = TryReadFileEnd(path, kCarriedTrailerSize, bytes);
  if (fault == ReadFault::kNone && bytes.size() == kCarriedTrailerSize &&
      std::string_view(bytes).substr(0, kCarriedMarker.size()) == kCarriedMarker) {
    // The scenario and its trailer; a size beyond the file reads the whole
    // file, which the decoder then finds cut short.
    const std::uint64_t size = DecodeU64(bytes.data() + 16);
    if (size <= kMaxReadSize) fault = TryReadFileEnd(path, size + kCarriedTrailerSize, bytes);
  }
  if (fault != ReadFault::kNone) throw FileFailure(path, "read the file", ReadFaultReason(fault));
  return DecodeCarriedScenario(bytes);
}

std::unique_ptr<CarriedScenario> DecodeCarriedScenario(std::string_view file_bytes) {
  if (file_bytes.size() < kCarriedTrailerSize ||
      file_bytes.substr(file_bytes.size() - kCarriedTrailerSize, kCarriedMarker.size()) !=
          kCarriedMarker) {
    throw CarriedScenarioError(
        "the file carries no scenario: it was not made by "
        "scenario-tool package, or its end was cut off");
  }
  const char* trailer = file_bytes.data() + file_bytes.size() - kCarriedTrailerSize;
  const std::uint32_t version = DecodeU32(trailer + 8);
  if (version != kCarriedVersion) {
    throw CarriedScenarioError("the scenario is of format version " + std::to_string(version) +
                               ", this program reads version " + std::to_string(kCarriedVersion));
  }
  if (DecodeU32(trailer + 12) != 0) {
    throw CarriedScenarioError("the trailer's reserved field is not zero");
  }
  const std::uint64_t size = DecodeU64(trailer + 16);
  if (size > file_bytes.size() - kCarriedTrailerSize) {
    throw CarriedScenarioError("the scenario is cut short: the file is shorter than it says");
  }
  const std::string_view scenario =
      file_bytes.substr(file_bytes.size() - kCarriedTrailerSize - size, size);
  if (Fnv1a64(scenario) != DecodeU64(trailer + 24)) {
    throw CarriedScenarioError(
        "the scenario's checksum does not match: the file was changed after packaging");
  }
  auto carried = std::make_unique<CarriedScenario>();
  ScenarioReader reader(scenario);
  carried->name_ = reader.String();
  carried->train_ = reader.String();
  // The name and the train become file names: the rules of a scenario folder
  // hold, so that the run writes plain names in its own folder only.
  for (const auto& [key, value] : {std::pair{"name", &carried->name_}, {"train", &carried->train_}}) {
    if (const std::string problem = IdentityProblem(key, *value); !problem.empty()) {
      throw CarriedScenarioError("the scenario's identity is refused: " + problem, true);
    }
  }
  if (const std::string problem = IdentityPairProblem(carried->name_, carried->train_);
      !problem.empty()) {
    throw CarriedScenarioError(
        "the scenario's identity is refused: " + problem + ", and make the packager again", true);
  }
  for (std::size_t text = 0; text < kTexts; ++text) {
    const std::uint32_t count = reader.Count();
    if (count > static_cast<std::uint32_t>(kEmbeddedTextCapacity)) {
      throw CarriedScenarioError("a text of the scenario has more lines than a packager carries",
                                   true);
    }
    for (std::uint32_t line = 0; line < count; ++line) {
      carried->lines_[text].push_back(reader.String());
      if (const std::string problem = LineProblem(carried->lines_[text].back()); !problem.empty()) {
        throw CarriedScenarioError(std::string(kTextNames[text]) + ", line " +
                                       std::to_string(line + 1) + ": " + problem,
                                   true);
      }
    }
  }
  if (!reader.AtEnd()) {
    throw CarriedScenarioError("the scenario has bytes after its last text", true);
  }
  for (std::size_t text = 0; text < kTexts; ++text) {
    for (const std::string& line : carried->lines_[text]) carried->views_[text].push_back(line);
    carried->views_[text].push_back(kEndOfTextMarker);
  }
  EmbeddedScenario& view = carried->embedded_;
  view.scenario_name = carried->name_;
  view.train_number = carried->train_;
  EmbeddedText* texts[kTexts] = {&view.line_description, &view.train_description, &view.notes,
                                 &view.slowdown_order, &view.timetable_sheet};
  for (std::size_t text = 0; text < kTexts; ++text) texts[text]->lines = carried->views_[text];
  return carried;
}

}  // namespace packager
