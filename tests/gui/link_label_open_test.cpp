// Clicking a link label for real under Wine: the shell hands web addresses to the desktop's
// launcher (a recorder on PATH), the registered HTML program runs through the registry
// fallback (a recorder registered by the test), and refused targets run nothing.
#include <gtest/gtest.h>
#include <windows.h>

#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/link_label/link_label.h"
#include "files.h"
#include "framework/data_exchange.h"
#include "framework/system_functions.h"
#include "framework/window_dpi.h"
#include "link_label_import_patch.h"
#include "link_label_test_dialog.h"
#include "window_text.h"

namespace {

constexpr int kLinkId = 1006;
constexpr std::chrono::milliseconds kLaunchTimeout(30000);
constexpr INT_PTR kNoAssociation = SE_ERR_NOASSOC;
constexpr const char* kTestFileType = "LinkLabelTestPage";
constexpr COLORREF kVisited = RGB(85, 26, 139);

const std::vector<TestControl> kControls = {
    {kLinkId, SS_LEFT, 19, 46, 124, 11, "Download 64bit WindowsXP driver"},
};

// --- what the label asked of the system ----------------------------------------------------

struct SystemCalls {
  int shell = 0;
  int winExec = 0;
  std::vector<std::string> commandLines;
  std::vector<UINT> beeps;
  bool shellFails = false;  // answer the shell as if no program were associated
  decltype(&::ShellExecuteA) realShell = nullptr;
  decltype(&::WinExec) realWinExec = nullptr;
};
SystemCalls g_calls;

HINSTANCE WINAPI CountShell(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR params, LPCSTR dir,
                            INT show) {
  ++g_calls.shell;
  if (g_calls.shellFails) return reinterpret_cast<HINSTANCE>(kNoAssociation);
  return g_calls.realShell(owner, verb, file, params, dir, show);
}

UINT WINAPI CountWinExec(LPCSTR commandLine, UINT show) {
  ++g_calls.winExec;
  g_calls.commandLines.push_back(commandLine);
  return g_calls.realWinExec(commandLine, show);
}

BOOL WINAPI RecordBeep(UINT type) {
  g_calls.beeps.push_back(type);
  return TRUE;
}

// --- files the recorders write ---------------------------------------------------------------

std::string BesideThisProgram(const char* name) {
  char path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path, length);
  return text.substr(0, text.find_last_of('\\') + 1) + name;
}

// --- registry keys the fallback reads --------------------------------------------------------

void SetDefaultValue(const std::string& subKey, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(::RegSetValueExA(key, nullptr, 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
  ::RegCloseKey(key);
}

void SetDefaultText(const std::string& subKey, const std::string& text) {
  SetDefaultValue(subKey, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

const std::string kCommandKey = std::string(kTestFileType) + "\\shell\\open\\command";

class LinkLabelOpen : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(dialog.Hwnd(), nullptr);
    xdgRecord = WinePathVariable("LINK_LABEL_XDG_RECORD");
    ASSERT_FALSE(xdgRecord.empty()) << "the test runs with the xdg-open recorder on PATH";
    ::DeleteFileA(xdgRecord.c_str());

    char temp[MAX_PATH] = {};
    ASSERT_NE(::GetTempPathA(MAX_PATH, temp), 0u);
    programRecord = std::string(temp) + "link_label_program.txt";
    ::DeleteFileA(programRecord.c_str());
    ::SetEnvironmentVariableA("LINK_LABEL_RECORD", programRecord.c_str());
    recorder = BesideThisProgram("link_label_recorder.exe");
    ASSERT_NE(::GetFileAttributesA(recorder.c_str()), INVALID_FILE_ATTRIBUTES) << recorder;

    g_calls = SystemCalls{};
    g_calls.realShell = shellPatch.Original();
    g_calls.realWinExec = winExecPatch.Original();

    CDataExchange exchange(&dialog.Frame(), FALSE);
    DDX_Control(&exchange, kLinkId, label);
    ASSERT_FALSE(exchange.m_failed);
  }

  void TearDown() override { ClearRegistration(); }

  static void ClearRegistration() {
    ::SHDeleteKeyA(HKEY_CLASSES_ROOT, ".htm");
    ::SHDeleteKeyA(HKEY_CLASSES_ROOT, kTestFileType);
  }

  void Click() { SendStaticClick(dialog.Hwnd(), label.m_hWnd); }
  COLORREF Drawn() { return QueryLabelColor(dialog.Hwnd(), label.m_hWnd).text; }

  void RegisterHtmlProgram(const std::string& commandTemplate, DWORD type = REG_SZ) {
    SetDefaultText(".htm", kTestFileType);
    SetDefaultValue(kCommandKey, type, commandTemplate.c_str(),
                    static_cast<DWORD>(commandTemplate.size() + 1));
  }

  ImportPatch<decltype(&::ShellExecuteA)> shellPatch{g_shellExecuteSlot, &CountShell};
  ImportPatch<decltype(&::WinExec)> winExecPatch{g_winExecSlot, &CountWinExec};
  ImportPatch<decltype(&::MessageBeep)> beepPatch{g_messageBeepSlot, &RecordBeep};
  std::string xdgRecord;
  std::string programRecord;
  std::string recorder;
  CLinkLabel label;
  LinkTestDialog dialog{kControls};
};

TEST_F(LinkLabelOpen, ShellHandsTheAddressToTheBrowserEncodedAsABrowserWould) {
  label.SetTarget("http://127.0.0.1:9/drivers/PC Camera.zip?lang=en&v=%201");
  Click();
  EXPECT_EQ(g_calls.shell, 1);
  EXPECT_EQ(g_calls.winExec, 0);
  EXPECT_TRUE(g_calls.beeps.empty());
  EXPECT_EQ(WaitForLines(xdgRecord, 1, kLaunchTimeout),
            std::vector<std::string>{"http://127.0.0.1:9/drivers/PC%20Camera.zip?lang=en&v=%201"});
  EXPECT_EQ(Drawn(), kVisited);
  EXPECT_TRUE(HasPendingPaint(label.m_hWnd));
}

TEST_F(LinkLabelOpen, ClickWhileHoveringShowsVisitedAndKeepsTheCapture) {
  label.SetTarget("https://127.0.0.1:9/vista64.zip");
  SendMouseMove(label.m_hWnd, 1, 1);
  ASSERT_EQ(::GetCapture(), label.m_hWnd);
  ::ValidateRect(label.m_hWnd, nullptr);

  Click();
  EXPECT_EQ(::GetCapture(), label.m_hWnd);
  EXPECT_EQ(Drawn(), kVisited);  // no longer hovering
  EXPECT_TRUE(HasPendingPaint(label.m_hWnd));

  SendMouseMove(label.m_hWnd, 5000, 5000);  // still captured: hovering starts anywhere
  EXPECT_EQ(Drawn(), ::GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(::GetCapture(), label.m_hWnd);
  SendMouseMove(label.m_hWnd, 5000, 5000);
  EXPECT_EQ(Drawn(), kVisited);
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_EQ(WaitForLines(xdgRecord, 1, kLaunchTimeout).size(), 1u);
}

TEST_F(LinkLabelOpen, DeviceCheckConfigurationDrawsVisitedInTheLinkColor) {
  label.SetTarget("http://127.0.0.1:9/xp32.zip");
  label.SetTextColors(label.LinkColor(), label.LinkColor(), static_cast<COLORREF>(-1));
  label.SetUnderlined(TRUE);
  Click();
  ASSERT_EQ(WaitForLines(xdgRecord, 1, kLaunchTimeout).size(), 1u);
  EXPECT_EQ(Drawn(), RGB(0, 0, 238));
  SendMouseMove(label.m_hWnd, 1, 1);
  EXPECT_EQ(Drawn(), ::GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(LinkLabelOpen, FailedClickClearsVisitedBeepsAndDoesNotRedraw) {
  label.SetTarget("http://127.0.0.1:9/first.zip");
  Click();
  ASSERT_EQ(Drawn(), kVisited);
  ASSERT_EQ(WaitForLines(xdgRecord, 1, kLaunchTimeout).size(), 1u);

  label.SetTarget("http://127.0.0.1:9/second.zip");
  g_calls.shellFails = true;  // and no ".htm" program registered
  ::ValidateRect(label.m_hWnd, nullptr);
  Click();
  EXPECT_EQ(g_calls.beeps, std::vector<UINT>{MB_ICONEXCLAMATION});
  EXPECT_EQ(g_calls.winExec, 0);
  EXPECT_EQ(Drawn(), RGB(0, 0, 238));
  EXPECT_FALSE(HasPendingPaint(label.m_hWnd));
}

// Stand-ins for the DPI functions, each answering a DPI the screen does not have, so that a row
// shows which one was asked.
UINT WINAPI WindowAt192Dpi(HWND) { return 192; }
// The effective DPI (kind 0) is the one a dialog scales by; the monitor's angular or raw DPI
// differs from it.
HRESULT WINAPI MonitorAt144Dpi(HMONITOR, int kind, UINT* x, UINT* y) {
  *x = kind == 0 ? 144 : 157;
  *y = *x;
  return S_OK;
}

// Windows 2000 has no theme library, nor any DPI but the screen's: where a later function is
// missing, the label still paints its background and text, a click still opens its address,
// and the dialog goes by the DPI of the latest way the system still has.
TEST_F(LinkLabelOpen, WithoutTheLaterSystemFunctionsTheLabelPaintsAndOpens) {
  PretendSystemHas("GetDpiForWindow", &WindowAt192Dpi);
  PretendSystemHas("GetDpiForMonitor", &MonitorAt144Dpi);
  const HDC screen = ::GetDC(nullptr);
  const UINT screenDpi = static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSY));
  ::ReleaseDC(nullptr, screen);
  ASSERT_EQ(screenDpi, 96u);
  struct Row {
    std::vector<const char*> lacking;
    UINT dpi;
  };
  const Row rows[] = {
      {{}, 192},
      {{"uxtheme.dll"}, 192},
      {{"DrawThemeParentBackground"}, 192},
      {{"GetDpiForWindow"}, 144},  // Windows 8.1
      {{"user32.dll"}, 144},
      {{"GetDpiForWindow", "GetDpiForMonitor"}, screenDpi},
      {{"user32.dll", "shcore.dll"}, screenDpi},
  };
  RECT client{};
  ::GetClientRect(label.m_hWnd, &client);
  ASSERT_GT(client.right, 2);
  for (const Row& row : rows) {
    std::string lacking;
    for (const char* name : row.lacking) lacking += std::string(name) + " ";
    SCOPED_TRACE(lacking.empty() ? "nothing missing" : lacking);
    PretendSystemLacks(row.lacking);
    EXPECT_EQ(WindowDpi(dialog.Hwnd()), row.dpi);
    // A colour no paint of the label leaves: the erase must cover it.
    const HDC dc = ::GetDC(label.m_hWnd);
    const HBRUSH marker = ::CreateSolidBrush(RGB(255, 0, 0));
    ::FillRect(dc, &client, marker);
    ::DeleteObject(marker);
    ::InvalidateRect(label.m_hWnd, nullptr, TRUE);
    ::UpdateWindow(label.m_hWnd);
    // The ink is the link colour, then the visited one after the first row's click.
    const COLORREF ink = Drawn();
    int marked = 0, face = 0, text = 0;
    for (int y = 0; y < client.bottom; ++y) {
      for (int x = 0; x < client.right; ++x) {
        const COLORREF pixel = ::GetPixel(dc, x, y);
        marked += pixel == RGB(255, 0, 0);
        face += pixel == ::GetSysColor(COLOR_BTNFACE);
        text += pixel == ink;
      }
    }
    ::ReleaseDC(label.m_hWnd, dc);
    EXPECT_EQ(marked, 0);
    EXPECT_GT(face, 0);
    EXPECT_GT(text, 0);

    ::DeleteFileA(xdgRecord.c_str());
    label.SetTarget("http://127.0.0.1:9/old-windows.zip");
    Click();
    EXPECT_EQ(WaitForLines(xdgRecord, 1, kLaunchTimeout),
              std::vector<std::string>{"http://127.0.0.1:9/old-windows.zip"});
  }
  PretendSystemLacks({});
  PretendSystemHas("GetDpiForWindow", nullptr);
  PretendSystemHas("GetDpiForMonitor", nullptr);
}

TEST_F(LinkLabelOpen, RefusedTargetsRunNothing) {
  const char* refused[] = {
      "file:///C:/windows/system32/cmd.exe",
      "C:\\windows\\system32\\cmd.exe",
      "cmd.exe",
      "\\\\127.0.0.1\\share\\setup.exe",
      "ftp://127.0.0.1:9/xp32.zip",
  };
  RegisterHtmlProgram("\"" + recorder + "\" \"%1\"");  // a fallback that would run
  for (const char* target : refused) {
    SCOPED_TRACE(target);
    label.SetTarget(target);
    Click();
    EXPECT_LE(CLinkLabel::OpenTarget(target, SW_SHOW), 32);
  }
  EXPECT_EQ(g_calls.shell, 0);
  EXPECT_EQ(g_calls.winExec, 0);
  EXPECT_EQ(g_calls.beeps.size(), std::size(refused));

  // A web address afterwards is the only thing the browser ever saw.
  const std::string marker = "http://127.0.0.1:9/marker.zip";
  label.SetTarget(marker.c_str());
  Click();
  EXPECT_EQ(WaitForLines(xdgRecord, 1, kLaunchTimeout), std::vector<std::string>{marker});
  EXPECT_EQ(::GetFileAttributesA(programRecord.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LinkLabelOpen, RegistryFallbackRunsTheHtmlProgramWithTheUrl) {
  const std::string url = "http://127.0.0.1:9/drivers/xp32.zip";
  const std::string quoted = "\"" + url + "\"";
  const std::string program = "\"" + recorder + "\"";
  const std::string folder = recorder.substr(0, recorder.find_last_of('\\'));
  ::SetEnvironmentVariableA("LINK_LABEL_PROGRAMS", folder.c_str());
  struct Case { const char* name; DWORD type; std::string commandTemplate, expected; };
  const Case cases[] = {
      {"quoted placeholder, then arguments", REG_SZ, program + "\"%1\" -new -window",
       program + " " + quoted},
      {"quoted placeholder after a blank", REG_SZ, program + " \"%1\"", program + "  " + quoted},
      {"bare placeholder", REG_SZ, program + " -url %1 -x", program + " -url  " + quoted},
      {"no placeholder", REG_SZ, program + " -url", program + " -url " + quoted},
      // As the system registers its own HTML programs.
      {"expandable", REG_EXPAND_SZ,
       "\"%LINK_LABEL_PROGRAMS%\\link_label_recorder.exe\" \"%1\"", program + "  " + quoted},
  };
  g_calls.shellFails = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ::DeleteFileA(programRecord.c_str());
    RegisterHtmlProgram(c.commandTemplate, c.type);
    EXPECT_GT(CLinkLabel::OpenTarget(url.c_str(), SW_SHOW), 32);
    EXPECT_EQ(WaitForLines(programRecord, 1, kLaunchTimeout), std::vector<std::string>{c.expected});
  }
  EXPECT_EQ(g_calls.winExec, static_cast<int>(std::size(cases)));

  // Through a click: visited, no beep.
  ::DeleteFileA(programRecord.c_str());
  label.SetTarget(url.c_str());
  Click();
  EXPECT_EQ(WaitForLines(programRecord, 1, kLaunchTimeout).size(), 1u);
  EXPECT_EQ(Drawn(), kVisited);
  EXPECT_TRUE(g_calls.beeps.empty());
}

TEST_F(LinkLabelOpen, ThroughTheCommandInterpreterTheUrlStaysOneArgument) {
  char system[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryA(system, MAX_PATH);
  ASSERT_TRUE(length > 0 && length < MAX_PATH);
  ASSERT_EQ(recorder.find(' '), std::string::npos) << "the template names the recorder bare";
  RegisterHtmlProgram(std::string(system, length) + "\\cmd.exe /c " + recorder + " %1");
  g_calls.shellFails = true;
  // Unquoted, & or | would start a second command and the recorder would see ".../a" alone;
  // ^ would vanish.
  EXPECT_GT(CLinkLabel::OpenTarget("http://127.0.0.1:9/a&b.zip?x=1|2^3 \"%PATH%\"", SW_SHOW), 32);
  const std::vector<std::string> lines = WaitForLines(programRecord, 1, kLaunchTimeout);
  ASSERT_EQ(lines.size(), 1u);
  const std::string encoded = "\"http://127.0.0.1:9/a&b.zip?x=1|2^3%20%22%25PATH%25%22\"";
  EXPECT_EQ(lines[0].substr(lines[0].size() - std::min(lines[0].size(), encoded.size())), encoded)
      << lines[0];
}

TEST_F(LinkLabelOpen, MissingRegistrationGivesTheShellsResult) {
  const std::string url = "http://127.0.0.1:9/xp32.zip";
  const std::string program = "\"" + recorder + "\" \"%1\"";
  struct Case { const char* name; void (*arrange)(const std::string& program); };
  const Case cases[] = {
      {"no .htm", [](const std::string&) {}},
      {"no open command",
       [](const std::string&) { SetDefaultText(".htm", kTestFileType); }},
      {"empty file type",
       [](const std::string& p) {
         SetDefaultText(".htm", "");
         SetDefaultText(kCommandKey, p);
       }},
  };
  g_calls.shellFails = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearRegistration();
    c.arrange(program);
    EXPECT_EQ(CLinkLabel::OpenTarget(url.c_str(), SW_SHOW), kNoAssociation);
  }
  // A command line that would not fit the buffer.
  ClearRegistration();
  const std::size_t longestTemplate = 259;
  const std::string padded = program.substr(0, program.find(" \"%1\""));
  RegisterHtmlProgram(padded + std::string(longestTemplate - padded.size() - 3, 'x') + " %1");
  const std::string longUrl = "http://127.0.0.1:9/" + std::string(300, 'u');
  EXPECT_EQ(CLinkLabel::OpenTarget(longUrl.c_str(), SW_SHOW), kNoAssociation);

  EXPECT_EQ(g_calls.winExec, 0);
  EXPECT_EQ(::GetFileAttributesA(programRecord.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LinkLabelOpen, AnUnreadableCommandReadsAsEmptyAndTheUrlAloneRunsNothing) {
  const std::string url = "http://127.0.0.1:9/xp32.zip";
  const std::string program = "\"" + recorder + "\" \"%1\"";
  const DWORD number = 42;
  const BYTE bytes[] = {'a', 'b', 0};
  const std::string tooLong = program + std::string(300, ' ');
  ::SetEnvironmentVariableA("LINK_LABEL_LONG", std::string(300, 'x').c_str());
  const std::string expandsTooLong = "\"%LINK_LABEL_LONG%\" \"%1\"";
  struct Case { const char* name; DWORD type; const void* data; DWORD size; };
  const Case cases[] = {
      {"longer than 259 characters", REG_SZ, tooLong.c_str(),
       static_cast<DWORD>(tooLong.size() + 1)},
      {"longer than 259 characters once expanded", REG_EXPAND_SZ, expandsTooLong.c_str(),
       static_cast<DWORD>(expandsTooLong.size() + 1)},
      {"a number", REG_DWORD, &number, sizeof(number)},
      {"bytes", REG_BINARY, bytes, sizeof(bytes)},
  };
  g_calls.shellFails = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearRegistration();
    SetDefaultText(".htm", kTestFileType);
    SetDefaultValue(kCommandKey, c.type, c.data, c.size);
    EXPECT_LE(CLinkLabel::OpenTarget(url.c_str(), SW_SHOW), 32);
  }
  EXPECT_EQ(g_calls.commandLines, std::vector<std::string>(std::size(cases), " \"" + url + "\""));
  EXPECT_EQ(::GetFileAttributesA(programRecord.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Puts the stand-in help viewer where the label looks for it, for the life of the object.
// The prefix's own viewer, if it has one, is set aside meanwhile.
class StandInHelpViewer {
 public:
  StandInHelpViewer() {
    m_placed = ::CopyFileA(BesideThisProgram("link_label_help_viewer.exe").c_str(),
                           m_prefixViewer.ViewerPath().c_str(), TRUE) != FALSE;
  }
  ~StandInHelpViewer() {
    if (m_placed) ::DeleteFileA(m_prefixViewer.ViewerPath().c_str());
  }
  bool Placed() const { return m_placed; }

 private:
  HelpViewerSetAside m_prefixViewer;
  bool m_placed = false;
};

TEST_F(LinkLabelOpen, DefaultCursorIsAPrivateCopyOfTheHelpViewersHand) {
  constexpr DWORD kHotSpotX = 5;  // as drawn in link_label_hand.cur
  const HCURSOR arrow = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  const LPARAM hit = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  HCURSOR shown = nullptr;
  {
    const StandInHelpViewer viewer;
    ASSERT_TRUE(viewer.Placed());
    CLinkLabel hand;
    LinkTestDialog second{kControls};
    CDataExchange exchange(&second.Frame(), FALSE);
    DDX_Control(&exchange, kLinkId, hand);
    ASSERT_FALSE(exchange.m_failed);

    ::SetCursor(arrow);
    EXPECT_EQ(::SendMessageA(hand.m_hWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hand.m_hWnd), hit),
              TRUE);
    shown = ::GetCursor();
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(shown, &info));
    if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, kHotSpotX);
    EXPECT_EQ(info.yHotspot, 0u);
    ::SetCursor(arrow);
  }
  ICONINFO gone{};
  EXPECT_FALSE(::GetIconInfo(shown, &gone)) << "the label's own copy goes with it";
}

}  // namespace
