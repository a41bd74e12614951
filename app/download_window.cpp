#include "app/download_window.h"

#include <windows.h>
#include <commctrl.h>
#include <process.h>

#include <algorithm>

#include "framework/win_app.h"

namespace {

// Layout in pixels at 96 DPI.
constexpr int kMargin = 16;
constexpr int kGap = 10;
constexpr int kMinTextWidth = 220;
constexpr int kBarHeight = 16;
constexpr UINT kMarqueeMilliseconds = 30;
// Where the bar cannot run a marquee, it fills in steps of this many percent, one a tick, and
// starts again when full.
constexpr int kBarStepPercent = 5;
constexpr UINT kBarStepMilliseconds = 100;
constexpr UINT_PTR kBarStepTimer = 1;
constexpr int kBarId = 1;
// The wait wakes this often even when no message arrives.
constexpr DWORD kPumpMilliseconds = 50;

unsigned __stdcall RunDownload(void* download) {
  try {
    (*static_cast<const std::function<void()>*>(download))();
  } catch (...) {
    // The download reports by what it stores; a failure here leaves no catalogue, which the
    // load then reports.
  }
  return 0;
}

// A close from outside (a polite task kill posts one to every top-level window) would leave
// the download running with nothing to show for it; the window goes when the download ends.
LRESULT CALLBACK DownloadWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) return 0;
  if (message == WM_TIMER && wParam == kBarStepTimer) {
    ::SendMessageA(::GetDlgItem(window, kBarId), PBM_STEPIT, 0, 0);
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExA(instance, kDownloadWindowClass, &existing)) return true;
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &DownloadWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514));  // IDC_WAIT
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kDownloadWindowClass;
  return ::RegisterClassExA(&windowClass) != 0;
}

SIZE TextExtent(HFONT font, const char* text) {
  SIZE size{};
  HDC dc = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, font);
  ::GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(nullptr, dc);
  return size;
}

// Common controls before version 6 (Windows 2000's) have no marquee: they leave its message to
// the default procedure, which answers 0, where version 6 always answers TRUE. Their bar is
// then a plain one, without the style it ignores, that the window moves on a timer.
void StartBar(HWND window, HWND bar) {
  if (::SendMessageA(bar, PBM_SETMARQUEE, TRUE, kMarqueeMilliseconds) != 0) return;
  ::SetWindowLongA(bar, GWL_STYLE, ::GetWindowLongA(bar, GWL_STYLE) & ~PBS_MARQUEE);
  ::SendMessageA(bar, PBM_SETSTEP, kBarStepPercent, 0);
  ::SetTimer(window, kBarStepTimer, kBarStepMilliseconds, nullptr);
}

HWND CreateDownloadWindow(const char* text) {
  HINSTANCE instance = AfxGetInstanceHandle();
  if (!RegisterWindowClass(instance)) return nullptr;
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  auto scaled = [dpi](int pixels) { return ::MulDiv(pixels, dpi, 96); };

  auto* font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  const SIZE extent = TextExtent(font, text);
  const int innerWidth = std::max<int>(extent.cx, scaled(kMinTextWidth));
  const int width = innerWidth + 2 * scaled(kMargin) + 2 * ::GetSystemMetrics(SM_CXBORDER);
  const int height = 2 * scaled(kMargin) + extent.cy + scaled(kGap) + scaled(kBarHeight) +
                     2 * ::GetSystemMetrics(SM_CYBORDER);

  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoA(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& area = monitor.rcWork;
  const int x = area.left + (area.right - area.left - width) / 2;
  const int y = area.top + (area.bottom - area.top - height) / 2;

  // No caption, no task-bar button (tool window), never activated: the hidden dialog must not
  // see activation change under it.
  HWND window = ::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE,
                                  kDownloadWindowClass, text, WS_POPUP | WS_BORDER, x, y, width,
                                  height, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return nullptr;
  HWND label = ::CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX,
                                 scaled(kMargin), scaled(kMargin), innerWidth, extent.cy, window,
                                 nullptr, instance, nullptr);
  HWND bar = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | PBS_MARQUEE,
                               scaled(kMargin), scaled(kMargin) + extent.cy + scaled(kGap),
                               innerWidth, scaled(kBarHeight), window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBarId)), instance,
                               nullptr);
  if (label != nullptr) ::SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (bar != nullptr) StartBar(window, bar);
  ::ShowWindow(window, SW_SHOWNOACTIVATE);
  ::UpdateWindow(window);
  return window;
}

// Handles the messages of `window` (and its children) until `done` is signalled. Once the window is
// gone, or the thread is asked to quit, it only waits: a wait that wakes for other windows'
// messages it must leave queued would wake again at once, on every pass.
void PumpUntil(HANDLE done, HWND window) {
  for (;;) {
    if (!::IsWindow(window)) break;
    const DWORD woke = ::MsgWaitForMultipleObjects(1, &done, FALSE, kPumpMilliseconds, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) return;
    if (woke == WAIT_FAILED) break;
    MSG msg;
    while (::PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // The filter does not hold the quit message back; it stays the dialog loop's to see.
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        ::WaitForSingleObject(done, INFINITE);
        return;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  ::WaitForSingleObject(done, INFINITE);
}

}  // namespace

void RunWithDownloadWindow(const std::function<void()>& download, const char* text) {
  // The thread's handle is signalled when it ends: it is what every wait below waits on.
  const HANDLE worker = reinterpret_cast<HANDLE>(
      ::_beginthreadex(nullptr, 0, &RunDownload, const_cast<std::function<void()>*>(&download),
                       0, nullptr));
  if (worker == nullptr) {
    download();
    return;
  }
  // The first second blocks as the download always did: a fast one shows nothing.
  if (::WaitForSingleObject(worker, kDownloadWindowDelayMilliseconds) != WAIT_OBJECT_0) {
    HWND window = CreateDownloadWindow(text);
    if (window != nullptr) {
      PumpUntil(worker, window);
      if (::IsWindow(window)) ::DestroyWindow(window);
    }
    ::WaitForSingleObject(worker, INFINITE);
  }
  ::CloseHandle(worker);
}
