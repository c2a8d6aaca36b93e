// Text between the programs, which hold UTF-8 throughout (paths, messages),
// and the wide calls of Windows, which take UTF-16: the "A" calls would read
// it in the code page of the machine and lose every letter that code page
// lacks. Windows only; defined in file_windows.cc.
#pragma once

#include <string>
#include <string_view>

namespace packager {

// Bytes that are not UTF-8 become U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);
// An unpaired surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view wide);

}  // namespace packager
