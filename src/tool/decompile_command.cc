// scenario-tool decompile: the three binary files of a scenario back to a
// scenario folder (decompile/decompile.h does the work). The folder is
// compiled in memory first; only a folder that gives the files back byte for
// byte is written, into a folder that is new or empty.
#include <ostream>
#include <string>
#include <vector>

#include "decompile/decompile.h"
#include "explain/shown_text.h"
#include "tables/file_failure.h"
#include "tables/file_names.h"
#include "tables/replace_file.h"
#include "tool/arguments.h"
#include "tool/commands.h"
#include "tool/output_file.h"
#include "tool/scaffold.h"
#include "tool/tool.h"

namespace packager::tool {

namespace {

using explain::Controls;
using explain::ShownText;

// The three paths of the command line: a folder that holds them, or the
// three files in any order, each known by its name.
decompile::BinaryPaths PathsOf(const std::vector<std::string>& positional) {
  if (positional.size() == 1) return decompile::BinaryPathsIn(positional[0]);
  if (positional.size() != 3) {
    throw UsageError("name the three files NAME_linea.dat NAME_NUMBER.sim NAME_NUMBER.dat, or "
                     "the folder that holds them");
  }
  std::string paths[3];
  for (const std::string& path : positional) {
    const int kind = decompile::BinaryKindOf(PathText(NativePath(path).filename()));
    if (kind < 0) {
      throw UsageError("'" + path + "' is none of NAME_linea.dat, NAME_NUMBER.sim and "
                       "NAME_NUMBER.dat");
    }
    if (!paths[kind].empty()) {
      throw UsageError("'" + paths[kind] + "' and '" + path + "' are both " +
                       (kind == 0   ? "line plan files"
                        : kind == 1 ? "train table files"
                                    : "route grid files") +
                       "; name one of each kind");
    }
    paths[kind] = path;
  }
  return {paths[0], paths[1], paths[2]};
}

}  // namespace

int DecompileCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Arguments arguments = CommandArguments("decompile", args);
  const std::string directory = arguments.Required("--output");
  decompile::BinaryScenario binaries;
  try {
    const decompile::BinaryPaths paths = PathsOf(arguments.positional());
    binaries.line_plan = {paths.line_plan, ReadWholeFile(paths.line_plan)};
    binaries.train_table = {paths.train_table, ReadWholeFile(paths.train_table)};
    binaries.route_grid = {paths.route_grid, ReadWholeFile(paths.route_grid)};
  } catch (const decompile::DecompileError& error) {
    // A folder without the three files: nothing to read.
    err << "scenario-tool decompile: " << ShownText(error.what(), Controls::kEscaped) << "\n";
    return kToolFileFailure;
  }
  decompile::Decompiled decompiled;
  try {
    decompiled = decompile::Decompile(binaries);
  } catch (const decompile::DecompileError& error) {
    err << ShownText(error.what(), Controls::kEscaped) << "\n"
        << "scenario-tool decompile: nothing is written\n";
    return kToolRecordedFault;
  }
  const bool texts_only = arguments.flag("--texts");
  const decompile::TextForm form =
      texts_only ? decompile::TextForm::kDescriptions : decompile::TextForm::kScenarioFolder;
  if (const auto mismatch = decompile::RoundTripMismatch(decompiled, binaries, form)) {
    const bool too_long = !texts_only && decompile::FolderCapacityProblem(decompiled);
    err << ShownText(*mismatch, Controls::kEscaped) << "\n"
        << "scenario-tool decompile: "
        << (too_long ? "" : "the texts would not give the files back byte for byte; ")
        << "nothing is written\n";
    return kToolRecordedFault;
  }
  const FolderFiles& written = texts_only ? decompiled.descriptions : decompiled.files;
  PrepareNewFolder(directory);
  for (const auto& [name, text] : written) {
    const std::string path = JoinPath(directory, name);
    // The folder was empty; something that came since is left alone.
    if (FileExists(path)) throw FileFailure(path, "write the file", "it exists already");
    WriteOutputFile(path, /*input_folder=*/{}, text);
  }
  out << directory << ": the scenario " << decompiled.identity.name << ", train "
      << decompiled.identity.train << ", " << written.size()
      << (texts_only ? " description texts" : " files")
      << "; compiled, they give the three files byte for byte\n";
  if (!decompiled.notes.empty()) {
    out << decompiled.notes.size() << " notes at the top of "
        << LineDescriptionName(decompiled.identity.name)
        << " say what the binary files do not keep\n";
  }
  if (texts_only) {
    out << "next: scenario-tool compile " << directory << " --name " << decompiled.identity.name
        << " --train " << decompiled.identity.train << "\n";
    return kToolClean;
  }
  out << "next: scenario-tool check " << directory << "\n";
  return kToolClean;
}

}  // namespace packager::tool
