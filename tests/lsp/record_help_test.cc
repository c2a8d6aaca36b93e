// What the server says of records: a curve's shape as the line reader reads
// its keyword, the field being typed at a cursor, and the settings an editor
// gives, each as a table of cases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/record_help.h"
#include "lsp/settings.h"

namespace packager::lsp {
namespace {

struct CurveCase {
  const char* keyword;
  const char* text;
};

class CurveShapes : public testing::TestWithParam<CurveCase> {};

TEST_P(CurveShapes, AsTheLineReaderReadsTheKeyword) {
  EXPECT_EQ(CurveText(GetParam().keyword), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Lsp, CurveShapes,
    testing::Values(CurveCase{"curvas1", "a left curve of class 1, radius 10000 m"},
                    CurveCase{"CURVAD6", "a right curve of class 6, radius 333 m"},
                    // The first of the digits 1 to 6 it holds, in that order.
                    CurveCase{"curvad61", "a right curve of class 1, radius 10000 m"},
                    CurveCase{"curvaS4", "a left curve of class 4, radius 1000 m"},
                    CurveCase{"curvad7",
                              "no class: the keyword holds none of the digits 1 to 6, "
                              "so the reading stops here"}));

struct TypedCase {
  const char* line;  // a record of the train description, the cursor at '|'
  int field;         // the field being typed: 0 the keyword, 1 the first
};

class FieldsTyped : public testing::TestWithParam<TypedCase> {};

TEST_P(FieldsTyped, ByTheCursor) {
  std::string line = GetParam().line;
  const std::size_t cursor = line.find('|');
  line.erase(cursor, 1);
  const std::vector<TextSection> sections = ReadTextRecords("[generale]\n" + line + "\n", true);
  const RecordAt at = FindRecordAt(sections, 2, static_cast<int>(cursor) + 1);
  ASSERT_NE(at.record, nullptr);
  EXPECT_EQ(FieldBeingTyped(*at.record, 2, static_cast<int>(cursor) + 1, line), GetParam().field);
}

INSTANTIATE_TEST_SUITE_P(
    Lsp, FieldsTyped,
    testing::Values(TypedCase{"segn|ale, 1750", 0}, TypedCase{"segnale|, 1750", 0},
                    TypedCase{"segnale, |1750", 1}, TypedCase{"segnale, 17|50", 1},
                    TypedCase{"segnale, 1750|", 1},
                    // A blank after a number starts the next field.
                    TypedCase{"segnale, 1750 |", 2}, TypedCase{"segnale, 1750, 2,|", 3}));

struct SettingsCase {
  const char* given;
  std::size_t silenced;
  bool errors;
  std::size_t error_limit;
  long settle_ms;
  std::size_t problems;
};

class SettingsRead : public testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsRead, WhatFitsIsTakenTheRestSaid) {
  const SettingsCase& c = GetParam();
  std::vector<std::string> problems;
  const Settings read = ReadSettings(nlohmann::json::parse(c.given), Settings{}, problems);
  EXPECT_EQ(read.silenced.size(), c.silenced);
  EXPECT_EQ(read.warnings_are_errors, c.errors);
  EXPECT_EQ(read.error_limit, c.error_limit);
  EXPECT_EQ(read.settle.count(), c.settle_ms);
  EXPECT_EQ(problems.size(), c.problems) << (problems.empty() ? "" : problems.front());
}

INSTANTIATE_TEST_SUITE_P(
    Lsp, SettingsRead,
    testing::Values(SettingsCase{"{}", 0, false, tool::kDefaultErrorLimit, 200, 0},
                    SettingsCase{R"({"scenarioTool": {"disabledWarnings": ["-Wno-no-start-value",
                      "out-of-order"], "warningsAsErrors": true, "errorLimit": 0,
                      "settleDelay": 0}})",
                                 2, true, 0, 0, 0},
                    // Each value that does not fit is said; the others are taken.
                    SettingsCase{R"({"disabledWarnings": ["no-such-warning", 3], "errorLimit": 2.5,
                      "settleDelay": 10001, "warningsAsErrors": "yes"})",
                                 0, false, tool::kDefaultErrorLimit, 200, 5},
                    SettingsCase{R"({"errorLimit": -1, "settleDelay": 50})", 0, false,
                                 tool::kDefaultErrorLimit, 50, 1},
                    SettingsCase{"[1, 2]", 0, false, tool::kDefaultErrorLimit, 200, 0}));

}  // namespace
}  // namespace packager::lsp
