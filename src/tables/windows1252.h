// Windows-1252, the code page of every text the simulator reads, and UTF-8,
// the encoding of the scenario folders and of what the tools print.
//
// Bytes below 0x80 and from 0xA0 on stand for the character of the same
// number. Bytes 0x80 to 0x9F hold 27 other characters (the euro sign,
// typographic quotes and dashes, some letters); the five bytes 0x81, 0x8D,
// 0x8F, 0x90 and 0x9D hold none.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace packager {

// Converts one UTF-8 text to Windows-1252 bytes, put in bytes. Returns
// false, with the first fault in problem, when the text is not valid UTF-8
// ("invalid UTF-8 at column 5 (byte 0xEC)": stray continuation bytes,
// truncated or overlong sequences, surrogates, values beyond U+10FFFF) or
// holds a character the code page has no byte for ("character U+0141 at
// column 1 has no Windows-1252 byte"; the C1 controls U+0080 to U+009F have
// none). Columns count characters from 1.
bool Utf8To1252(std::string_view utf8, std::string& bytes, std::string& problem);

// A fault of a converted text: its column (characters from 1) and what it
// is, in the words of Utf8To1252.
struct ConversionProblem {
  int column = 0;
  std::string message;
};

// Converts the whole text whatever it holds: a byte that is not valid UTF-8
// and a character the code page has no byte for each become '?', and each
// adds its problem. What follows a fault is still converted, so that a
// reader can go on and find the next one.
void Utf8To1252Substituting(std::string_view utf8, std::string& bytes,
                            std::vector<ConversionProblem>& problems);

// The offset of the first byte of text that does not start a valid UTF-8
// character (as Utf8To1252 reads it); npos for valid UTF-8.
std::size_t FirstInvalidUtf8(std::string_view text);

// Whether every byte of text holds a character of the code page (none is
// one of the five that hold none).
bool Is1252Text(std::string_view bytes);

// Windows-1252 bytes as UTF-8. The five bytes that hold no character become
// the C1 controls of the same number, as Latin-1 would read them.
std::string Utf8From1252(std::string_view bytes);

}  // namespace packager
