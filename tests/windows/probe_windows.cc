// Reads what the packager shows, for the tests that run it under Wine.
//
//   probe_windows message-box SECONDS   waits for a message box, prints its
//                                       caption, text and buttons, presses OK
//   probe_windows client-size TITLE SECONDS
//                                       waits for the window, prints the size
//                                       of its client area in pixels and the
//                                       text of its children
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string TextOf(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

struct Search {
  std::string window_class;
  std::string title;
  HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  if (!IsWindowVisible(window)) return TRUE;
  if (!search->window_class.empty() && ClassOf(window) != search->window_class) return TRUE;
  if (!search->title.empty() && TextOf(window) != search->title) return TRUE;
  search->found = window;
  return FALSE;
}

HWND WaitFor(Search search, int seconds) {
  for (int tries = 0; tries < seconds * 10; ++tries) {
    search.found = nullptr;
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(100);
  }
  return nullptr;
}

BOOL CALLBACK Collect(HWND child, LPARAM data) {
  reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
  return TRUE;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&children));
  return children;
}

int MessageBoxProbe(int seconds) {
  const HWND box = WaitFor({"#32770", "", nullptr}, seconds);
  if (box == nullptr) {
    std::puts("no message box");
    return 1;
  }
  std::printf("caption: %s\n", TextOf(box).c_str());
  int buttons = 0;
  HWND ok = nullptr;
  for (HWND child : Children(box)) {
    if (!IsWindowVisible(child)) continue;
    const std::string child_class = ClassOf(child);
    if (child_class == "Button") {
      ++buttons;
      std::printf("button: %s\n", TextOf(child).c_str());
      if (GetDlgCtrlID(child) == IDOK) ok = child;
    } else if (child_class == "Static" && !TextOf(child).empty()) {
      std::printf("text: %s\n", TextOf(child).c_str());
    } else if (child_class == "Static" &&
               SendMessageA(child, STM_GETICON, 0, 0) != 0) {
      std::puts("icon");
    }
  }
  std::printf("buttons: %d\n", buttons);
  std::fflush(stdout);
  if (ok == nullptr) return 1;
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
  return 0;
}

int ClientSizeProbe(const std::string& title, int seconds) {
  const HWND window = WaitFor({"", title, nullptr}, seconds);
  if (window == nullptr) {
    std::puts("no window");
    return 1;
  }
  RECT client{};
  GetClientRect(window, &client);
  std::printf("client: %ld x %ld\n", client.right - client.left, client.bottom - client.top);
  for (HWND child : Children(window)) {
    RECT place{};
    GetWindowRect(child, &place);
    POINT corner{place.left, place.top};
    ScreenToClient(window, &corner);
    std::printf("child: %s \"%s\" at %ld,%ld size %ld x %ld\n", ClassOf(child).c_str(),
                TextOf(child).c_str(), corner.x, corner.y, place.right - place.left,
                place.bottom - place.top);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "message-box") {
    return MessageBoxProbe(std::atoi(args[1].c_str()));
  }
  if (args.size() == 3 && args[0] == "client-size") {
    return ClientSizeProbe(args[1], std::atoi(args[2].c_str()));
  }
  std::fputs("usage: probe_windows message-box SECONDS | client-size TITLE SECONDS\n", stderr);
  return 64;
}
