// How the tool shows text it did not write itself: the author's lines, names
// and values, paths, and messages that quote them. The one rule for every
// output: what is shown is valid UTF-8, each byte that belongs to no valid
// UTF-8 character written as \xNN; and, where a terminal or a page would
// act on them, control characters are written out too: those of C0 but the
// tab and DEL as \xNN ("\x1B" for ESC), those of C1 as \u0080 to \u009F.
#pragma once

#include <string>
#include <string_view>

#include "compiler/compile_stage.h"

namespace packager::explain {

enum class Controls { kKept, kEscaped };

std::string ShownText(std::string_view text, Controls controls);

// FaultReport's line for the author's terminal: the detail, which may quote
// the text's Windows-1252 bytes, in UTF-8, and the line as ShownText shows it.
std::string ShownFaultReport(RecordedFault fault);

// The length in bytes of the UTF-8 character at the start of text, 0 when
// text does not start with a valid one (nor with any byte at all).
std::size_t Utf8CharacterLength(std::string_view text);

}  // namespace packager::explain
