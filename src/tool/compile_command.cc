// scenario-tool compile: the packager's compile stage on texts in a folder.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/platform.h"
#include "app/run.h"
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

struct ErrorBoxShown {
  int code;
};

// The compile stage's view of the platform: the error box becomes a result
// of the command instead of the end of the process.
class CompilePlatform : public Platform {
 public:
  explicit CompilePlatform(std::string directory) : directory_(std::move(directory)) {}
  std::string ProgramDirectory() override { return directory_; }
  void ShowWaitWindow() override {}
  void ShowErrorBox(const std::string& prompt) override { prompt_ = prompt; }
  void Report(const std::string& line) override { static_cast<void>(line); }
  void ShowFailure(const std::string& headline, const std::string& line) override {
    static_cast<void>(headline);
    static_cast<void>(line);
  }
  [[noreturn]] void EndProgram(int status) override {
    static_cast<void>(status);
    throw ErrorBoxShown{std::stoi(prompt_.substr(prompt_.rfind(' ') + 1))};
  }

 private:
  std::string directory_;
  std::string prompt_;
};

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

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileFailure(path, "read the file", "cannot open it");
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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
  if (FileExists(from)) ReplaceFile(JoinPath(to_directory, name), ReadWhole(from));
}

void PrintJson(std::ostream& out, const ScenarioTables& tables, int errore_code,
               const std::vector<std::string>& files) {
  out << "{\"error_code\": " << tables.error_code
      << ", \"error_position\": " << tables.error_position << ", \"errore\": ";
  if (errore_code != 0) {
    out << errore_code;
  } else {
    out << "null";
  }
  out << ", \"files\": [";
  for (std::size_t i = 0; i < files.size(); ++i) {
    out << (i == 0 ? "" : ", ") << JsonString(files[i]);
  }
  out << "], \"line\": ";
  if (tables.error_code != 0 && tables.error_source.line > 0) {
    out << tables.error_source.line;
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

  CompilePlatform platform(compile_directory);
  std::int32_t with_plan = arguments.flag("--no-plan") ? 0 : 1;
  int errore_code = 0;
  try {
    memorizza_percorso(tables, platform, compile_directory, with_plan);
  } catch (const ErrorBoxShown& shown) {
    errore_code = shown.code;
  }

  std::vector<std::string> files;
  if (errore_code == 0 && tables.route_cells.exists()) files = BinaryFileNames(tables);
  if (scratch) {
    for (const std::string& name : files) {
      ReplaceFile(JoinPath(directory, name), ReadWhole(JoinPath(compile_directory, name)));
    }
  }

  if (errore_code != 0) {
    const char* meaning = ErrorMeaning(errore_code);
    const RouteCell& cell = tables.route_cells.at(1);
    err << " Errore n. " << errore_code << "\n"
        << "error " << errore_code << ": " << (meaning != nullptr ? meaning : "")
        << " (cell 1 holds kind " << static_cast<int>(cell.kind) << ", param1 " << cell.param1
        << ", param2 " << cell.param2 << "); no binary file was written\n";
  } else if (tables.error_code != 0) {
    err << FaultReport(tables) << "\n";
  }
  if (arguments.flag("--json")) PrintJson(out, tables, errore_code, files);
  if (errore_code != 0) return kToolErrorBox;
  return tables.error_code != 0 ? kToolRecordedFault : kToolClean;
}

}  // namespace packager::tool
