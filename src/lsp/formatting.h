// Formatting of a description text: the records of a run of the same kind
// in a section line up in columns (the keywords, then each field, numbers
// right-aligned and texts left-aligned), each record starting its line.
//
// It never changes what the reader reads: only the blanks after a comma or
// at a line's start or end change, and only on a line that holds one whole
// record and nothing more as the reader reads it. Blanks that part two
// fields with no comma stay as written, and every other line (notes, headers,
// records over several lines, lines the reader reads otherwise) is left
// byte for byte, line ends included.
#pragma once

#include <string>
#include <string_view>

namespace packager::lsp {

// The text formatted; the same text when nothing is to change.
std::string FormatDescription(std::string_view text, bool train);

}  // namespace packager::lsp
