// scenario-tool: the author's companion of the packager. It compiles a
// scenario's texts from a folder with the packager's own stages, checks them
// for every error at once, decodes the binary files, draws the line's plan and
// profile, writes a report page on a scenario folder and keeps it up to date
// while the author edits.
//
//   scenario-tool new DIR --name NAME --train NUMBER
//   scenario-tool compile DIR --name NAME --train NUMBER [--no-plan] [--keep] [--json]
//   scenario-tool check DIR [--name NAME --train NUMBER]
//   scenario-tool dump FILE [--json] [--objects] [--every M]
//   scenario-tool decompile FILES... -o DIR
//   scenario-tool plan DIR [--name NAME --train NUMBER] -o FILE.svg
//   scenario-tool profile DIR --name NAME --train NUMBER -o FILE.svg
//   scenario-tool report SCENARIO_DIR -o FILE.html
//   scenario-tool watch SCENARIO_DIR -o FILE.html [--profile FILE.svg] [--port PORT]
//   scenario-tool package SCENARIO_DIR --target TARGET -o FILE
//   scenario-tool lsp
//   scenario-tool completions bash|zsh
//   scenario-tool man
//   scenario-tool --version
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace packager::tool {

inline constexpr int kToolClean = 0;
inline constexpr int kToolRecordedFault = 1;  // compile: a fault in the texts; dump: a bad file
inline constexpr int kToolErrorBox = 2;       // compile: error 1250 or 1251
inline constexpr int kToolFileFailure = 3;    // a file that cannot be read or written
inline constexpr int kToolUsage = 64;         // a command line the tool cannot run
inline constexpr int kToolFailure = 70;       // any other failure: out of memory, a fault of the tool

// Runs the command named by args[0] with the rest of args; returns the exit
// status. Reports go to out (listings, JSON) and err (faults, usage). No
// exception leaves it: every failure ends with a line on err and a status.
int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A few lines on how to run the tool, for one started without arguments in a
// window of its own (from Explorer), where the whole help would scroll away:
// its version, the commands an author starts with, where the rest is. The
// program is named as the user types it, e.g. "scenario-tool.exe".
void PrintShortUsage(std::ostream& out, std::string_view program);

// The commands, each given the arguments after its name. They throw
// UsageError for a command line they cannot run.
int NewCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int CompileCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int CheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int DumpCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int DecompileCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int PackageCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int PlanCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int ProfileCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int ReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int WatchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int LspCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int CompletionsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int ManCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A JSON value as the tool prints it: on one line, members and elements
// parted by ", " and keys by ": ", except that each object in an array starts
// a line of its own, indented by two spaces (a listing of records reads as a
// table). Reals are the shortest text that reads back as the same number, so
// a whole one has no ".0". Bytes of a string that are not UTF-8 become
// U+FFFD: the value holds UTF-8 (convert Windows-1252 texts first).
std::string JsonText(const nlohmann::ordered_json& value);

}  // namespace packager::tool
