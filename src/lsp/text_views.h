// Views of a description text an editor draws from the server: semantic
// tokens (notes, headers, keywords, numbers and texts, so any client colours
// the texts as the reader reads them) and folding ranges (the notes, each
// section, each record over several lines).
//
// Lines count from 1 and columns count characters from 1.
#pragma once

#include <string_view>
#include <vector>

namespace packager::lsp {

// The token types, in the order of the legend the server announces.
enum class TokenType { kComment, kNamespace, kKeyword, kNumber, kString };
inline constexpr const char* kTokenTypeNames[] = {"comment", "namespace", "keyword", "number",
                                                  "string"};

struct SemanticToken {
  int line = 0;
  int column = 0;
  int end_column = 0;
  TokenType type = TokenType::kComment;
};

// The tokens of a text in the order they stand, none spanning two lines.
std::vector<SemanticToken> SemanticTokensOf(std::string_view text, bool train);

struct FoldingRange {
  int line = 0;
  int end_line = 0;
  bool comment = false;  // the notes above [generale]
};

std::vector<FoldingRange> FoldingRangesOf(std::string_view text, bool train);

}  // namespace packager::lsp
