#include "framework/window_dpi.h"

#include "framework/system_functions.h"

namespace {

constexpr UINT kDefaultDpi = 96;
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

template <typename Function>
Function Find(const char* dll, const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(FindSystemFunction(dll, name)));
}

UINT ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

}  // namespace

UINT WindowDpi(HWND hwnd) {
  using ForWindow = UINT(WINAPI*)(HWND);
  if (const auto forWindow = Find<ForWindow>("user32.dll", "GetDpiForWindow")) {
    const UINT dpi = forWindow(hwnd);
    if (dpi != 0) return dpi;
  }
  using ForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  if (const auto forMonitor = Find<ForMonitor>("shcore.dll", "GetDpiForMonitor")) {
    UINT x = 0;
    UINT y = 0;
    HMONITOR monitor = ::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
    if (monitor != nullptr && SUCCEEDED(forMonitor(monitor, kEffectiveDpi, &x, &y)) && y != 0) {
      return y;
    }
  }
  return ScreenDpi();
}
