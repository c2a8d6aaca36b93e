// scenario-tool watch: the check, the report page and the profile made
// again whenever the author saves a text of the folder, and the page served
// to a browser that reloads it (tool/watch.h, tool/page_server.h).
#include <optional>
#include <set>
#include <ostream>
#include <string>
#include <vector>

#include "check/diagnostics.h"
#include "explain/shown_text.h"
#include "tables/file_failure.h"
#include "tool/arguments.h"
#include "tool/commands.h"
#include "tool/diagnostic_formats.h"
#include "tool/folder_report.h"
#include "tool/output_file.h"
#include "tool/page_server.h"
#include "tool/scenario_input.h"
#include "tool/tool.h"
#include "tool/watch.h"
#include "tool/watch_platform.h"

namespace packager::tool {

namespace {

constexpr long kLastPort = 65535;

struct WatchOutputs {
  std::string directory;
  std::string page;
  std::optional<std::string> profile;
};

// The check printed as check prints it, then the page and the profile
// written; the server serves the new page first, so that a file that cannot
// be written leaves the browser up to date all the same.
void Rebuild(const WatchOutputs& outputs, PageServer& server, std::ostream& out,
             std::ostream& err) {
  FolderReport report;
  ReportOnFolder(outputs.directory, report);
  PrintDiagnosticsText(err, report.checked.diagnostics, report.checked.stopped_after);
  err.flush();
  server.Publish(report.page);
  WriteOutputFile(outputs.page, outputs.directory, report.page);
  out << ReportSummary(outputs.page, report.checked.diagnostics) << "\n";
  if (outputs.profile) {
    if (report.outcome && CompiledWhole(*report.outcome)) {
      WriteOutputFile(*outputs.profile, outputs.directory, ProfilePicture(report.tables));
      out << *outputs.profile << ": redrawn\n";
    } else {
      out << *outputs.profile << ": left as it was: the scenario does not compile\n";
    }
  }
  out.flush();
}

}  // namespace

int WatchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Arguments arguments = CommandArguments("watch", args);
  arguments.ExpectPositional(1, "the scenario folder SCENARIO_DIR");
  WatchOutputs outputs;
  outputs.directory = arguments.positional()[0];
  outputs.page = arguments.value("--output").value_or("");
  if (outputs.page.empty()) throw UsageError("missing option '-o FILE.html'");
  outputs.profile = arguments.value("--profile");
  if (outputs.profile && outputs.profile->empty()) {
    throw UsageError("'--profile' names no file: give --profile FILE.svg");
  }
  const long port = arguments.Number("--port", 0, 0);
  if (port > kLastPort) {
    throw UsageError("'--port " + std::to_string(port) + "' is beyond " +
                     std::to_string(kLastPort) + ": give a port from 1 to " +
                     std::to_string(kLastPort) + ", or 0 for any free one");
  }
  RequireScenarioFolder(arguments, outputs.directory);
  OutputTarget(outputs.page, outputs.directory);
  if (outputs.profile) OutputTarget(*outputs.profile, outputs.directory);

  PageServer server;
  const int served = server.Start(static_cast<int>(port), err);
  if (served == 0) return kToolFileFailure;
  ListenForStop();
  std::vector<std::string> written = {outputs.page};
  if (outputs.profile) written.push_back(*outputs.profile);
  FolderState state = FolderStateOf(outputs.directory);
  Rebuild(outputs, server, out, err);
  // Now that they are there: outputs among the texts are no change.
  const std::set<std::string> ignored = FilesInFolder(outputs.directory, written);
  for (const std::string& name : ignored) state.texts.erase(name);
  out << "watching " << outputs.directory << "; Ctrl-C ends\n";
  out << "the page, reloaded on every change: http://" << kPageServerHost << ":" << served
      << "/\n";
  out.flush();

  SaveSettler settler(std::move(state), kWatchSettleTime);
  bool present = true;
  while (!StopAsked()) {
    PauseWatch(kWatchPollInterval);
    if (StopAsked()) break;
    const FolderState polled = FolderStateOf(outputs.directory, ignored);
    if (polled.present != present) {
      present = polled.present;
      out << outputs.directory
          << (present ? ": the folder is back\n"
                      : ": the folder is gone; watching for it to come back (Ctrl-C ends)\n");
      out.flush();
      if (!present) server.Publish(FolderGonePage(outputs.directory));
    }
    const FolderState before = settler.built();
    if (!settler.Settled(polled, WatchClock::now()) || !polled.present) continue;
    out << "changed: " << ChangedTexts(before, polled) << "\n";
    try {
      Rebuild(outputs, server, out, err);
    } catch (const FileFailure& failure) {
      err << "scenario-tool: " << explain::ShownText(failure.what(), explain::Controls::kEscaped)
          << "; watching goes on\n";
      err.flush();
    }
  }
  server.Stop();
  out << "stopped watching " << outputs.directory << "\n";
  out.flush();
  WatchEnded();
  return kToolClean;
}

}  // namespace packager::tool
