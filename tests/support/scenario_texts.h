// Description texts for the tests, as the run writes them: CR LF line ends.
#pragma once

#include <string>
#include <vector>

namespace packager::test_support {

inline constexpr char kLineFile[] = "Vardessa_Lontrino_linea.txt";
inline constexpr char kTrainFile[] = "Vardessa_Lontrino_5608-.txt";

// The lines joined, each followed by CR LF.
inline std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace packager::test_support
