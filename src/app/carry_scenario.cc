// carry_scenario FOLDER PREBUILT OUTPUT
//
// Makes the packager of a scenario folder on the build machine: the prebuilt
// packager PREBUILT with the folder's scenario appended, written to OUTPUT
// and made executable, exactly as `scenario-tool package` makes an author's
// (sources/carrying_packager.h). It runs here whatever the packager's
// target: a cross build is given this program of a native build. Faults go
// to stderr and end with exit status 1.
#include <exception>
#include <iostream>

#include "sources/carrying_packager.h"
#include "sources/scenario_folder.h"
#include "tables/replace_file.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: carry_scenario FOLDER PREBUILT OUTPUT\n";
    return 1;
  }
  try {
    const std::string program = packager::ReadPrebuiltPackager(
        argv[2], "make a packager", "the build makes it (target packager_carried)");
    const packager::ScenarioFolder folder = packager::ReadScenarioFolder(argv[1]);
    packager::WriteCarryingPackager(argv[3], program, folder, true, packager::ReplaceFile);
  } catch (const std::exception& failure) {
    std::cerr << "carry_scenario: " << failure.what() << '\n';
    return 1;
  }
  return 0;
}
