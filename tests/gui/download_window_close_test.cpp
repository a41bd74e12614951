// The download window closed from outside, as a polite task kill closes every top-level
// window: the thread that waits for the download must not spin while another window's
// message stays queued.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/download_window.h"
#include "worker_thread.h"

namespace {

constexpr DWORD kWindowWaitMs = 10000;
constexpr DWORD kSettleMs = 200;
constexpr DWORD kMeasuredMs = 3000;
constexpr DWORD kDownloadBoundMs = 30000;
// A waiting thread uses next to nothing; one that polls its queue in a loop uses a large part
// of the measured time.
constexpr double kMaxBusyMs = 300.0;

struct Handle {
  HANDLE value;
  ~Handle() {
    if (value != nullptr) ::CloseHandle(value);
  }
};

double CpuMilliseconds(HANDLE thread) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!::GetThreadTimes(thread, &created, &exited, &kernel, &user)) return -1.0;
  auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns units
}

BOOL CALLBACK MatchDownloadWindow(HWND hwnd, LPARAM found) {
  char name[64] = {};
  ::GetClassNameA(hwnd, name, sizeof name);
  if (std::string(name) != kDownloadWindowClass) return TRUE;
  *reinterpret_cast<HWND*>(found) = hwnd;
  return FALSE;
}

HWND WaitForDownloadWindow(DWORD thread) {
  for (DWORD waited = 0; waited < kWindowWaitMs; waited += 20) {
    HWND found = nullptr;
    ::EnumThreadWindows(thread, &MatchDownloadWindow, reinterpret_cast<LPARAM>(&found));
    if (found != nullptr) return found;
    ::Sleep(20);
  }
  return nullptr;
}

TEST(DownloadWindowClose, AfterACloseFromOutsideTheThreadWaitsWithoutSpinning) {
  // Another top-level window of the thread, hidden like the dialog during the download.
  HWND other = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 ::GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  Handle release{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  Handle self{nullptr};
  ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(),
                                &self.value, THREAD_QUERY_INFORMATION, FALSE, 0));
  const DWORD thread = ::GetCurrentThreadId();

  bool closed = false;
  double before = -1.0;
  double after = -1.0;
  WorkerThread outside([&] {
    if (HWND window = WaitForDownloadWindow(thread)) {
      // The close is handled first; a message for the other window is queued after it.
      closed = ::PostMessageA(window, WM_CLOSE, 0, 0) != FALSE;
      ::Sleep(kSettleMs);
      closed = ::PostMessageA(other, WM_CLOSE, 0, 0) && closed;
      ::Sleep(kSettleMs);
      before = CpuMilliseconds(self.value);
      ::Sleep(kMeasuredMs);
      after = CpuMilliseconds(self.value);
    }
    ::SetEvent(release.value);
  });
  RunWithDownloadWindow([&] { ::WaitForSingleObject(release.value, kDownloadBoundMs); },
                        "Connecting to the driver server...");
  outside.Join();
  ::DestroyWindow(other);

  ASSERT_TRUE(closed) << "the window appeared and the close was posted";
  ASSERT_GE(before, 0.0) << "the thread's times can be read";
  ASSERT_GE(after, before);
  std::printf("UI thread CPU over %lu ms after the close: %.1f ms\n",
              static_cast<unsigned long>(kMeasuredMs), after - before);
  EXPECT_LT(after - before, kMaxBusyMs);
}

}  // namespace
