// embed_scenario <scenario-folder> <output.cc> [function-name]
//
// Writes the C++ source that carries the scenario folder's texts (see
// scenario_embedding.h). The function defaults to TheEmbeddedScenario; tests
// give another name to build a second scenario beside the program's own.
// Faults go to stderr as "path:line: message" and end with exit status 1.
#include <exception>
#include <iostream>
#include <string>

#include "scenario_embedding.h"

namespace {

bool IsIdentifier(const std::string& name) {
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return false;
  for (const char c : name) {
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    if (!letter && !(c >= '0' && c <= '9')) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::cerr << "usage: embed_scenario <scenario-folder> <output.cc> [function-name]\n";
    return 1;
  }
  const std::string function_name = argc == 4 ? argv[3] : "TheEmbeddedScenario";
  if (!IsIdentifier(function_name)) {
    std::cerr << "embed_scenario: '" << function_name << "' is not a C++ identifier\n";
    return 1;
  }
  try {
    const packager::ScenarioFolder scenario = packager::ReadScenarioFolder(argv[1]);
    namespace embedding = packager::embedding;
    embedding::WriteIfChanged(argv[2], embedding::RenderSource(scenario, function_name));
  } catch (const std::exception& failure) {
    std::cerr << failure.what() << '\n';
    return 1;
  }
  return 0;
}
