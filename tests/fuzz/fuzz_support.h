// What the fuzz harnesses share: a private folder for the files a harness
// writes, a way to stop on a broken promise that no sanitizer would see, the
// promises that every compiling harness checks, and the compile stage in
// memory that the line and the train harness run.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile_stage.h"
#include "compiler/description_texts.h"
#include "output/binary_files.h"
#include "output/binary_readers.h"
#include "tables/error_codes.h"
#include "tables/file_names.h"
#include "tables/numbers.h"
#include "tables/scenario_tables.h"

namespace packager::fuzz {

// A folder of this process alone, made on first use under /dev/shm when the
// system has it (files in memory keep the runs fast), else under the
// temporary directory; removed with its files when the process ends normally.
class PrivateFolder {
 public:
  explicit PrivateFolder(const std::string& harness) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path shm = "/dev/shm";
    const fs::path base = fs::is_directory(shm, error) ? shm : fs::temp_directory_path();
    path_ = base / (harness + "-" + std::to_string(::getpid()));
    fs::create_directories(path_, error);
    if (error) {
      std::fprintf(stderr, "%s: cannot create %s: %s\n", harness.c_str(), path_.c_str(),
                   error.message().c_str());
      std::abort();
    }
  }
  ~PrivateFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;

  std::string path() const { return path_.string(); }
  std::string PathOf(const std::string& name) const { return (path_ / name).string(); }

  // Removes every file that an earlier run left.
  void Clear() const {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path_, error)) {
      std::filesystem::remove_all(entry.path(), error);
    }
  }

  void Write(const std::string& name, std::string_view bytes) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) Fail("cannot write " + name + " into the private folder");
  }

  bool Exists(const std::string& name) const {
    std::error_code ignored;
    return std::filesystem::exists(path_ / name, ignored);
  }

  std::string Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary | std::ios::ate);
    if (!in) Fail("cannot read " + name + " from the private folder");
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!in) Fail("cannot read " + name + " from the private folder");
    return bytes;
  }

  [[noreturn]] static void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz harness: %s\n", what.c_str());
    std::abort();
  }

 private:
  std::filesystem::path path_;
};

// An input split into `count` texts at separator lines "@@@@": four '@' at
// the start of the input or right after a LF, followed by CR LF, a lone LF or
// the end of the input. The first text is the bytes before the first
// separator line, the next the bytes after its line end up to the next one,
// and so on; the last text takes the rest, separator lines and all. Texts
// that the input's separators do not reach are empty.
inline std::vector<std::string_view> SplitTexts(std::string_view input, std::size_t count) {
  constexpr std::string_view kSeparator = "@@@@";
  std::vector<std::string_view> texts;
  std::size_t at = 0;  // the start of a line of the input
  while (texts.size() + 1 < count) {
    std::string_view rest = input.substr(at);
    std::size_t after = std::string_view::npos;  // where the next text starts
    if (rest.substr(0, kSeparator.size()) == kSeparator) {
      rest.remove_prefix(kSeparator.size());
      if (rest.empty())
        after = input.size();
      else if (rest.substr(0, 2) == "\r\n")
        after = at + kSeparator.size() + 2;
      else if (rest[0] == '\n')
        after = at + kSeparator.size() + 1;
    }
    if (after != std::string_view::npos) {
      texts.push_back(input.substr(0, at));
      input.remove_prefix(after);
      at = 0;
      continue;
    }
    const std::size_t newline = input.find('\n', at);
    if (newline == std::string_view::npos) break;
    at = newline + 1;
  }
  texts.push_back(input);
  texts.resize(count);
  return texts;
}

// Stops the process, so that the fuzzer keeps the input, when a property
// that holds for every input does not.
inline void Require(bool holds, const std::string& property) {
  if (!holds) PrivateFolder::Fail("broken: " + property);
}

// Runs a stage that promises to throw nothing, and stops on what it throws.
template <typename Stage>
void RequireNoThrow(const std::string& stage, Stage run) {
  try {
    run();
  } catch (const std::exception& error) {
    Require(false, stage + " throws nothing, but threw: " + error.what());
  } catch (...) {
    Require(false, stage + " throws nothing, but threw something that is no std::exception");
  }
}

inline void RequireKnownCode(const ScenarioTables& tables) {
  Require(tables.error_code == 0 || ErrorMeaning(tables.error_code) != nullptr,
          "a recorded fault is one of the codes (" + std::to_string(tables.error_code) + ")");
}

// The bytes of a binary file decode to a table that encodes back to them.
template <typename Decode, typename Encode>
void RequireReadsBack(std::string_view bytes, Decode decode, Encode encode,
                      const std::string& file) {
  try {
    Require(encode(decode(bytes)) == bytes, "the " + file + " reads back to its bytes");
  } catch (const DecodeError& error) {
    Require(false, "the " + file + " decodes: " + error.what());
  }
}

// The compile stage up to its binary files, which are encoded in memory and
// never written: both texts held in memory, read with no line plan (which
// keeps a run fast, as the shortest plan has 7001 metres), and, when the
// route grid exists, the post-pass, the reserved slots and the encoders of
// the train table and the route grid.
class ReadingStage {
 public:
  static constexpr char kScenarioName[] = "Fuzz";
  static constexpr char kTrainNumber[] = "1";

  const ScenarioTables& Run(std::string_view line_text, std::string_view train_text) {
    texts_.Put(LineDescriptionName(kScenarioName), std::string(line_text));
    texts_.Put(TrainDescriptionName(kScenarioName, kTrainNumber), std::string(train_text));
    tables_.scenario_name = kScenarioName;
    tables_.train_number = kTrainNumber;
    CompileOutcome outcome;
    RequireNoThrow("the compile stage", [&] { outcome = CompileScenario(tables_, texts_, 0); });
    Require(!texts_.Exists(LineDescriptionName(kScenarioName)), "the line description is deleted");
    RequireKnownCode(tables_);
    Require(!tables_.track_plan.exists(), "no line plan is built without with_plan");
    const std::int32_t slot_fault = outcome.reserved_slot_fault;
    Require(slot_fault == 0 || slot_fault == kErrMarkerSlotTaken || slot_fault == kErrCodeSlotTaken,
            "a reserved slot in use gives 1250 or 1251, not " + std::to_string(slot_fault));
    // A slot in use would end the run through the error box; the tables are
    // encoded all the same, as every state the stage leaves must encode.
    if (tables_.route_cells.exists()) Encode();
    return tables_;
  }

  bool TrainTextLeft() const {
    return texts_.Exists(TrainDescriptionName(kScenarioName, kTrainNumber));
  }

 private:
  void Encode() {
    const std::int64_t last_cell = DivRoundHalfEven(tables_.plan_last, kCellLength);
    Require(tables_.route_cells.last_index() == last_cell,
            "the route grid has a cell for every 50 m of the plan (" +
                std::to_string(tables_.route_cells.last_index()) + " for plan_last " +
                std::to_string(tables_.plan_last) + ")");
    std::string table;
    std::string grid;
    RequireNoThrow("the train table encoder",
                   [&] { table = EncodeTrainTable(tables_.scenario_table); });
    RequireNoThrow("the route grid encoder", [&] { grid = EncodeRouteGrid(tables_.route_cells); });
    RequireReadsBack(table, DecodeTrainTable, EncodeTrainTable, "train table");
    RequireReadsBack(grid, DecodeRouteGrid, EncodeRouteGrid, "route grid");
  }

  MemoryTexts texts_;
  ScenarioTables tables_;
};

}  // namespace packager::fuzz
