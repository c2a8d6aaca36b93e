// scenario-tool compile: the packager's compile stage on texts in a folder.
#include <filesystem>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/compile_stage.h"
#include "compiler/description_texts.h"
#include "output/binary_files.h"
#include "tables/error_codes.h"
#include "tables/file_failure.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tool/arguments.h"
#include "tool/tool.h"

namespace packager::tool {

namespace {

namespace fs = std::filesystem;

void RequireFileNamePart(const std::string& option, const std::string& value) {
  if (value.find_first_of("/\\") != std::string::npos) {
    throw UsageError("option '" + option + "' is part of a file name and may hold no '/' or '\\'");
  }
}

// The longest name the texts and files take, NAME_NUMBER_rallentamenti.txt
// for a packager, must fit the 255 bytes that file systems allow.
void RequireFileNamesFit(const std::string& name, const std::string& train) {
  constexpr std::size_t kLongestFileName = 255;
  const std::size_t longest = SlowdownOrderName(name, train).size();
  if (longest > kLongestFileName) {
    throw UsageError("options '--name' and '--train' make file names of " +
                     std::to_string(longest) + " bytes; file names hold at most " +
                     std::to_string(kLongestFileName));
  }
}


// A private folder for --keep: the compile deletes the copies, not the texts.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    path_ = fs::temp_directory_path() /
            ("scenario-tool-" + std::to_string(random()) + std::to_string(random()));
    std::error_code error;
    if (!fs::create_directories(path_, error)) {
      throw FileFailure(path_.string(), "create a working folder", error.message());
    }
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string path() const { return path_.string(); }

 private:
  fs::path path_;
};

void CopyIfPresent(const std::string& from_directory, const std::string& to_directory,
                   const std::string& name) {
  const std::string from = JoinPath(from_directory, name);
  if (FileExists(from)) ReplaceFile(JoinPath(to_directory, name), ReadWholeFile(from));
}

// error_position is the tables' member as it stands: a fault that names no
// position leaves the one before it there.
void PrintJson(std::ostream& out, const ScenarioTables& tables, const CompileOutcome& outcome,
               const std::vector<std::string>& files) {
  const RecordedFault& fault = outcome.fault;
  out << "{\"error_code\": " << fault.code << ", \"error_position\": " << tables.error_position
      << ", \"errore\": ";
  if (outcome.reserved_slot_fault != 0) {
    out << outcome.reserved_slot_fault;
  } else {
    out << "null";
  }
  out << ", \"files\": [";
  for (std::size_t i = 0; i < files.size(); ++i) {
    out << (i == 0 ? "" : ", ") << JsonString(files[i]);
  }
  out << "], \"line\": ";
  if (fault.code != 0 && fault.source.line > 0) {
    out << fault.source.line;
  } else {
    out << "null";
  }
  out << "}\n";
}

}  // namespace

int CompileCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Arguments arguments(args, {"--no-plan", "--keep", "--json"}, {"--name", "--train"});
  arguments.ExpectPositional(1, "the folder DIR");
  const std::string directory = arguments.positional()[0];
  ScenarioTables tables;
  tables.scenario_name = arguments.Required("--name");
  tables.train_number = arguments.Required("--train");
  RequireFileNamePart("--name", tables.scenario_name);
  RequireFileNamePart("--train", tables.train_number);
  RequireFileNamesFit(tables.scenario_name, tables.train_number);
  std::error_code error;
  if (!fs::is_directory(directory, error)) {
    throw FileFailure(directory, "read the folder", error ? error.message() : "it is not a folder");
  }

  std::optional<ScratchFolder> scratch;
  std::string compile_directory = directory;
  const std::string line_name = LineDescriptionName(tables.scenario_name);
  const std::string train_name = TrainDescriptionName(tables.scenario_name, tables.train_number);
  if (arguments.flag("--keep")) {
    scratch.emplace();
    compile_directory = scratch->path();
    CopyIfPresent(directory, compile_directory, line_name);
    CopyIfPresent(directory, compile_directory, train_name);
  }

  FolderTexts texts(compile_directory);
  const CompileOutcome outcome =
      CompileScenario(tables, texts, arguments.flag("--no-plan") ? 0 : 1);
  const int errore_code = outcome.reserved_slot_fault;
  std::vector<std::string> files;
  if (outcome.writes_files) {
    WriteBinaryFiles(tables, compile_directory);
    files = BinaryFileNames(tables);
  }
  if (scratch) {
    for (const std::string& name : files) {
      ReplaceFile(JoinPath(directory, name), ReadWholeFile(JoinPath(compile_directory, name)));
    }
  }

  if (errore_code != 0) {
    const char* meaning = ErrorMeaning(errore_code);
    const RouteCell& cell = tables.route_cells.at(1);
    err << " Errore n. " << errore_code << "\n"
        << "error " << errore_code << ": " << (meaning != nullptr ? meaning : "")
        << " (cell 1 holds kind " << static_cast<int>(cell.kind) << ", param1 " << cell.param1
        << ", param2 " << cell.param2 << "); no binary file was written\n";
  } else if (outcome.fault.code != 0) {
    err << FaultReport(outcome.fault) << "\n";
  }
  if (arguments.flag("--json")) PrintJson(out, tables, outcome, files);
  if (errore_code != 0) return kToolErrorBox;
  return outcome.fault.code != 0 ? kToolRecordedFault : kToolClean;
}

}  // namespace packager::tool
