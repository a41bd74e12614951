#pragma once
// Drives windows from inside the test's own thread: a timer runs a step function from whatever
// message loop is running (the dialog's, a message box's), until the step says it is done or
// the time runs out. On time-out every window of the thread is asked to close, so a test that
// goes wrong ends instead of hanging.
#include <windows.h>

#include <functional>
#include <vector>

#include "window_text.h"

class UiDriver {
 public:
  static constexpr DWORD kDefaultTimeoutMs = 15000;
  static constexpr UINT kTickMs = 20;

  explicit UiDriver(std::function<bool()> step, DWORD timeoutMs = kDefaultTimeoutMs);
  ~UiDriver();
  UiDriver(const UiDriver&) = delete;
  UiDriver& operator=(const UiDriver&) = delete;

  // The time-out counts again from now: for a step function that has just moved on, so that
  // the bound is on a wait that stalls, not on the sum of waits a slow machine makes.
  void Progressed() { m_deadline = ::GetTickCount() + m_timeoutMs; }

  bool Done() const { return m_done; }
  bool TimedOut() const { return m_timedOut; }

 private:
  static LRESULT CALLBACK TickProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Tick();

  std::function<bool()> m_step;
  DWORD m_timeoutMs;
  DWORD m_deadline;
  HWND m_window = nullptr;
  bool m_done = false;
  bool m_timedOut = false;
};

// Visible dialog-class windows (#32770) of this thread owned by `owner` (any owner if null).
std::vector<HWND> ThreadDialogs(HWND owner);
HWND FirstThreadDialog(HWND owner);
// Runs the thread's message loop until `done` or the time-out; false on time-out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = UiDriver::kDefaultTimeoutMs);
