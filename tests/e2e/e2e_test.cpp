// The built simulator program, driven from outside as a user would: a catalogue served on
// loopback, a pretend USB topology, the button pressed, the links read and clicked.
#include <windows.h>

#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <fstream>
#include <string>
#include <vector>

#include "files.h"
#include "loopback_server.h"
#include "program_driver.h"
#include "res/resource.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr auto kStartTimeout = seconds(60);
constexpr auto kExitTimeout = seconds(30);
constexpr auto kBrowserTimeout = seconds(30);

const char kCatalogue[] =
    "[MAIN]\r\nTotleNumber=2\r\n"
    "[Number1]\r\nvid=0x1234\r\npid=0x5678\r\n"
    "URL_XP_32=http://example.com/cam/xp32.exe\r\nURL_XP_64=http://example.com/cam/xp64.exe\r\n"
    "URL_Vista_32=http://example.com/cam/vista32.exe\r\nURL_Vista_64=http://example.com/cam/vista64.exe\r\n"
    "[Number2]\r\nvid=0x0c45\r\npid=0x6340\r\n"
    "URL_XP_32=http://example.com/other/xp32.exe\r\nURL_Vista_32=http://example.com/other/vista32.exe\r\n";

// Records that leave the 64-bit addresses, and the 32-bit ones, empty.
const char kCatalogueOfHalfRecords[] =
    "[MAIN]\r\nTotleNumber=3\r\n"
    "[Number1]\r\nvid=0x0c45\r\npid=0x6340\r\n"
    "URL_XP_32=http://example.com/other/xp32.exe\r\nURL_Vista_32=http://example.com/other/vista32.exe\r\n"
    "[Number2]\r\nvid=0x0c45\r\npid=0x6341\r\n"
    "URL_XP_64=http://example.com/other/xp64.exe\r\nURL_Vista_64=http://example.com/other/vista64.exe\r\n"
    "[Number3]\r\nvid=0x1234\r\npid=0x5678\r\n"
    "URL_XP_32=http://example.com/cam/xp32.exe\r\nURL_XP_64=http://example.com/cam/xp64.exe\r\n"
    "URL_Vista_32=http://example.com/cam/vista32.exe\r\nURL_Vista_64=http://example.com/cam/vista64.exe\r\n";
const char kCameraOf32BitDrivers[] = "controller 0\n  port 1 device 0x0c45 0x6340\n";
const char kCameraOf64BitDrivers[] = "controller 0\n  port 1 device 0x0c45 0x6341\n";

// What the program must say of the computer in each prefix (DETECTOR_WINE_VERSION; "" is this
// Wine's default, Windows 7) for each exe.
struct ThisComputer {
  const char* version;
  bool exeIs64Bit;
  const char* line;
  int link;
  const char* lineWithoutItsAddress;
};

const ThisComputer kComputers[] = {
    {"", true, "This computer: Windows 7, 64-bit. Its driver: 64bit Windows Vista.",
     IDC_LINK_VISTA64,
     "This computer: Windows 7, 64-bit. The catalogue holds no driver for this Windows for "
     "this camera."},
    {"win10", true, "This computer: Windows 10, 64-bit. Its driver: 64bit Windows Vista.",
     IDC_LINK_VISTA64,
     "This computer: Windows 10, 64-bit. The catalogue holds no driver for this Windows for "
     "this camera."},
    {"winxp64", true, "This computer: Windows XP x64, 64-bit. Its driver: 64bit WindowsXP.",
     IDC_LINK_XP64,
     "This computer: Windows XP x64, 64-bit. The catalogue holds no driver for this Windows for "
     "this camera."},
    {"win2003", true, "This computer: Windows Server 2003, 64-bit. Its driver: 64bit WindowsXP.",
     IDC_LINK_XP64,
     "This computer: Windows Server 2003, 64-bit. The catalogue holds no driver for this Windows "
     "for this camera."},
    {"", false, "This computer: Windows 7, 32-bit. Its driver: 32bit Windows Vista.",
     IDC_LINK_VISTA32,
     "This computer: Windows 7, 32-bit. The catalogue holds no driver for this Windows for "
     "this camera."},
    {"winxp", false, "This computer: Windows XP, 32-bit. Its driver: 32bit WindowsXP/Windows2000.",
     IDC_LINK_XP32,
     "This computer: Windows XP, 32-bit. The catalogue holds no driver for this Windows for "
     "this camera."},
    {"win2k", false,
     "This computer: Windows 2000, 32-bit. Its driver: 32bit WindowsXP/Windows2000.",
     IDC_LINK_XP32,
     "This computer: Windows 2000, 32-bit. The catalogue holds no driver for this Windows for "
     "this camera."},
};

const char kCameraBehindHub[] =
    "controller 0\n"
    "  port 1 device 0x046d 0xc077\n"
    "  port 2 hub 0x05e3 0x0608\n"
    "    port 1 empty\n"
    "    port 2 device 0x1234 0x5678\n"
    "controller 2 ports=2\n";

// Only the host-controller interface reaches controller 12.
const char kCameraOnController12[] =
    "controller 0\n"
    "  port 1 device 0x046d 0xc077\n"
    "controller 12\n"
    "  port 1 device 0x1234 0x5678\n";

const char kNoCamera[] =
    "controller 0\n"
    "  port 1 device 0x046d 0xc077\n"
    "  port 2 device 0x1234 0x5678 status=2\n";

const int kLinks[] = {IDC_LINK_XP32, IDC_LINK_XP64, IDC_LINK_VISTA32, IDC_LINK_VISTA64};

struct AccessibleLink {
  HRESULT found = E_FAIL;
  LONG role = 0;
  std::wstring name;
  std::wstring description;
  bool described = false;       // S_OK and a text, as for a description of its own
  bool childDescribed = false;  // the same asked of a child, which a link does not have
};

// What a screen reader, a program of its own, learns of a link of the running program.
AccessibleLink AskAsAScreenReader(HWND link) {
  AccessibleLink seen;
  IAccessible* object = nullptr;
  seen.found = AccessibleObjectFromWindow(link, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible), reinterpret_cast<void**>(&object));
  if (FAILED(seen.found) || object == nullptr) return seen;
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT role{};
  if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4) seen.role = role.lVal;
  BSTR name = nullptr;
  if (SUCCEEDED(object->get_accName(self, &name)) && name != nullptr) seen.name = name;
  SysFreeString(name);
  BSTR description = nullptr;
  const HRESULT described = object->get_accDescription(self, &description);
  if (SUCCEEDED(described) && description != nullptr) seen.description = description;
  seen.described = described == S_OK && description != nullptr;
  SysFreeString(description);
  VARIANT child = self;
  child.lVal = 1;
  description = nullptr;
  seen.childDescribed = object->get_accDescription(child, &description) == S_OK &&
                        description != nullptr && description[0] != L'\0';
  SysFreeString(description);
  object->Release();
  return seen;
}

// A prefix made for an old Windows (DETECTOR_WINE_VERSION, as winecfg names it) must report it,
// or the cases run there prove nothing more than the others.
void ExpectTheWindowsAskedFor() {
  struct Version {
    const char* name;
    DWORD major, minor;
  };
  const Version kVersions[] = {
      {"win2k", 5, 0}, {"winxp", 5, 1}, {"winxp64", 5, 2}, {"win2003", 5, 2}, {"win10", 10, 0}};
  char asked[32] = {};
  if (GetEnvironmentVariableA("DETECTOR_WINE_VERSION", asked, sizeof asked) == 0) return;
  // GetVersionEx tells an exe without a manifest that Windows 10 is 8 (6.2).
  using GetVersion = LONG WINAPI(OSVERSIONINFOW*);
  const auto getVersion = reinterpret_cast<GetVersion*>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
  ASSERT_NE(getVersion, nullptr);
  OSVERSIONINFOW reported{};
  reported.dwOSVersionInfoSize = sizeof reported;
  ASSERT_EQ(getVersion(&reported), 0);
  for (const Version& version : kVersions) {
    if (std::string(asked) != version.name) continue;
    EXPECT_EQ(reported.dwMajorVersion, version.major) << asked;
    EXPECT_EQ(reported.dwMinorVersion, version.minor) << asked;
    return;
  }
  FAIL() << "no expected version for " << asked;
}

class EndToEnd : public testing::Test {
 protected:
  // The loopback server runs in this process and needs WinSock started here.
  // A screen reader's questions need COM here.
  static void SetUpTestSuite() {
    StartSockets();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }
  static void TearDownTestSuite() {
    CoUninitialize();
    CleanUpSockets();
  }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ExpectTheWindowsAskedFor());
    program = WinePath(DETECTOR_SIM_EXE);
    ASSERT_TRUE(FileExists(program)) << "the built program: " << program;
    browserRecord = WinePath(DETECTOR_BROWSER_RECORD);
    DeleteFileA(browserRecord.c_str());
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    topology = std::string(temp) + "e2e-topology.txt";
  }

  void TearDown() override { DeleteFileA(topology.c_str()); }

  // Serves the catalogue, starts the program on `usb` and waits for its dialog.
  HWND StartWith(const char* usb, const char* catalogue = kCatalogue) {
    std::ofstream(topology, std::ios::binary) << usb;
    ServerScript script;
    script.pieces = {catalogue};
    if (!server.Start(script)) return nullptr;
    if (!driver.Start(program, {"DETECTOR_USB_TOPOLOGY=" + topology})) return nullptr;
    return driver.WaitForDialog(kStartTimeout);
  }

  // Closes the dialog as the close box does and checks that nothing is left behind.
  void CloseAndCheckCleanUp(HWND dialog) {
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(driver.WaitForExit(kExitTimeout));
    EXPECT_FALSE(FileExists(CatalogueFilePath())) << "the catalogue file is deleted at the end";
  }

  std::string program, browserRecord, topology;
  LoopbackServer server;
  ProgramDriver driver;
};

TEST_F(EndToEnd, CameraBehindAHubShowsItsFourLinksAndAClickOpensTheAddress) {
  HWND dialog = StartWith(kCameraBehindHub);
  ASSERT_NE(dialog, nullptr) << "the dialog appears";
  EXPECT_TRUE(FileExists(CatalogueFilePath())) << "the catalogue is stored while the program runs";
  for (int id : kLinks) EXPECT_FALSE(ViewControl(dialog, id).visible) << id;
  EXPECT_FALSE(ViewControl(dialog, IDC_STATUS_TEXT).visible);
  EXPECT_TRUE(ViewControl(dialog, IDC_CHECK_DEVICE).visible);

  PressButton(dialog, IDC_CHECK_DEVICE);
  EXPECT_EQ(ViewControl(dialog, IDC_LINK_XP32).text, "Download 32bit WindowsXP/Windows2000 driver");
  EXPECT_EQ(ViewControl(dialog, IDC_LINK_XP64).text, "Download 64bit WindowsXP driver");
  EXPECT_EQ(ViewControl(dialog, IDC_LINK_VISTA32).text, "Download 32bit Windows Vista driver");
  EXPECT_EQ(ViewControl(dialog, IDC_LINK_VISTA64).text, "Download 64bit Windows Vista driver");
  for (int id : kLinks) EXPECT_TRUE(ViewControl(dialog, id).visible) << id;
  EXPECT_FALSE(ViewControl(dialog, IDC_STATUS_TEXT).visible);
  const AccessibleLink link = AskAsAScreenReader(GetDlgItem(dialog, IDC_LINK_XP64));
  EXPECT_EQ(link.found, S_OK);
  EXPECT_EQ(link.role, ROLE_SYSTEM_LINK);
  EXPECT_EQ(link.name, L"Download 64bit WindowsXP driver");

  ClickControl(dialog, IDC_LINK_VISTA32);
  EXPECT_EQ(WaitForLines(browserRecord, 1, kBrowserTimeout),
            std::vector<std::string>{"http://example.com/cam/vista32.exe"});

  PressButton(dialog, IDC_CHECK_DEVICE);  // a second press changes nothing
  for (int id : kLinks) EXPECT_TRUE(ViewControl(dialog, id).visible) << id;
  EXPECT_FALSE(ViewControl(dialog, IDC_STATUS_TEXT).visible);
  CloseAndCheckCleanUp(dialog);
}

TEST_F(EndToEnd, CameraOnAControllerBeyondTheLegacyNamesShowsItsLinks) {
  HWND dialog = StartWith(kCameraOnController12);
  ASSERT_NE(dialog, nullptr);
  PressButton(dialog, IDC_CHECK_DEVICE);
  for (int id : kLinks) EXPECT_TRUE(ViewControl(dialog, id).visible) << id;
  EXPECT_FALSE(ViewControl(dialog, IDC_STATUS_TEXT).visible);
  CloseAndCheckCleanUp(dialog);
}

TEST_F(EndToEnd, NoCatalogueDeviceConnectedSaysSo) {
  HWND dialog = StartWith(kNoCamera);
  ASSERT_NE(dialog, nullptr);
  PressButton(dialog, IDC_CHECK_DEVICE);
  ControlView status = ViewControl(dialog, IDC_STATUS_TEXT);
  EXPECT_TRUE(status.visible);
  EXPECT_EQ(status.text, "There is no Quenlix's Device!");
  for (int id : kLinks) EXPECT_FALSE(ViewControl(dialog, id).visible) << id;
  CloseAndCheckCleanUp(dialog);
}

TEST_F(EndToEnd, CameraPluggedInWhileTheDialogIsOpenIsFoundAtTheNextPress) {
  HWND dialog = StartWith(kNoCamera);
  ASSERT_NE(dialog, nullptr);
  PressButton(dialog, IDC_CHECK_DEVICE);
  EXPECT_EQ(ViewControl(dialog, IDC_STATUS_TEXT).text, "There is no Quenlix's Device!");
  ASSERT_TRUE(ViewControl(dialog, IDC_STATUS_TEXT).visible);

  std::ofstream(topology, std::ios::binary | std::ios::trunc) << kCameraBehindHub;
  PressButton(dialog, IDC_CHECK_DEVICE);
  for (int id : kLinks) EXPECT_TRUE(ViewControl(dialog, id).visible) << id;
  EXPECT_FALSE(ViewControl(dialog, IDC_STATUS_TEXT).visible);
  CloseAndCheckCleanUp(dialog);
}

const ThisComputer* ThisPrefixsComputer() {
  char asked[32] = {};
  GetEnvironmentVariableA("DETECTOR_WINE_VERSION", asked, sizeof asked);
  for (const ThisComputer& computer : kComputers) {
    if (computer.exeIs64Bit == (sizeof(void*) == 8) && std::string(asked) == computer.version) {
      return &computer;
    }
  }
  return nullptr;
}

HWND FocusOf(HWND dialog) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

RECT RectIn(HWND dialog, int id) {
  RECT rect{};
  GetWindowRect(GetDlgItem(dialog, id), &rect);
  MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST_F(EndToEnd, AfterAMatchTheLineNamesThisComputerAndItsLinkIsMarkedAndFocused) {
  const ThisComputer* const computer = ThisPrefixsComputer();
  ASSERT_NE(computer, nullptr) << "no row for this prefix";
  HWND dialog = StartWith(computer->exeIs64Bit ? kCameraOf32BitDrivers : kCameraOf64BitDrivers,
                          kCatalogueOfHalfRecords);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(ViewControl(dialog, IDC_THIS_COMPUTER).visible) << "nothing before a match";
  PressButton(dialog, IDC_CHECK_DEVICE);
  ControlView line = ViewControl(dialog, IDC_THIS_COMPUTER);
  EXPECT_TRUE(line.visible);
  EXPECT_EQ(line.text, computer->lineWithoutItsAddress);
  EXPECT_FALSE(ViewControl(dialog, IDC_FIT_MARK).visible);
  EXPECT_EQ(FocusOf(dialog), GetDlgItem(dialog, IDC_CHECK_DEVICE));

  std::ofstream(topology, std::ios::binary | std::ios::trunc) << kCameraBehindHub;
  PressButton(dialog, IDC_CHECK_DEVICE);
  line = ViewControl(dialog, IDC_THIS_COMPUTER);
  EXPECT_TRUE(line.visible);
  EXPECT_EQ(line.text, computer->line);
  EXPECT_EQ(FocusOf(dialog), GetDlgItem(dialog, computer->link));
  ASSERT_TRUE(ViewControl(dialog, IDC_FIT_MARK).visible);
  const RECT mark = RectIn(dialog, IDC_FIT_MARK);
  const RECT link = RectIn(dialog, computer->link);
  EXPECT_EQ(mark.top, link.top);
  EXPECT_EQ(mark.bottom, link.bottom);
  EXPECT_LE(mark.right, link.left);
  for (int id : kLinks) {
    const AccessibleLink seen = AskAsAScreenReader(GetDlgItem(dialog, id));
    EXPECT_EQ(seen.description, id == computer->link ? L"The driver for this computer" : L"") << id;
    EXPECT_EQ(seen.described, id == computer->link) << id;
    EXPECT_FALSE(seen.childDescribed) << id;
  }

  // Enter, as the keyboard delivers it to the focused control, opens the link.
  const HWND focused = FocusOf(dialog);
  PostMessageA(focused, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageA(focused, WM_KEYUP, VK_RETURN, 0xC0000001);
  const char* const kCameraAddresses[] = {
      "http://example.com/cam/xp32.exe", "http://example.com/cam/xp64.exe",
      "http://example.com/cam/vista32.exe", "http://example.com/cam/vista64.exe"};
  const auto slot = std::find(std::begin(kLinks), std::end(kLinks), computer->link) - kLinks;
  EXPECT_EQ(WaitForLines(browserRecord, 1, kBrowserTimeout),
            std::vector<std::string>{kCameraAddresses[slot]});
  CloseAndCheckCleanUp(dialog);
}

TEST_F(EndToEnd, NoServerEndsTheProgramAfterTheMessage) {
  std::ofstream(topology, std::ios::binary) << kCameraBehindHub;
  ASSERT_TRUE(server.Refuse());  // holds the port so that nobody answers
  ASSERT_TRUE(driver.Start(program, {"DETECTOR_USB_TOPOLOGY=" + topology}));
  HWND box = driver.WaitForWindow("#32770", "Error", kStartTimeout);
  ASSERT_NE(box, nullptr) << "the failure message box appears";
  EXPECT_NE(WindowText(GetDlgItem(box, 0xFFFF)).find("Can not get internet driver information"),
            std::string::npos);
  PressButton(box, IDOK);
  DWORD exitCode = 0;
  EXPECT_TRUE(driver.WaitForExit(kExitTimeout, &exitCode));
  EXPECT_EQ(driver.WaitForDialog(milliseconds(0)), nullptr);
  EXPECT_FALSE(FileExists(CatalogueFilePath())) << "no temporary file is left";
}

}  // namespace
