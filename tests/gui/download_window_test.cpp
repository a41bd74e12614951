// The window shown while a slow catalogue download runs: it appears after a second, says what
// is happening in the system's language, and is gone before the main dialog shows; a prompt
// download shows nothing.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
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

Sighting Look(HWND window, DWORD afterMs) {
  Sighting sighting{true, afterMs, "", ::GetWindowLongA(window, GWL_STYLE),
                    ::GetWindowLongA(window, GWL_EXSTYLE), false};
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) == "Static") sighting.text = WindowText(child);
    if (ClassName(child) == PROGRESS_CLASSA)
      sighting.marqueeBar = (::GetWindowLongA(child, GWL_STYLE) & PBS_MARQUEE) != 0;
  }
  return sighting;
}

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
      if (!first_.seen) {
        if (HWND window = FindDownloadWindow(thread_)) first_ = Look(window, ::GetTickCount() - start_);
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

TEST_F(DownloadWindow, ASlowServerShowsItAfterASecondUntilTheDownloadEnds) {
  char expected[16] = {};
  if (::GetEnvironmentVariableA("DETECTOR_EXPECT_MESSAGE_LANG", expected, sizeof expected) > 0) {
    ASSERT_EQ(::GetSystemDefaultLangID(), std::stoi(expected)) << "the run's system language";
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
  EXPECT_TRUE(seen.marqueeBar);
  EXPECT_NE(seen.style & WS_CAPTION, WS_CAPTION) << "no caption";
  EXPECT_NE(seen.exStyle & WS_EX_TOOLWINDOW, 0) << "no task-bar button";
  EXPECT_FALSE(windowWithDialog) << "gone before the dialog shows";
}

TEST_F(DownloadWindow, APromptServerShowsNone) {
  Serve(kServedCatalogue);
  Watcher watcher(::GetCurrentThreadId());
  EXPECT_FALSE(RunUntilShown());
  watcher.Stop();
  EXPECT_FALSE(watcher.First().seen);
}

}  // namespace
