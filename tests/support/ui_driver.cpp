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

}  // namespace

UiDriver::UiDriver(std::function<bool()> step, DWORD timeoutMs)
    : m_step(std::move(step)), m_timeoutMs(timeoutMs), m_deadline(::GetTickCount() + timeoutMs) {
  t_driver = this;
  m_timer = ::SetTimer(nullptr, 0, kTickMs, &UiDriver::OnTimer);
}

UiDriver::~UiDriver() {
  if (m_timer != 0) ::KillTimer(nullptr, m_timer);
  if (t_driver == this) t_driver = nullptr;
}

void CALLBACK UiDriver::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (t_driver != nullptr) t_driver->Tick();
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
