// A long session of the simulator program, driven from outside: "Check Device" pressed 2,000
// times while the topology file alternates between two machines, the about box opened and
// closed 200 times, a shown link hovered and left 2,000 times. Prints the program's memory
// and its own counts of live fonts, tooltips and cursor copies before and after (the system's
// counts of GUI objects and handles answer 0 under Wine). Serves the catalogue on
// 127.0.0.1:80 itself: run it as root, with nothing else on that port.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "framework/live_objects.h"
#include "loopback_server.h"
#include "program_driver.h"
#include "res/resource.h"

namespace {

using std::chrono::milliseconds;
constexpr auto kWindowTimeout = std::chrono::seconds(120);
constexpr auto kStepTimeout = milliseconds(5000);
constexpr int kPresses = 2000;
constexpr int kAboutBoxes = 200;
constexpr int kHovers = 2000;
constexpr int kWarmUpRounds = 5;

const char kCatalogue[] =
    "[MAIN]\r\nTotleNumber=1\r\n[Number1]\r\nvid=0x1234\r\npid=0x5678\r\n"
    "URL_XP_32=http://example.com/cam/xp32.exe\r\nURL_XP_64=http://example.com/cam/xp64.exe\r\n"
    "URL_Vista_32=http://example.com/cam/vista32.exe\r\n"
    "URL_Vista_64=http://example.com/cam/vista64.exe\r\n";

// The camera behind a hub, and the same machine with the camera unplugged.
const char* const kMachines[] = {
    "controller 0\n  port 1 device 0x046d 0xc077\n  port 2 hub 0x05e3 0x0608\n"
    "    port 1 empty\n    port 2 device 0x1234 0x5678\n",
    "controller 0\n  port 1 device 0x046d 0xc077\n  port 2 hub 0x05e3 0x0608\n"
    "    port 1 empty\n    port 2 empty\n",
};

struct Snapshot {
  SIZE_T workingSetKiB = 0;
  SIZE_T privateKiB = 0;
  long live[static_cast<int>(LiveObject::kKinds)] = {};
};

Snapshot Take(HANDLE process, HWND dialog, UINT countMessage) {
  Snapshot shot;
  // The commit charge is the private bytes; Wine fills it in only as PagefileUsage.
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process, &memory, sizeof memory)) {
    shot.workingSetKiB = memory.WorkingSetSize / 1024;
    shot.privateKiB = memory.PagefileUsage / 1024;
  }
  for (int kind = 0; kind < static_cast<int>(LiveObject::kKinds); ++kind) {
    DWORD_PTR answer = static_cast<DWORD_PTR>(-2);  // -2: no answer
    SendMessageTimeoutA(dialog, countMessage, static_cast<WPARAM>(kind), 0, SMTO_ABORTIFHUNG,
                        5000, &answer);
    shot.live[kind] = static_cast<long>(answer);
  }
  return shot;
}

void Print(const char* when, const Snapshot& shot) {
  std::printf("%-26s working set %7zu KiB, private %7zu KiB, live fonts %ld, tooltips %ld, "
              "cursor copies %ld\n",
              when, static_cast<size_t>(shot.workingSetKiB), static_cast<size_t>(shot.privateKiB),
              shot.live[0], shot.live[1], shot.live[2]);
}

long long Growth(SIZE_T after, SIZE_T before) {
  return static_cast<long long>(after) - static_cast<long long>(before);
}

template <typename Done>
bool WaitUntil(Done done) {
  auto deadline = std::chrono::steady_clock::now() + kStepTimeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(milliseconds(1));
  }
  return true;
}

HWND CaptureOf(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) ? info.hwndCapture : nullptr;
}

class Session {
 public:
  Session(ProgramDriver& driver, HWND dialog, std::string topology)
      : driver_(driver), dialog_(dialog), topology_(std::move(topology)),
        thread_(GetWindowThreadProcessId(dialog, nullptr)) {}

  void Press() {
    std::ofstream(topology_, std::ios::binary | std::ios::trunc) << kMachines[presses_++ % 2];
    PressButton(dialog_, IDC_CHECK_DEVICE);
  }

  // Through the system menu's about item, closed with its OK button, as a user does.
  void OpenAndCloseAbout() {
    PostMessageA(dialog_, WM_SYSCOMMAND, IDM_ABOUT, 0);
    HWND about = driver_.WaitForWindow("#32770", "About", kStepTimeout);
    if (about == nullptr) {
      ++failedAbout_;
      return;
    }
    PressButton(about, IDOK);
    if (!WaitUntil([&] { return !IsWindow(about); })) ++failedAbout_;
  }

  // Posted, so each move goes through the program's own loop and its tooltip relay; the
  // label's capture shows that it has taken each one.
  void HoverAndLeave() {
    HWND link = GetDlgItem(dialog_, IDC_LINK_XP32);
    PostMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    if (!WaitUntil([&] { return CaptureOf(thread_) == link; })) ++failedHover_;
    PostMessageA(link, WM_MOUSEMOVE, 0, MAKELPARAM(-20, -20));
    if (!WaitUntil([&] { return CaptureOf(thread_) != link; })) ++failedLeave_;
  }

  void PrintFailures() const {
    std::printf("steps that timed out: about box %d, hover %d, leave %d\n", failedAbout_,
                failedHover_, failedLeave_);
  }

 private:
  ProgramDriver& driver_;
  HWND dialog_;
  std::string topology_;
  DWORD thread_;
  int presses_ = 0;
  int failedAbout_ = 0;
  int failedHover_ = 0;
  int failedLeave_ = 0;
};

std::string Beside(const char* name) {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string self(path, length);
  return self.substr(0, self.find_last_of('\\') + 1) + name;
}

// Wine has no help viewer, so the labels would never copy its hand cursor: a stand-in with
// that cursor is put in the Windows folder for the run, and taken away again.
class StandInHelpViewer {
 public:
  StandInHelpViewer() {
    char folder[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
    path_ = std::string(folder, length) + "\\winhlp32.exe";
    placed_ = CopyFileA(Beside("link_label_help_viewer.exe").c_str(), path_.c_str(), TRUE) != FALSE;
  }
  ~StandInHelpViewer() {
    if (placed_) DeleteFileA(path_.c_str());
  }
  StandInHelpViewer(const StandInHelpViewer&) = delete;
  StandInHelpViewer& operator=(const StandInHelpViewer&) = delete;
  bool Placed() const { return placed_; }

 private:
  std::string path_;
  bool placed_ = false;
};

}  // namespace

int main() {
  WSADATA data;
  WSAStartup(0x0101, &data);
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string topology = std::string(temp) + "soak-bench-topology.txt";
  std::ofstream(topology, std::ios::binary | std::ios::trunc) << kMachines[1];

  LoopbackServer server;
  ServerScript script;
  script.pieces = {kCatalogue};
  if (!server.Start(script)) {
    std::printf("could not serve the catalogue on 127.0.0.1:80\n");
    return 1;
  }
  const StandInHelpViewer viewer;
  ProgramDriver driver;
  if (!driver.Start(Beside("detector-sim.exe"), {"DETECTOR_USB_TOPOLOGY=" + topology})) {
    std::printf("could not start detector-sim.exe\n");
    return 1;
  }
  HWND dialog = driver.WaitForDialog(kWindowTimeout);
  if (dialog == nullptr) {
    std::printf("the dialog did not appear\n");
    return 1;
  }
  const UINT countMessage = RegisterWindowMessageA(kLiveCountMessageName);
  Session session(driver, dialog, topology);

  const Snapshot started = Take(driver.Process(), dialog, countMessage);
  // One round of everything first: what the system sets up once is not growth.
  for (int i = 0; i < kWarmUpRounds; ++i) {
    session.Press();
    session.OpenAndCloseAbout();
    session.HoverAndLeave();
  }
  const Snapshot before = Take(driver.Process(), dialog, countMessage);

  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kPresses; ++i) session.Press();
  const bool linksShown = ViewControl(dialog, IDC_LINK_XP32).visible;
  for (int i = 0; i < kAboutBoxes; ++i) session.OpenAndCloseAbout();
  for (int i = 0; i < kHovers; ++i) session.HoverAndLeave();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const Snapshot after = Take(driver.Process(), dialog, countMessage);

  std::printf("soak: %d presses (topology alternating), %d about boxes, %d hovers in %.1f s; "
              "links shown: %s\n",
              kPresses, kAboutBoxes, kHovers, seconds, linksShown ? "yes" : "NO");
  session.PrintFailures();
  if (!viewer.Placed()) std::printf("(the Windows folder has a help viewer of its own)\n");
  Print("dialog shown", started);
  Print("after a warm-up (before)", before);
  Print("after the soak", after);
  std::printf("growth over the soak: working set %+lld KiB, private %+lld KiB\n",
              Growth(after.workingSetKiB, before.workingSetKiB),
              Growth(after.privateKiB, before.privateKiB));

  PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  driver.WaitForExit(std::chrono::seconds(30));
  DeleteFileA(topology.c_str());
  WSACleanup();
  return 0;
}
