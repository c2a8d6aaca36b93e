// The Windows layer: the window with its one label, the message boxes, the
// program's directory from the executable's own path. Text reaches the
// system through its wide calls, so that a folder or a program named in any
// alphabet shows as it is named.
#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>

#include "app/platform.h"
#include "tables/file_failure.h"
#include "tables/replace_file.h"
#include "tables/windows_text.h"

namespace packager {

namespace {

// The window's layout in twips (1/1440 inch), scaled to the screen's dots
// per inch when it is created.
constexpr int kTwipsPerInch = 1440;
constexpr int kPointsPerInch = 72;
constexpr int kClientWidth = 4200;
constexpr int kClientHeight = 2688;
constexpr int kLabelLeft = 960;
constexpr int kLabelTop = 960;
constexpr int kLabelWidth = 2652;
constexpr int kLabelHeight = 792;
constexpr int kLabelPoints = 24;
constexpr wchar_t kWindowClass[] = L"Form1";
constexpr wchar_t kLabelCaption[] = L"Attendere";
constexpr char kLabelFont[] = "MS Sans Serif";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The application's title: the executable's name without its extension.
std::string ApplicationTitle() {
  const std::string path = RunningProgramPath();
  std::string name = path.substr(path.find_last_of("\\/") + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

// Asks for the screen's real dots per inch where the system knows of it.
void BecomeDpiAware() {
  const HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return;
  using SetAware = BOOL(WINAPI*)();
  const auto set_aware =
      reinterpret_cast<SetAware>(reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDPIAware")));
  if (set_aware != nullptr) set_aware();
}

int ScreenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

class WindowsPlatform : public Platform {
 public:
  std::string ProgramDirectory() override {
    const std::string path = RunningProgramPath();
    return path.substr(0, path.find_last_of('\\'));
  }

  void ShowWaitWindow() override {
    BecomeDpiAware();
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursor(nullptr, IDC_WAIT);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kWindowClass;
    RegisterClassW(&window_class);

    const int dpi = ScreenDpi();
    auto pixels = [dpi](int twips) { return MulDiv(twips, dpi, kTwipsPerInch); };
    RECT frame{0, 0, pixels(kClientWidth), pixels(kClientHeight)};
    AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    // In the middle of the work area of the primary screen.
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = work.top + (work.bottom - work.top - height) / 2;

    title_ = ApplicationTitle();
    window_ = CreateWindowExW(0, kWindowClass, WideFromUtf8(title_).c_str(), kWindowStyle, left,
                              top, width, height, nullptr, nullptr, instance, nullptr);
    if (window_ == nullptr) return;  // the run goes on without its window
    const HWND label = CreateWindowExW(
        0, L"STATIC", kLabelCaption, WS_CHILD | WS_VISIBLE | SS_LEFT, pixels(kLabelLeft),
        pixels(kLabelTop), pixels(kLabelWidth), pixels(kLabelHeight), window_, nullptr, instance,
        nullptr);
    font_ = CreateFontA(-MulDiv(kLabelPoints, dpi, kPointsPerInch), 0, 0, 0, FW_BOLD, FALSE,
                        FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, kLabelFont);
    if (label != nullptr && font_ != nullptr) {
      SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    ShowWindow(window_, SW_SHOWNORMAL);
    // Painted once, now: the run handles no messages while it works.
    RedrawWindow(window_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }

  void ShowErrorBox(const std::string& prompt) override {
    if (title_.empty()) title_ = ApplicationTitle();
    MessageBoxW(window_, WideFromUtf8(prompt).c_str(), WideFromUtf8(title_).c_str(), MB_OK);
  }

  void Report(const std::string& line) override {
    // A windowed program has no console; the line reaches a redirected
    // standard error, as under a test harness, and is lost otherwise.
    std::fputs((line + "\n").c_str(), stderr);
    std::fflush(stderr);
  }

  // Also called on running out of memory: the line goes out before anything
  // is allocated, and the box falls back to the bare line.
  void ShowFailure(const std::string& headline, const std::string& line) override {
    std::fputs(line.c_str(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    std::wstring text;
    std::wstring title;
    try {
      if (title_.empty()) title_ = ApplicationTitle();
      std::string whole = headline + "\n\n" + line;
      // The line starts a sentence of its own in the box.
      char& first = whole[headline.size() + 2];
      if (first >= 'a' && first <= 'z') first = static_cast<char>(first - 'a' + 'A');
      text = WideFromUtf8(whole);
      title = WideFromUtf8(title_);
    } catch (const std::exception&) {
      // No title or no memory: the box shows what it still can.
    }
    if (text.empty()) {
      MessageBoxA(window_, line.c_str(), nullptr, MB_OK | MB_ICONERROR);
    } else {
      MessageBoxW(window_, text.c_str(), title.empty() ? nullptr : title.c_str(),
                  MB_OK | MB_ICONERROR);
    }
  }

  [[noreturn]] void EndProgram(int status) override {
    std::fflush(nullptr);
    if (window_ != nullptr) DestroyWindow(window_);
    if (font_ != nullptr) DeleteObject(font_);
    ExitProcess(static_cast<UINT>(status));
  }

 private:
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  std::string title_;
};

}  // namespace

std::unique_ptr<Platform> MakeNativePlatform() { return std::make_unique<WindowsPlatform>(); }

}  // namespace packager
