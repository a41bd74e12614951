// The window shown while a slow catalogue download runs: it appears after a second, says what
// is happening in the system's language, and is gone before the main dialog shows; a prompt
// download shows nothing.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <set>
#include <string>

#include "app/detector_dlg.h"
#include "app/download_window.h"
#include "dialog_test_support.h"
#include "ui_driver.h"
#include "worker_thread.h"

namespace {

// What another thread sees of the download window while the dialog's thread is busy.
struct Sighting {
  bool seen = false;
  DWORD afterMs = 0;  // since the watch began
  std::string text;
  LONG style = 0;
  LONG exStyle = 0;
  bool marqueeBar = false;
  std::set<LRESULT> barPositions;  // every position the bar was seen at while the window showed
};

BOOL CALLBACK MatchDownloadWindow(HWND hwnd, LPARAM found) {
  if (ClassName(hwnd) != kDownloadWindowClass || !::IsWindowVisible(hwnd)) return TRUE;
  *reinterpret_cast<HWND*>(found) = hwnd;
  return FALSE;
}

HWND FindDownloadWindow(DWORD thread) {
  HWND found = nullptr;
  ::EnumThreadWindows(thread, &MatchDownloadWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindBar(HWND window) {
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) == PROGRESS_CLASSA) return child;
  }
  return nullptr;
}

Sighting Look(HWND window, DWORD afterMs) {
  Sighting sighting{true, afterMs, "", ::GetWindowLongA(window, GWL_STYLE),
                    ::GetWindowLongA(window, GWL_EXSTYLE), false, {}};
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) == "Static") sighting.text = WindowText(child);
    if (ClassName(child) == PROGRESS_CLASSA)
      sighting.marqueeBar = (::GetWindowLongA(child, GWL_STYLE) & PBS_MARQUEE) != 0;
  }
  return sighting;
}

constexpr UINT kAnswerMs = 1000;

// Polls from its own thread, because the dialog's thread handles only the download window's
// messages while the download runs.
class Watcher {
 public:
  explicit Watcher(DWORD thread)
      : thread_(thread), start_(::GetTickCount()), poller_([this] { Poll(); }) {}
  ~Watcher() { Stop(); }
  void Stop() {
    stop_ = true;
    poller_.Join();
  }
  const Sighting& First() const { return first_; }

 private:
  void Poll() {
    for (int round = 0; !stop_ && round < 3000; ++round) {  // bounded: a minute
      if (HWND window = FindDownloadWindow(thread_)) {
        if (!first_.seen) first_ = Look(window, ::GetTickCount() - start_);
        DWORD_PTR position = 0;
        if (::SendMessageTimeoutA(FindBar(window), PBM_GETPOS, 0, 0, SMTO_BLOCK, kAnswerMs,
                                  &position) != 0) {
          first_.barPositions.insert(static_cast<LRESULT>(position));
        }
      }
      ::Sleep(20);
    }
  }

  DWORD thread_;
  DWORD start_;
  Sighting first_;
  std::atomic<bool> stop_{false};
  WorkerThread poller_;
};

class DownloadWindow : public DialogTest {
 protected:
  // Runs the dialog until it shows; says whether a download window was still there then.
  bool RunUntilShown() {
    bool windowWithDialog = true;
    CDetectorDlg dialog(Platform());
    UiDriver driver([&] {
      if (dialog.m_hWnd == nullptr || !::IsWindowVisible(dialog.m_hWnd)) return false;
      windowWithDialog = FindDownloadWindow(::GetCurrentThreadId()) != nullptr;
      ::PostMessageA(dialog.m_hWnd, WM_COMMAND, IDCANCEL, 0);
      return true;
    });
    dialog.DoModal();
    EXPECT_FALSE(driver.TimedOut());
    return windowWithDialog;
  }
};

// Common controls 5 (Windows 2000's) as far as the bar goes: a progress bar that does not know
// PBM_SETMARQUEE, which their procedure leaves to the default one. Every progress bar the
// thread makes while the object lives is one.
class OlderProgressBars {
 public:
  OlderProgressBars()
      : m_hook(::SetWindowsHookExA(WH_CBT, &Subclass, nullptr, ::GetCurrentThreadId())) {}
  ~OlderProgressBars() {
    if (m_hook != nullptr) ::UnhookWindowsHookEx(m_hook);
  }
  OlderProgressBars(const OlderProgressBars&) = delete;
  OlderProgressBars& operator=(const OlderProgressBars&) = delete;
  bool Installed() const { return m_hook != nullptr; }

 private:
  static LRESULT CALLBACK Subclass(int code, WPARAM wParam, LPARAM lParam) {
    const auto window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND && ClassName(window) == PROGRESS_CLASSA) {
      s_progress = reinterpret_cast<WNDPROC>(
          ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Older)));
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static LRESULT CALLBACK Older(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PBM_SETMARQUEE) return ::DefWindowProcW(window, message, wParam, lParam);
    return ::CallWindowProcW(s_progress, window, message, wParam, lParam);
  }

  static inline WNDPROC s_progress = nullptr;
  HHOOK m_hook;
};

struct BarCase {
  const char* name;
  bool olderControls;
  bool marqueeBar;
  bool moves;  // by position: a marquee moves by itself, at position 0
};

void PrintTo(const BarCase& bar, std::ostream* out) { *out << bar.name; }

class DownloadWindowBar : public DownloadWindow, public testing::WithParamInterface<BarCase> {};

TEST_P(DownloadWindowBar, ASlowServerShowsItAfterASecondUntilTheDownloadEnds) {
  const BarCase& row = GetParam();
  char expected[16] = {};
  if (::GetEnvironmentVariableA("DETECTOR_EXPECT_MESSAGE_LANG", expected, sizeof expected) > 0) {
    ASSERT_EQ(::GetSystemDefaultLangID(), std::stoi(expected)) << "the run's system language";
  }
  std::unique_ptr<OlderProgressBars> older;
  if (row.olderControls) {
    older = std::make_unique<OlderProgressBars>();
    ASSERT_TRUE(older->Installed());
  }
  ServerScript slow;
  slow.pieces = {"", kServedCatalogue};  // the request is read at once, the answer comes later
  slow.pauseMilliseconds = 3000;
  ASSERT_TRUE(server_.Start(slow, kLoopbackAddress, kHttpPort, 1, kPortWaitMs));

  Watcher watcher(::GetCurrentThreadId());
  const bool windowWithDialog = RunUntilShown();
  watcher.Stop();

  const Sighting& seen = watcher.First();
  ASSERT_TRUE(seen.seen);
  EXPECT_GE(seen.afterMs, 900u) << "not before the second is up";
  EXPECT_LE(seen.afterMs, 2000u);
  const bool chinese = ::GetSystemDefaultLangID() == 2052;
  EXPECT_EQ(seen.text, chinese ? "\xD5\xFD\xD4\xDA\xC1\xAC\xBD\xD3\xC7\xFD\xB6\xAF\xB7\xFE\xCE\xF1"
                                 "\xC6\xF7..."
                               : "Connecting to the driver server...");
  EXPECT_EQ(seen.marqueeBar, row.marqueeBar);
  if (row.moves) {
    // A step every tenth of a second for about two seconds: a bar that moves shows many.
    EXPECT_GE(seen.barPositions.size(), 5u);
  } else {
    EXPECT_EQ(seen.barPositions, std::set<LRESULT>{0});
  }
  EXPECT_NE(seen.style & WS_CAPTION, WS_CAPTION) << "no caption";
  EXPECT_NE(seen.exStyle & WS_EX_TOOLWINDOW, 0) << "no task-bar button";
  EXPECT_FALSE(windowWithDialog) << "gone before the dialog shows";
}

INSTANTIATE_TEST_SUITE_P(
    Controls, DownloadWindowBar,
    testing::Values(BarCase{"Marquee", false, true, false},
                    BarCase{"CommonControls5", true, false, true}),
    [](const testing::TestParamInfo<BarCase>& bar) { return std::string(bar.param.name); });

TEST_F(DownloadWindow, APromptServerShowsNone) {
  Serve(kServedCatalogue);
  Watcher watcher(::GetCurrentThreadId());
  EXPECT_FALSE(RunUntilShown());
  watcher.Stop();
  EXPECT_FALSE(watcher.First().seen);
}

}  // namespace
