// Keyword tests of the description readers: containment, in exact case or in
// any letter case (ASCII letters fold; other bytes compare as they are).
#pragma once

#include <string_view>

namespace packager {

bool Contains(std::string_view field, std::string_view word);
bool ContainsAnyCase(std::string_view field, std::string_view word);

}  // namespace packager
