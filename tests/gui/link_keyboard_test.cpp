// The links of the real main dialog without a mouse: reached with Tab in their visual order,
// opened with Enter and Space the way a click opens them, and seen by a screen reader as links.
// Web addresses reach the desktop's browser launcher, a recorder on PATH.
#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>
#include <shellapi.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/detector_dlg.h"
#include "dialog_test_support.h"
#include "files.h"
#include "link_label_import_patch.h"
#include "link_label_test_dialog.h"
#include "res/resource.h"
#include "ui_driver.h"
#include "usb/sim/topology_file.h"

namespace {

constexpr DWORD kBrowserTimeoutMs = 30000;

const std::string kXp32Url = "http://127.0.0.1:9/drivers/xp32.zip";
const std::string kVista32Url = "https://127.0.0.1:9/drivers/vista32.zip";
const std::string kRefusedUrl = "file:///C:/windows/system32/cmd.exe";
// No address for the 64-bit XP driver: that link stays hidden.
const std::string kCatalogue =
    "[MAIN]\r\nTotleNumber=1\r\n[Number1]\r\nvid=0x1234\r\npid=0x5678\r\n"
    "URL_XP_32=" + kXp32Url + "\r\nURL_Vista_32=" + kVista32Url + "\r\nURL_Vista_64=" +
    kRefusedUrl + "\r\n";
const char kCamera[] = "controller 0\n  port 1 device 0x1234 0x5678\n";

struct SystemCalls {
  std::vector<std::string> shell;  // what the label asked the shell to open, in order
  std::vector<UINT> beeps;
  decltype(&::ShellExecuteA) realShell = nullptr;
};
SystemCalls g_calls;

HINSTANCE WINAPI CountShell(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR params, LPCSTR dir,
                            INT show) {
  g_calls.shell.push_back(file != nullptr ? file : "");
  return g_calls.realShell(owner, verb, file, params, dir, show);
}

BOOL WINAPI RecordBeep(UINT type) {
  g_calls.beeps.push_back(type);
  return TRUE;
}

// Waits (bounded) until the browser launcher has been handed `count` addresses; sorted, since
// launchers started one after the other may write in either order.
std::vector<std::string> WaitForAddresses(const std::string& record, std::size_t count) {
  std::vector<std::string> lines =
      WaitForLines(record, count, std::chrono::milliseconds(kBrowserTimeoutMs));
  std::sort(lines.begin(), lines.end());
  return lines;
}

// A key pressed and released on the window that has the focus, through the dialog's loop.
void PressKey(WORD key) {
  const HWND focus = ::GetFocus();
  const auto scan = static_cast<LPARAM>(::MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
  ::PostMessageA(focus, WM_KEYDOWN, key, 1 | (scan << 16));
  ::PostMessageA(focus, WM_KEYUP, key, 1 | (scan << 16) | (LPARAM{3} << 30));
}

// The label's outline, one pixel wide, as drawn on the screen.
std::vector<COLORREF> Outline(HWND label) {
  ::RedrawWindow(::GetParent(label), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT client{};
  ::GetClientRect(label, &client);
  std::vector<COLORREF> pixels;
  const HDC dc = ::GetDC(label);
  for (int x = 0; x < client.right; ++x) {
    pixels.push_back(::GetPixel(dc, x, 0));
    pixels.push_back(::GetPixel(dc, x, client.bottom - 1));
  }
  for (int y = 0; y < client.bottom; ++y) {
    pixels.push_back(::GetPixel(dc, 0, y));
    pixels.push_back(::GetPixel(dc, client.right - 1, y));
  }
  ::ReleaseDC(label, dc);
  return pixels;
}

struct KeyboardTip {
  bool visible = false;
  std::string text;
};

KeyboardTip ReadKeyboardTip(HWND label) {
  KeyboardTip tip;
  const HWND tooltip = FindLabelTooltip(label);
  if (tooltip == nullptr) return tip;
  tip.visible = ::IsWindowVisible(tooltip) != FALSE;
  tip.text = WindowText(tooltip);  // what it shows
  return tip;
}

// Wine keeps no focus-cue state (it always shows them), so the test answers the label's
// WM_QUERYUISTATE itself, standing in for a system that hides them from mouse users.
class FocusCueStandIn {
 public:
  explicit FocusCueStandIn(HWND window) : m_window(window) {
    s_hidden = false;
    s_next = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Answer)));
  }
  ~FocusCueStandIn() {
    ::SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s_next));
  }
  FocusCueStandIn(const FocusCueStandIn&) = delete;
  FocusCueStandIn& operator=(const FocusCueStandIn&) = delete;

  // Changes the state and tells the window, as the system tells every window of a dialog.
  void Show(bool shown) {
    s_hidden = !shown;
    ::SendMessageW(m_window, WM_UPDATEUISTATE, MAKEWPARAM(shown ? UIS_CLEAR : UIS_SET, UISF_HIDEFOCUS),
                   0);
  }

 private:
  static LRESULT CALLBACK Answer(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYUISTATE) return s_hidden ? UISF_HIDEFOCUS : 0;
    return ::CallWindowProcW(s_next, hwnd, message, wParam, lParam);
  }

  static inline bool s_hidden = false;
  static inline WNDPROC s_next = nullptr;
  HWND m_window;
};

// Runs one step a tick from inside the dialog's own message loop: whatever a step posts has
// been handled by the time the next one runs.
class Script {
 public:
  void Then(std::function<void()> step) { m_steps.push_back(std::move(step)); }
  bool RunNext() {
    if (m_next == m_steps.size()) return true;
    m_steps[m_next++]();
    return m_next == m_steps.size();
  }

 private:
  std::vector<std::function<void()>> m_steps;
  std::size_t m_next = 0;
};

class LinkKeyboard : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    char record[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableA("LINK_LABEL_XDG_RECORD", record, MAX_PATH);
    ASSERT_TRUE(length > 0 && length < MAX_PATH) << "the test runs with the launcher recorder";
    browserRecord_ = WinePath(record);
    ::DeleteFileA(browserRecord_.c_str());
    g_calls = SystemCalls{};
    g_calls.realShell = shellPatch_.Original();
    std::istringstream topology(kCamera);
    std::ostringstream errors;
    ASSERT_TRUE(LoadTopology(topology, "camera", usb_, errors)) << errors.str();
    Serve(kCatalogue);
  }

  // Runs the dialog with `script`, ending it once the script has run. Each step may take as
  // long as the machine needs (opening a link starts the browser launcher, a new process);
  // the bound is on one step.
  void RunDialog(CDetectorDlg& dialog, Script& script) {
    UiDriver* self = nullptr;
    UiDriver driver([&] {
      if (dialog.m_hWnd == nullptr || !::IsWindowVisible(dialog.m_hWnd)) return false;
      const bool last = script.RunNext();
      self->Progressed();
      if (!last) return false;
      ::PostMessageA(dialog.m_hWnd, WM_COMMAND, IDCANCEL, 0);
      return true;
    }, kBrowserTimeoutMs);
    self = &driver;
    dialog.DoModal();
    EXPECT_FALSE(driver.TimedOut());
  }

  std::string browserRecord_;
  ImportPatch<decltype(&::ShellExecuteA)> shellPatch_{g_shellExecuteSlot, &CountShell};
  ImportPatch<decltype(&::MessageBeep)> beepPatch_{g_messageBeepSlot, &RecordBeep};
};

TEST_F(LinkKeyboard, TabReachesTheShownLinksInOrderAndEnterOrSpaceOpensThem) {
  CDetectorDlg dialog(Platform());
  HWND dlg = nullptr;
  auto item = [&](int id) { return ::GetDlgItem(dlg, id); };
  auto focusId = [&] { return ::GetDlgCtrlID(::GetFocus()); };
  std::vector<int> tabOrder;
  int focusAtStart = 0, focusAfterPress = 0;
  std::vector<COLORREF> focused, cuesHidden, cuesShownAgain, unfocused;
  LRESULT uiState = -1;
  KeyboardTip tipOnFocus, tipAfterLeaving, tipForMouseUser, tipOnceCuesShown;
  int tipsAfterMove = -1;
  bool openAfterEnter = false;
  std::vector<UINT> beepsBeforeRefused;

  Script script;
  script.Then([&] {
    dlg = dialog.m_hWnd;
    focusAtStart = focusId();
    PressKey(VK_SPACE);  // "Check Device"
  });
  script.Then([&] {
    // The link for this computer (Windows 7, the prefix's) takes the focus; the tour starts
    // from the button again.
    focusAfterPress = focusId();
    {
      FocusCueStandIn cues(item(IDC_LINK_XP32));
      tipsAfterMove = 0;
      cues.Show(false);  // as for a user of the mouse, given the focus by the program
      ::SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(IDC_LINK_XP32)), TRUE);
      tipForMouseUser = ReadKeyboardTip(item(IDC_LINK_XP32));
      RECT where{};
      ::GetWindowRect(dlg, &where);  // a move places the tips again
      ::SetWindowPos(dlg, nullptr, where.left + 8, where.top + 8, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      for (int id : {IDC_LINK_XP32, IDC_LINK_XP64, IDC_LINK_VISTA32, IDC_LINK_VISTA64}) {
        tipsAfterMove += ReadKeyboardTip(item(id)).visible ? 1 : 0;
      }
      cues.Show(true);  // who then reaches for the keyboard
      tipOnceCuesShown = ReadKeyboardTip(item(IDC_LINK_XP32));
    }
    ::SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(IDC_CHECK_DEVICE)), TRUE);
  });
  for (int i = 0; i < 4; ++i) {
    script.Then([&] {
      PressKey(VK_TAB);
    });
    script.Then([&] {
      tabOrder.push_back(focusId());
      if (tabOrder.size() != 1) return;
      uiState = ::SendMessageA(::GetFocus(), WM_QUERYUISTATE, 0, 0);
      tipOnFocus = ReadKeyboardTip(item(IDC_LINK_XP32));
      focused = Outline(item(IDC_LINK_XP32));
      FocusCueStandIn cues(item(IDC_LINK_XP32));
      cues.Show(false);  // as for a user of the mouse
      cuesHidden = Outline(item(IDC_LINK_XP32));
      cues.Show(true);
      cuesShownAgain = Outline(item(IDC_LINK_XP32));
    });
  }
  script.Then([&] {
    unfocused = Outline(item(IDC_LINK_XP32));
    tipAfterLeaving = ReadKeyboardTip(item(IDC_LINK_XP32));
    PressKey(VK_TAB);  // to the first link again
  });
  script.Then([&] { PressKey(VK_RETURN); });
  script.Then([&] {
    openAfterEnter = ::IsWindowVisible(dlg) != FALSE;
    PressKey(VK_TAB);
  });
  script.Then([&] { PressKey(VK_SPACE); });
  script.Then([&] {
    beepsBeforeRefused = g_calls.beeps;
    PressKey(VK_TAB);
  });
  script.Then([&] { PressKey(VK_RETURN); });
  script.Then([] {});
  RunDialog(dialog, script);
  server_.Wait();

  EXPECT_EQ(focusAtStart, IDC_CHECK_DEVICE);
  EXPECT_EQ(focusAfterPress, sizeof(void*) == 8 ? IDC_LINK_VISTA64 : IDC_LINK_VISTA32);
  // The 64-bit XP link is hidden, and so is the edit box between the button and the links.
  EXPECT_EQ(tabOrder,
            (std::vector<int>{IDC_LINK_XP32, IDC_LINK_VISTA32, IDC_LINK_VISTA64, IDC_CHECK_DEVICE}));

  EXPECT_EQ(uiState & UISF_HIDEFOCUS, 0);
  EXPECT_NE(focused, cuesHidden) << "a focus rectangle while focus cues are shown";
  EXPECT_EQ(cuesShownAgain, focused);
  EXPECT_EQ(unfocused, cuesHidden) << "the rectangle goes with the focus";

  EXPECT_TRUE(tipOnFocus.visible);
  EXPECT_EQ(tipOnFocus.text, kXp32Url);
  EXPECT_FALSE(tipAfterLeaving.visible);
  EXPECT_FALSE(tipForMouseUser.visible) << "no tip over the next link for the mouse";
  EXPECT_EQ(tipsAfterMove, 0);
  EXPECT_TRUE(tipOnceCuesShown.visible);
  EXPECT_EQ(tipOnceCuesShown.text, kXp32Url);

  EXPECT_TRUE(openAfterEnter) << "Enter on a link is the link's, not the dialog's";
  EXPECT_TRUE(beepsBeforeRefused.empty());
  EXPECT_EQ(g_calls.beeps, std::vector<UINT>{MB_ICONEXCLAMATION}) << "the file: link refused";
  EXPECT_EQ(g_calls.shell, (std::vector<std::string>{kXp32Url, kVista32Url}));
  EXPECT_EQ(WaitForAddresses(browserRecord_, 2), (std::vector<std::string>{kXp32Url, kVista32Url}))
      << "what reached the browser";
}

// What a screen reader asks of the labels, as it asks: through the accessibility hooks.
struct AccessibleView {
  HRESULT found = E_FAIL;
  LONG role = 0;
  LONG state = 0;
  std::wstring name;
  std::wstring value;
  std::wstring defaultAction;
  HRESULT action = E_FAIL;  // of asking for the default action
};

// Asks for one text and takes it out of its system string.
template <class Ask>
std::wstring AskText(Ask ask) {
  BSTR text = nullptr;
  const HRESULT result = ask(&text);
  std::wstring value = SUCCEEDED(result) && text != nullptr ? std::wstring(text) : L"";
  ::SysFreeString(text);
  return value;
}

AccessibleView AskAndUse(HWND label) {
  AccessibleView view;
  IAccessible* object = nullptr;
  view.found = ::AccessibleObjectFromWindow(label, static_cast<DWORD>(OBJID_CLIENT),
                                            __uuidof(IAccessible), reinterpret_cast<void**>(&object));
  if (FAILED(view.found) || object == nullptr) return view;
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT answer{};
  if (SUCCEEDED(object->get_accRole(self, &answer)) && answer.vt == VT_I4) view.role = answer.lVal;
  VariantClear(&answer);
  if (SUCCEEDED(object->get_accState(self, &answer)) && answer.vt == VT_I4) view.state = answer.lVal;
  VariantClear(&answer);
  view.name = AskText([&](BSTR* text) { return object->get_accName(self, text); });
  view.value = AskText([&](BSTR* text) { return object->get_accValue(self, text); });
  view.defaultAction =
      AskText([&](BSTR* text) { return object->get_accDefaultAction(self, text); });
  view.action = object->accDoDefaultAction(self);
  object->Release();
  return view;
}

TEST_F(LinkKeyboard, AScreenReaderSeesEachLinkWithItsTextAndCanOpenIt) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  CDetectorDlg dialog(Platform());
  AccessibleView shown, hidden, refused;
  Script script;
  script.Then([&] {
    PressButton(dialog.m_hWnd, IDC_CHECK_DEVICE);
    shown = AskAndUse(::GetDlgItem(dialog.m_hWnd, IDC_LINK_XP32));
    hidden = AskAndUse(::GetDlgItem(dialog.m_hWnd, IDC_LINK_XP64));
  });
  script.Then([&] { refused = AskAndUse(::GetDlgItem(dialog.m_hWnd, IDC_LINK_VISTA64)); });
  script.Then([] {});
  RunDialog(dialog, script);
  server_.Wait();
  ::CoUninitialize();

  ASSERT_EQ(shown.found, S_OK);
  EXPECT_EQ(shown.role, ROLE_SYSTEM_LINK);
  EXPECT_EQ(shown.name, L"Download 32bit WindowsXP/Windows2000 driver");
  EXPECT_EQ(shown.value, WideFromUtf8(kXp32Url.c_str()));
  EXPECT_EQ(shown.defaultAction, L"open");
  EXPECT_EQ(shown.state & (STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_INVISIBLE),
            STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE);
  EXPECT_EQ(shown.action, S_OK);

  ASSERT_EQ(hidden.found, S_OK);
  EXPECT_EQ(hidden.role, ROLE_SYSTEM_LINK);
  EXPECT_EQ(hidden.name, L"Download 64bit WindowsXP driver");
  EXPECT_NE(hidden.state & STATE_SYSTEM_INVISIBLE, 0);
  EXPECT_EQ(hidden.action, E_FAIL) << "a hidden link cannot be used";

  EXPECT_EQ(refused.action, S_OK);
  EXPECT_EQ(g_calls.beeps, std::vector<UINT>{MB_ICONEXCLAMATION}) << "the file: link refused";
  EXPECT_EQ(g_calls.shell, std::vector<std::string>{kXp32Url});
  EXPECT_EQ(WaitForAddresses(browserRecord_, 1), std::vector<std::string>{kXp32Url});
}

}  // namespace
