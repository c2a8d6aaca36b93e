// Formatting lines records up and touches nothing the reader reads otherwise:
// a table of texts and what they become (the compile of every scenario as
// formatted is compared by format_compile_test.py).
#include <gtest/gtest.h>

#include <string>

#include "lsp/formatting.h"

namespace packager::lsp {
namespace {

struct FormatCase {
  const char* name;
  bool train;
  const char* text;
  const char* formatted;
};

class Formatting : public testing::TestWithParam<FormatCase> {};

TEST_P(Formatting, AlignsRecordsAndKeepsTheRest) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(FormatDescription(c.text, c.train), c.formatted);
  EXPECT_EQ(FormatDescription(c.formatted, c.train), c.formatted) << "formatting twice";
}

INSTANTIATE_TEST_SUITE_P(
    Lsp, Formatting,
    testing::Values(
        FormatCase{"run_of_one_kind_in_columns", true,
                   "[generale]\n  velocita,  0,30\nvelocita, 110900,   105\n[fine]\n",
                   "[generale]\nvelocita,      0,  30\nvelocita, 110900, 105\n[fine]\n"},
        // Notes, headers and a record over two lines stay byte for byte.
        FormatCase{
            "notes_and_continued_records_kept", true,
            "a   note,  1\n[generale]\nsegnale,  1750, 2, 4\n  1, 0, 0, 2, 2,1,0, 0\n[fine]\n",
            "a   note,  1\n[generale]\nsegnale,  1750, 2, 4\n  1, 0, 0, 2, 2,1,0, 0\n[fine]\n"},
        // Fields parted by blanks alone keep those blanks; line ends stay.
        FormatCase{"blanks_without_comma_kept", true,
                   "[generale]\r\norologio,    12     4  45 \r\n[fine]\r\n",
                   "[generale]\r\norologio, 12     4  45\r\n[fine]\r\n"},
        // A text field is left-aligned; an empty field stays empty.
        FormatCase{
            "texts_and_empty_fields", false,
            "[generale]\nlunghezza percorso, 9000\n[x]\ncartello_indicatore,  800,   (Galleria)\n"
            "cartello_indicatore, 2850, (M)\nindicatori_vmax, 1050, 70, 75, 80, 0, , , , "
            "0\n[fine]\n",
            "[generale]\nlunghezza percorso, 9000\n[x]\ncartello_indicatore,  800, (Galleria)\n"
            "cartello_indicatore, 2850, (M)\nindicatori_vmax, 1050, 70, 75, 80, 0, , , , 0\n"
            "[fine]\n"},
        // The text's last written line is never read whole: left alone.
        FormatCase{"last_line_kept", true, "[generale]\nsabbia,   60\nsabbia,    70   ",
                   "[generale]\nsabbia, 60\nsabbia,    70   "},
        // Two records on one line, or a lone carriage return: left alone.
        FormatCase{"shared_line_and_lone_return_kept", true,
                   "[generale]\nsabbia, 60, sabbia,  70\nsabbia,  1\r[fine]\n",
                   "[generale]\nsabbia, 60, sabbia,  70\nsabbia,  1\r[fine]\n"}),
    [](const testing::TestParamInfo<FormatCase>& info) { return info.param.name; });

}  // namespace
}  // namespace packager::lsp
