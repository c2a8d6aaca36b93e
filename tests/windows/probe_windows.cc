// Reads what the packager shows, for the tests that run it under Wine.
//
//   probe_windows message-box SECONDS   waits for a message box, prints its
//                                       caption, text, buttons and icon
//                                       (error, warning, information,
//                                       question, unknown or none), presses OK
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

// A bitmap of 32-bit pixels with a device context to draw on.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels_ = static_cast<const DWORD*>(bits);
    previous_ = SelectObject(dc_, bitmap_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  ~Canvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  // The colour of pixel i, without the unused top byte.
  DWORD at(int i) const {
    GdiFlush();
    return pixels_[i] & 0xFFFFFFu;
  }
  int size() const { return width_ * height_; }
  void Fill(COLORREF colour) {
    const RECT all{0, 0, width_, height_};
    const HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }

 private:
  int width_;
  int height_;
  HDC dc_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  const DWORD* pixels_ = nullptr;
};

// The share of the icon's opaque pixels that the shown picture does not
// match: the icon drawn on black and on white differs where it lets the
// background through, and those pixels are not compared.
double Mismatch(const Canvas& shown, HICON icon, int width, int height) {
  Canvas on_black(width, height), on_white(width, height);
  on_black.Fill(RGB(0, 0, 0));
  on_white.Fill(RGB(255, 255, 255));
  DrawIconEx(on_black.dc(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
  DrawIconEx(on_white.dc(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
  int opaque = 0, differing = 0;
  for (int i = 0; i < shown.size(); ++i) {
    if (on_black.at(i) != on_white.at(i)) continue;
    ++opaque;
    if (on_black.at(i) != shown.at(i)) ++differing;
  }
  return opaque == 0 ? 1.0 : static_cast<double>(differing) / opaque;
}

// Which of the system's message box icons the control shows, read from the
// screen: an icon handle means nothing outside the process that loaded it.
std::string IconShownBy(HWND control) {
  const struct {
    LPCSTR id;
    const char* name;
  } kIcons[] = {{IDI_ERROR, "error"},
                {IDI_WARNING, "warning"},
                {IDI_INFORMATION, "information"},
                {IDI_QUESTION, "question"}};
  constexpr double kMostMismatch = 0.02;
  RECT place{};
  GetWindowRect(control, &place);
  const int width = place.right - place.left;
  const int height = place.bottom - place.top;
  if (width <= 0 || height <= 0) return "unknown";
  Canvas shown(width, height);
  // The box may still be painting when it is found.
  for (int tries = 0; tries < 30; ++tries, Sleep(100)) {
    const HDC screen = GetDC(nullptr);
    BitBlt(shown.dc(), 0, 0, width, height, screen, place.left, place.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    for (const auto& [id, name] : kIcons) {
      if (Mismatch(shown, LoadIconA(nullptr, id), width, height) <= kMostMismatch) return name;
    }
  }
  return "unknown";
}

bool ShowsAnIcon(HWND child) {
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  return (style & SS_TYPEMASK) == SS_ICON && SendMessageA(child, STM_GETICON, 0, 0) != 0;
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
  std::string icon = "none";
  for (HWND child : Children(box)) {
    if (!IsWindowVisible(child)) continue;
    const std::string child_class = ClassOf(child);
    if (child_class == "Button") {
      ++buttons;
      std::printf("button: %s\n", TextOf(child).c_str());
      if (GetDlgCtrlID(child) == IDOK) ok = child;
    } else if (child_class == "Static" && ShowsAnIcon(child)) {
      icon = IconShownBy(child);
    } else if (child_class == "Static" && !TextOf(child).empty()) {
      std::printf("text: %s\n", TextOf(child).c_str());
    }
  }
  std::printf("buttons: %d\n", buttons);
  std::printf("icon: %s\n", icon.c_str());
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
