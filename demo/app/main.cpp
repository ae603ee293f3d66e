// A stand-in for the real desktop application: just enough for installer tests to prove which
// version got installed and that it starts.
#include <windows.h>

#include <cstdlib>
#include <string>

#ifndef CORVALD_DEMO_VERSION
#error "CORVALD_DEMO_VERSION must name the version this build stands for"
#endif

namespace {

constexpr wchar_t kWindowClass[] = L"CorvaldTavrinDemoWindow";
constexpr UINT_PTR kExitTimer = 1;

std::wstring widen(const char* s) { return std::wstring(s, s + std::char_traits<char>::length(s)); }

std::wstring env(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  const DWORD written = GetEnvironmentVariableW(name, value.data(), size);
  value.resize(written);
  return value;
}

// Tests cannot see a window under Wine, so a file they name is the proof of a launch.
void write_marker() {
  const std::wstring path = env(L"CORVALD_DEMO_MARKER");
  if (path.empty()) return;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string line = std::string("launched ") + CORVALD_DEMO_VERSION + "\n";
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
      if (wparam == kExitTimer) DestroyWindow(window);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      const std::wstring text = L"Corvald Tavrin " + widen(CORVALD_DEMO_VERSION);
      RECT area;
      GetClientRect(window, &area);
      DrawTextW(dc, text.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  write_marker();

  WNDCLASSW window_class{};
  window_class.lpfnWndProc = window_proc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kWindowClass;
  RegisterClassW(&window_class);  // a failure shows up as no window below

  const std::wstring title = L"Corvald Tavrin " + widen(CORVALD_DEMO_VERSION);
  HWND window = CreateWindowExW(0, kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 420, 200, nullptr, nullptr, instance, nullptr);

  // Tests start the app and must not leave it running behind them.
  const std::wstring exit_after = env(L"CORVALD_DEMO_EXIT_AFTER_MS");
  const UINT exit_ms =
      exit_after.empty() ? 0 : static_cast<UINT>(std::wcstoul(exit_after.c_str(), nullptr, 10));
  if (window) {
    if (!exit_after.empty()) SetTimer(window, kExitTimer, exit_ms == 0 ? 1 : exit_ms, nullptr);
    ShowWindow(window, show);
    UpdateWindow(window);
  } else {
    // Headless Wine (no display driver) refuses every window. Under a test that asked for a
    // timed exit the app still runs its message loop for that long, so a caller sees a live
    // process that then ends normally; otherwise there is nothing to show.
    if (exit_after.empty()) return 1;
    SetTimer(nullptr, 0, exit_ms == 0 ? 1 : exit_ms, nullptr);
  }

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!window && message.message == WM_TIMER) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
