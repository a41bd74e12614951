// Another process reaches for the running program's objects: it gives the dialog's own
// "Check Device" button the window property a framework might keep its object in, names that
// button in a command, and sends and posts numbers whose lParam is a pointer into its own
// memory. The program must follow none of them (CTest runs this with Wine's exception tracing
// and fails on an access violation anywhere in the trace), and "Check Device" must still work.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>

#include "files.h"
#include "loopback_server.h"
#include "program_driver.h"
#include "res/resource.h"

namespace {

using std::chrono::seconds;

constexpr auto kStartTimeout = seconds(60);
constexpr auto kExitTimeout = seconds(30);
constexpr UINT kSendTimeoutMs = 10000;
constexpr DWORD kPressWaitMs = 30000;

const char kCatalogue[] =
    "[MAIN]\r\nTotleNumber=1\r\n"
    "[Number1]\r\nvid=0x1234\r\npid=0x5678\r\n"
    "URL_XP_32=http://example.com/cam/xp32.exe\r\nURL_XP_64=http://example.com/cam/xp64.exe\r\n"
    "URL_Vista_32=http://example.com/cam/vista32.exe\r\nURL_Vista_64=http://example.com/cam/vista64.exe\r\n";

const char kNoCamera[] =
    "controller 0\n"
    "  port 1 device 0x046d 0xc077\n";
const char kCamera[] =
    "controller 0\n"
    "  port 1 device 0x1234 0x5678\n";

const int kLinks[] = {IDC_LINK_XP32, IDC_LINK_XP64, IDC_LINK_VISTA32, IDC_LINK_VISTA64};

// Nothing in this process lives at these addresses, let alone in the program.
const auto kPlantedObject = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x4141414141));
constexpr LPARAM kForeignPointer = 0x10;

// A number the reflection of WM_NOTIFY once went under (0xBC00 + WM_NOTIFY).
constexpr UINT kOldReflectedNotify = 0xBC4E;
constexpr UINT kDpiChanged = 0x02E0;
constexpr UINT kSysTimer = 0x0118;  // WM_SYSTIMER, which the headers leave out
const auto kPlantedAddress = static_cast<LPARAM>(reinterpret_cast<ULONG_PTR>(kPlantedObject));

TEST(ForeignProcess, APlantedPropertyAndForeignPointersAreNeverFollowed) {
  StartSockets();
  const std::string program = WinePath(DETECTOR_SIM_EXE);
  ASSERT_TRUE(FileExists(program)) << program;
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string topology = std::string(temp) + "foreign-messages-topology.txt";
  std::ofstream(topology, std::ios::binary) << kNoCamera;

  LoopbackServer server;
  ServerScript script;
  script.pieces = {kCatalogue};
  ASSERT_TRUE(server.Start(script));
  ProgramDriver driver;
  ASSERT_TRUE(driver.Start(program, {"DETECTOR_USB_TOPOLOGY=" + topology}));
  HWND dialog = driver.WaitForDialog(kStartTimeout);
  ASSERT_NE(dialog, nullptr);
  HWND button = GetDlgItem(dialog, IDC_CHECK_DEVICE);
  ASSERT_NE(button, nullptr);
  ASSERT_TRUE(SetPropA(button, "DetectorFrameworkWnd", kPlantedObject));

  enum class Way { kSend, kPost };
  struct Probe {
    const char* what;
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    Way way;
    DWORD_PTR answer;  // to a send
  };
  HWND link = GetDlgItem(dialog, IDC_LINK_XP32);
  // Enter, as the dialog manager would ask the link about it, but from this process: Windows
  // hands the address over as it is, Wine a copy (and it reads the MSG here, so the address
  // must be readable in this process). Either way the link must not take the key.
  const MSG enter{link, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
  const auto enterAddress = reinterpret_cast<LPARAM>(&enter);
  const Probe probes[] = {
      {"a command naming the button", dialog, WM_COMMAND, MAKEWPARAM(IDC_CHECK_DEVICE, BN_CLICKED),
       reinterpret_cast<LPARAM>(button), Way::kSend, 0},
      {"a private number", dialog, kOldReflectedNotify, 0, kForeignPointer, Way::kSend, 0},
      {"a private number to a link", link, kOldReflectedNotify, 0, kForeignPointer, Way::kSend, 0},
      // Wine refuses to send WM_NOTIFY to another process; Windows delivers the pointer as it is.
      {"WM_NOTIFY sent", dialog, WM_NOTIFY, IDC_CHECK_DEVICE, kForeignPointer, Way::kSend, 0},
      {"WM_NOTIFY posted", dialog, WM_NOTIFY, IDC_CHECK_DEVICE, kForeignPointer, Way::kPost, 0},
      // Wine's screen has 96 DPI: a change to any other is no move the system made.
      {"WM_DPICHANGED sent, 1 DPI", dialog, kDpiChanged, MAKEWPARAM(1, 1), kForeignPointer,
       Way::kSend, 0},
      {"WM_DPICHANGED sent, 192 DPI", dialog, kDpiChanged, MAKEWPARAM(192, 192), kForeignPointer,
       Way::kSend, 0},
      {"WM_DPICHANGED sent, 96 by 192 DPI", dialog, kDpiChanged, MAKEWPARAM(96, 192),
       kForeignPointer, Way::kSend, 0},
      {"WM_DPICHANGED sent, the screen's 96 DPI", dialog, kDpiChanged, MAKEWPARAM(96, 96),
       kForeignPointer, Way::kSend, 0},
      {"WM_DPICHANGED posted", dialog, kDpiChanged, MAKEWPARAM(144, 144), kForeignPointer,
       Way::kPost, 0},
      {"WM_GETDLGCODE sent to a link", link, WM_GETDLGCODE, 0, enterAddress, Way::kSend,
       DLGC_STATIC},
      // Wine refuses this post (ERROR_MESSAGE_SYNC_ONLY); a system that took it must not harm.
      {"WM_GETDLGCODE posted to a link", link, WM_GETDLGCODE, 0, kForeignPointer, Way::kPost, 0},
      // The lParam of a queued timer message is a procedure to call.
      {"WM_TIMER posted", dialog, WM_TIMER, 1, kForeignPointer, Way::kPost, 0},
      {"WM_TIMER posted to a link", link, WM_TIMER, 1, kPlantedAddress, Way::kPost, 0},
      {"WM_SYSTIMER posted", dialog, kSysTimer, 1, kForeignPointer, Way::kPost, 0},
      {"WM_SYSTIMER posted to a link", link, kSysTimer, 1, kPlantedAddress, Way::kPost, 0},
  };
  RECT before{};
  ASSERT_TRUE(GetWindowRect(dialog, &before));
  for (const Probe& probe : probes) {
    SCOPED_TRACE(probe.what);
    if (probe.way == Way::kSend) {
      DWORD_PTR answer = 0;
      SendMessageTimeoutA(probe.window, probe.message, probe.wParam, probe.lParam,
                          SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer);
      EXPECT_EQ(answer, probe.answer);
      if (probe.message == kDpiChanged) {
        RECT after{};
        ASSERT_TRUE(GetWindowRect(dialog, &after));
        EXPECT_EQ(after.left, before.left);
        EXPECT_EQ(after.top, before.top);
        EXPECT_EQ(after.right, before.right);
        EXPECT_EQ(after.bottom, before.bottom);
      }
    } else {
      PostMessageA(probe.window, probe.message, probe.wParam, probe.lParam);
    }
    ASSERT_NE(driver.WaitForDialog(seconds(0)), nullptr) << "the program still runs";
  }

  // The camera arrives only now, so the links can come from this press alone. The press is
  // queued behind the posted probes: once the links show, every probe has been taken.
  std::ofstream(topology, std::ios::binary | std::ios::trunc) << kCamera;
  PostMessageA(button, BM_CLICK, 0, 0);
  const DWORD start = GetTickCount();
  while (!ViewControl(dialog, IDC_LINK_VISTA64).visible && GetTickCount() - start < kPressWaitMs &&
         driver.WaitForDialog(seconds(0)) != nullptr) {
    Sleep(20);
  }
  RECT afterPosts{};
  ASSERT_TRUE(GetWindowRect(dialog, &afterPosts)) << "the program still runs";
  EXPECT_EQ(afterPosts.left, before.left) << "a posted DPI change is never dispatched";
  EXPECT_EQ(afterPosts.top, before.top);
  EXPECT_EQ(afterPosts.right, before.right);
  EXPECT_EQ(afterPosts.bottom, before.bottom);
  for (int id : kLinks) EXPECT_TRUE(ViewControl(dialog, id).visible) << id;
  EXPECT_EQ(ViewControl(dialog, IDC_LINK_XP32).text, "Download 32bit WindowsXP/Windows2000 driver");
  EXPECT_FALSE(ViewControl(dialog, IDC_STATUS_TEXT).visible);

  PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  DWORD exitCode = 1;
  EXPECT_TRUE(driver.WaitForExit(kExitTimeout, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  server.Stop();
  DeleteFileA(topology.c_str());
  CleanUpSockets();
}

}  // namespace
