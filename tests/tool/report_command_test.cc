#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "explain/shown_text.h"
#include "tool/tool.h"

namespace packager::tool {
namespace {

namespace fs = std::filesystem;
using test_support::TempFolder;

int Report(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  return RunTool(args, out, err);
}

// What the page shows is tested in a browser (report_browser_test.py); here,
// what the command ends with.
TEST(ReportCommandTest, StatusesAndThePageWritten) {
  TempFolder out;
  const std::string page = out.PathOf("report.html");
  EXPECT_EQ(Report({"report", SCENARIO_FOLDER, "-o", page}), kToolClean);
  const std::string html = out.Read("report.html");
  for (const char* part : {"<!DOCTYPE html>", "id=\"diagnostics\" data-errors=\"0\"",
                           "id=\"profile\"", "id=\"plan\"", "<table id=\"stations\" data-count=\"23\"",
                           "<table id=\"files\" data-count=\"3\""}) {
    EXPECT_NE(html.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(html.find("http://www.w3.org/1999/xlink\" href"), std::string::npos);

  TempFolder unreadable;
  fs::copy(SCENARIO_FOLDER, unreadable.path());
  fs::remove(unreadable.PathOf("Vardessa_Lontrino_linea.txt"));
  fs::create_directory(unreadable.PathOf("Vardessa_Lontrino_linea.txt"));
  EXPECT_EQ(Report({"report", unreadable.path(), "-o", page}), kToolFileFailure);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"report", SCENARIO_FOLDER},
        {"report", out.path(), "-o", page},
        {"report", SCENARIO_FOLDER, "--name", "A", "-o", page}}) {
    EXPECT_EQ(Report(args), kToolUsage) << args[1];
  }
}

// A key of scenario.txt that is not UTF-8 and holds control bytes reaches
// the page, which declares UTF-8, as escapes.
TEST(ReportCommandTest, ThePageIsUtf8WhateverTheFolderHolds) {
  TempFolder folder, out;
  fs::copy(SCENARIO_FOLDER, folder.path());
  folder.Write("scenario.txt", folder.Read("scenario.txt") + "nom\xFF\x1B]0;x\x07 = 1\n");
  EXPECT_EQ(Report({"report", folder.path(), "-o", out.PathOf("report.html")}),
            kToolRecordedFault);
  const std::string html = out.Read("report.html");
  EXPECT_EQ(explain::ShownText(html, explain::Controls::kKept), html);
  EXPECT_NE(html.find("nom\\xFF\\x1B]0;x\\x07 = 1"), std::string::npos);
}

}  // namespace
}  // namespace packager::tool
