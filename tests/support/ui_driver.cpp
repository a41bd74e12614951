#include "ui_driver.h"

namespace {

thread_local UiDriver* t_driver = nullptr;
constexpr const char* kDialogClass = "#32770";

struct DialogSearch {
  HWND owner;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM data) {
  auto* search = reinterpret_cast<DialogSearch*>(data);
  if (ClassName(hwnd) != kDialogClass || !::IsWindowVisible(hwnd)) return TRUE;
  if (search->owner == nullptr || ::GetWindow(hwnd, GW_OWNER) == search->owner) {
    search->found.push_back(hwnd);
  }
  return TRUE;
}

BOOL CALLBACK CloseWindow(HWND hwnd, LPARAM) {
  ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
  return TRUE;
}

constexpr const char* kTickClass = "DetectorUiDriverTick";
constexpr UINT_PTR kTickTimer = 1;

}  // namespace

// The tick is a timer of a window of the driver's own, not a timer procedure: the framework
// takes the procedure out of every queued WM_TIMER on a thread with its windows.
UiDriver::UiDriver(std::function<bool()> step, DWORD timeoutMs)
    : m_step(std::move(step)), m_timeoutMs(timeoutMs), m_deadline(::GetTickCount() + timeoutMs) {
  t_driver = this;
  WNDCLASSA tickClass{};
  tickClass.lpfnWndProc = &UiDriver::TickProc;
  tickClass.hInstance = ::GetModuleHandleA(nullptr);
  tickClass.lpszClassName = kTickClass;
  ::RegisterClassA(&tickClass);  // fails harmlessly once the class is there
  m_window = ::CreateWindowExA(0, kTickClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               tickClass.hInstance, nullptr);
  if (m_window != nullptr) ::SetTimer(m_window, kTickTimer, kTickMs, nullptr);
}

UiDriver::~UiDriver() {
  if (m_window != nullptr) ::DestroyWindow(m_window);
  if (t_driver == this) t_driver = nullptr;
}

LRESULT CALLBACK UiDriver::TickProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kTickTimer) {
    if (t_driver != nullptr) t_driver->Tick();
    return 0;
  }
  if (message == WM_CLOSE) return 0;  // the time-out closes the thread's windows, not this one
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

void UiDriver::Tick() {
  if (m_done) return;
  if (static_cast<LONG>(::GetTickCount() - m_deadline) > 0) {
    m_timedOut = true;
    m_done = true;
    ::EnumThreadWindows(::GetCurrentThreadId(), &CloseWindow, 0);
    return;
  }
  if (m_step()) m_done = true;
}

std::vector<HWND> ThreadDialogs(HWND owner) {
  DialogSearch search{owner, {}};
  ::EnumThreadWindows(::GetCurrentThreadId(), &CollectDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FirstThreadDialog(HWND owner) {
  const std::vector<HWND> found = ThreadDialogs(owner);
  return found.empty() ? nullptr : found.front();
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  MSG msg;
  while (!done()) {
    if (::GetTickCount() - start > timeoutMs) return false;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, UiDriver::kTickMs, QS_ALLINPUT);
  }
  return true;
}
