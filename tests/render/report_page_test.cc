#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/report_page.h"

namespace packager::render {
namespace {

tool::Diagnostic Noted(tool::Severity severity, const std::string& message) {
  tool::Diagnostic diagnostic;
  diagnostic.severity = severity;
  diagnostic.path = "S/<line>.txt";
  diagnostic.line = 0;  // no context to read
  diagnostic.message = message;
  diagnostic.rule = severity == tool::Severity::kError ? "E100" : "late-record";
  return diagnostic;
}

TEST(ReportPageTest, ARefusedFolderHasTheCheckAndNothingCompiled) {
  const std::string page =
      ReportPage("a&b", {Noted(tool::Severity::kError, "no <train>")}, nullptr, nullptr);
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\n", 0), 0u);
  EXPECT_NE(page.find("<title>Scenario report: scenario report</title>"), std::string::npos);
  EXPECT_NE(page.find("Scenario folder a&amp;b</p>"), std::string::npos);
  EXPECT_NE(page.find("data-errors=\"1\" data-warnings=\"0\""), std::string::npos);
  EXPECT_NE(page.find("S/&lt;line&gt;.txt</span>: <b>error</b>: no &lt;train&gt; [E100]"),
            std::string::npos);
  for (const char* part : {"<h2>Profile</h2>", "<h2>Plan</h2>", "id=\"stations\"", "<svg"}) {
    EXPECT_EQ(page.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(page.substr(page.size() - 16), "</body>\n</html>\n");
}

TEST(ReportPageTest, CountsAndNamesRulesOfBothSeverities) {
  const std::string page =
      ReportPage("S",
                 {Noted(tool::Severity::kWarning, "late"), Noted(tool::Severity::kWarning, "later"),
                  Noted(tool::Severity::kError, "bad")},
                 nullptr, nullptr);
  EXPECT_NE(page.find("<span class=\"error\">1 error</span><span class=\"warning\">2 warnings"),
            std::string::npos);
  EXPECT_NE(page.find("<b>warning</b>: late [-Wlate-record]"), std::string::npos);
  const std::string clean = ReportPage("S", {}, nullptr, nullptr);
  EXPECT_NE(clean.find("<span class=\"clean\">0 errors</span><span class=\"clean\">0 warnings"),
            std::string::npos);
}

TEST(ReportPageTest, NoRouteGridNoPictures) {
  ScenarioTables tables;
  tables.scenario_name = "S";
  tables.train_number = "1";
  const CompileOutcome outcome{};
  const std::string page = ReportPage("S", {}, &tables, &outcome);
  EXPECT_NE(page.find("<h1>S 1</h1>"), std::string::npos);
  EXPECT_EQ(page.find("<h2>Profile</h2>"), std::string::npos);
}

}  // namespace
}  // namespace packager::render
