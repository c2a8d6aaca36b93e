// Shows the packager's wait window, through the same platform layer, for as
// many milliseconds as its argument says: long enough to look at it.
#include <windows.h>

#include <cstdlib>

#include "app/platform.h"

int main(int argc, char** argv) {
  const auto platform = packager::MakeNativePlatform();
  platform->ShowWaitWindow();
  Sleep(argc > 1 ? static_cast<DWORD>(std::atoi(argv[1])) : 5000);
  platform->EndProgram(0);
}
