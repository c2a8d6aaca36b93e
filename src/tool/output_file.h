// Where the author's commands write the file that -o names (plan, profile,
// report, package), and the prebuilt packagers that package copies.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace packager::tool {

// A packager program as built, which package copies with a scenario at its
// end; the builds leave it beside scenario-tool.
struct PackagerTarget {
  const char* name;     // as --target names it
  const char* program;  // the prebuilt packager's file name
  const char* build;    // where it comes from
};

inline constexpr PackagerTarget kPackagerTargets[] = {
    {"windows-i686", "packager-windows-i686.exe",
     "the Windows kit holds it beside scenario-tool.exe; in a build, make windows puts it there"},
    {"windows-x86_64", "packager-windows-x86_64.exe",
     "the Windows kit holds it beside scenario-tool.exe; in a build, make windows puts it there"},
    {"linux-x86_64", "packager-linux-x86_64",
     "the Linux build (make build) puts it beside scenario-tool"},
};

// Where the tool looks for a file it carries (a prebuilt packager, watch's
// page server), in this order: beside the running tool (a build, the Windows
// kit), then in the folder where an installation puts them, found from the
// tool's own folder.
std::vector<std::string> ToolFilePaths(std::string_view file_name);
// The first of those that holds a file; the first of all when none does.
std::string PathBesideTool(std::string_view file_name);

// Where package looks for a target's prebuilt packager: ToolFilePaths.
std::vector<std::string> PrebuiltPackagerPaths(const PackagerTarget& target);
// The first of those that holds a file; the first of all when none does.
std::string PrebuiltPackagerPath(const PackagerTarget& target);

// The file an output named by path goes to (RegularFileTarget: a symbolic
// link is written through to its file), when it may go there at all. Throws
// FileFailure, and nothing changes, for a path that is no regular file, for
// the running tool, a prebuilt packager or watch's page server, and, when
// the command reads the files of input_folder, for a name one of them has
// or could have there (scenario.txt, NAME_linea.txt, NAME_NUMBER.sim, ...):
// however the path spells them, through links, ".." or, on Windows, in
// another case.
std::string OutputTarget(const std::string& path, const std::string& input_folder = {});

// Replaces the output file with the pieces, one after the other, as
// ReplaceFile does, at OutputTarget(path, input_folder).
void WriteOutputFile(const std::string& path, std::span<const std::string_view> pieces);
void WriteOutputFile(const std::string& path, const std::string& input_folder,
                     std::string_view bytes);

}  // namespace packager::tool
