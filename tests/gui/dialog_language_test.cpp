// The two language rules: templates and the about item follow the resource language (the
// user-interface language), the failure message follows the system default language id. The
// same tests run under four locales (see CMakeLists.txt); DETECTOR_EXPECT_TEMPLATE_LANG and
// DETECTOR_EXPECT_MESSAGE_LANG say which language each rule must pick there.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/detector_dlg.h"
#include "dialog_test_support.h"
#include "ui_driver.h"
#include "res/resource.h"

namespace {

constexpr int kChinese = 2052;
constexpr int kEnglish = 1033;
constexpr int kTextSize = 512;

struct DialogUnits {
  int x, y, width, height;
};

struct Styles {
  DWORD required;
  DWORD forbidden;
  DWORD requiredExtended;
};

// The low style bits of a static control are its type (0: left-aligned text).
constexpr DWORD kStaticType = 0x1F;
constexpr Styles kButtonStyles{WS_TABSTOP, BS_DEFPUSHBUTTON, 0};
// An edit control trades its WS_BORDER for the sunken client edge as it is made.
constexpr Styles kEditStyles{ES_READONLY | ES_UPPERCASE | ES_AUTOHSCROLL | WS_TABSTOP, 0,
                             WS_EX_CLIENTEDGE};
constexpr Styles kGroupStyles{BS_GROUPBOX, WS_TABSTOP, 0};
constexpr Styles kTextStyles{WS_GROUP, kStaticType | WS_TABSTOP, 0};
constexpr Styles kAddedTextStyles{SS_NOPREFIX, kStaticType | WS_TABSTOP, 0};
// The links are tab stops, so that the keyboard reaches them.
constexpr Styles kLinkStyles{WS_GROUP | WS_TABSTOP, kStaticType, 0};

struct ExpectedControl {
  int id;  // -1: found by its text
  const wchar_t* english;
  const wchar_t* chinese;
  DialogUnits englishRect;
  DialogUnits chineseRect;
  bool visible;  // as the template makes it
  Styles styles;
};

const ExpectedControl kControls[] = {
    {IDC_CHECK_DEVICE, L"Check Device", L"查找设备", {218, 43, 64, 24}, {190, 44, 64, 24}, true,
     kButtonStyles},
    {IDC_VIDPID_EDIT, L"", L"", {229, 90, 33, 12}, {201, 97, 33, 12}, false, kEditStyles},
    {-1, L"PID&&VID", L"PID&&VID", {221, 80, 49, 28}, {193, 88, 49, 28}, false, kGroupStyles},
    {-1, L"Driver Download Link", L"驱动下载路径", {9, 11, 198, 92}, {10, 10, 170, 92}, true,
     kGroupStyles},
    {IDC_LINK_XP32, L"Download 32bit WindowsXP/Windows2000 driver",
     L"点击下载32位WindowsXP/Win2000驱动", {19, 27, 182, 11}, {19, 27, 153, 11}, true,
     kLinkStyles},
    {IDC_LINK_XP64, L"Download 64bit WindowsXP driver", L"点击下载64位WindowsXP驱动",
     {19, 46, 124, 11}, {19, 45, 146, 11}, true, kLinkStyles},
    {IDC_LINK_VISTA32, L"Download 32bit Windows Vista driver", L"点击下载32位WindowsVista驱动",
     {19, 65, 124, 11}, {19, 65, 141, 11}, true, kLinkStyles},
    {IDC_LINK_VISTA64, L"Download 64bit Windows Vista driver", L"点击下载64位WindowsVista驱动",
     {19, 84, 124, 11}, {19, 85, 141, 11}, true, kLinkStyles},
    {IDC_STATUS_TEXT, L"Static", L"Static", {26, 55, 149, 8}, {31, 54, 135, 8}, true,
     kTextStyles},
    {IDC_THIS_COMPUTER, L"", L"", {9, 107, 275, 18}, {10, 106, 246, 18}, false,
     kAddedTextStyles},
    {IDC_FIT_MARK, L"4", L"4", {11, 27, 7, 11}, {11, 27, 7, 11}, false, kAddedTextStyles},
};

constexpr Styles kMainDialogStyles{
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME, WS_MAXIMIZEBOX,
    WS_EX_APPWINDOW};
const DialogUnits kAboutSize{0, 0, 255, 55};
const DialogUnits kEnglishAboutOk{198, 7, 50, 16};
const DialogUnits kChineseAboutOk{198, 1, 50, 16};

bool HasStyles(HWND hwnd, const Styles& styles) {
  const auto style = static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_STYLE));
  const auto extended = static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_EXSTYLE));
  return (style & styles.required) == styles.required && (style & styles.forbidden) == 0 &&
         (extended & styles.requiredExtended) == styles.requiredExtended;
}

const DialogUnits kEnglishSize{0, 0, 293, 130};
const DialogUnits kChineseSize{0, 0, 266, 130};

int ExpectedLanguage(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr ? std::atoi(value) : 0;
}

// Position and size are converted separately, as the window system does when it makes the
// controls.
RECT ToPixels(HWND dialog, const DialogUnits& units) {
  RECT mapped{units.x, units.y, units.width, units.height};
  ::MapDialogRect(dialog, &mapped);
  return RECT{mapped.left, mapped.top, mapped.left + mapped.right, mapped.top + mapped.bottom};
}

// Narrow texts live in the ANSI code page: what of `text` survives the trip.
std::wstring ThroughAnsiCodePage(const std::wstring& text) {
  char narrow[kTextSize] = {};
  ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow, kTextSize, nullptr, nullptr);
  wchar_t wide[kTextSize] = {};
  ::MultiByteToWideChar(CP_ACP, 0, narrow, -1, wide, kTextSize);
  return wide;
}

RECT ClientRectOf(HWND dialog, HWND control) {
  RECT rect;
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

class DialogLanguage : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    templateLanguage_ = ExpectedLanguage("DETECTOR_EXPECT_TEMPLATE_LANG");
    messageLanguage_ = ExpectedLanguage("DETECTOR_EXPECT_MESSAGE_LANG");
    ASSERT_TRUE(templateLanguage_ == kChinese || templateLanguage_ == kEnglish)
        << "run through CTest, which sets the expected languages";
    ASSERT_TRUE(messageLanguage_ == kChinese || messageLanguage_ == kEnglish);
  }
  bool ChineseTemplates() const { return templateLanguage_ == kChinese; }
  bool ChineseMessages() const { return messageLanguage_ == kChinese; }

  int templateLanguage_ = 0;
  int messageLanguage_ = 0;
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A dialog made straight from the template, without the program: what the resources hold.
HWND CreatePlainDialog(int id) {
  return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr,
                              &PlainDialogProc, 0);
}

void ExpectSize(HWND dialog, const DialogUnits& units) {
  RECT client;
  ::GetClientRect(dialog, &client);
  const RECT size = ToPixels(dialog, units);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);
}

TEST_F(DialogLanguage, TheTemplatesInTheResourceLanguageHoldEveryControlInItsPlace) {
  HWND main = CreatePlainDialog(IDD_DETECTOR);
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(WideWindowText(main), ChineseTemplates() ? L"Quenlix摄像头驱动检测工具"
                                                     : L"Quenlix PC Cmaera Driver Detector");
  ExpectSize(main, ChineseTemplates() ? kChineseSize : kEnglishSize);
  EXPECT_TRUE(HasStyles(main, kMainDialogStyles));
  for (const ExpectedControl& want : kControls) {
    const wchar_t* text = ChineseTemplates() ? want.chinese : want.english;
    HWND control = want.id == -1 ? FindChildByText(main, text) : ::GetDlgItem(main, want.id);
    ASSERT_NE(control, nullptr) << want.id;
    EXPECT_EQ(WideWindowText(control), text) << want.id;
    const RECT expected = ToPixels(main, ChineseTemplates() ? want.chineseRect : want.englishRect);
    const RECT actual = ClientRectOf(main, control);
    EXPECT_TRUE(SameRect(actual, expected))
        << want.id << ": " << Describe(actual) << " instead of " << Describe(expected);
    EXPECT_EQ(::IsWindowVisible(control) != FALSE, want.visible) << want.id;
    EXPECT_TRUE(HasStyles(control, want.styles))
        << want.id << std::hex << ": style " << ::GetWindowLongW(control, GWL_STYLE) << " extended "
        << ::GetWindowLongW(control, GWL_EXSTYLE);
  }
  ::DestroyWindow(main);

  HWND about = CreatePlainDialog(IDD_ABOUT);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(WideWindowText(about), ChineseTemplates() ? L"关于Quenlix产品驱动检测工具" : L"About");
  ExpectSize(about, kAboutSize);
  HWND version = FindChildByText(about, ChineseTemplates() ? L"Quenlix产品驱动检测工具 1.0"
                                                          : L"Quenlix Chip Type detect tool Version 1.0");
  ASSERT_NE(version, nullptr);
  const auto versionStyle = static_cast<DWORD>(::GetWindowLongW(version, GWL_STYLE));
  EXPECT_EQ(versionStyle & (WS_GROUP | SS_NOPREFIX), static_cast<DWORD>(WS_GROUP | SS_NOPREFIX));
  const RECT ok = ToPixels(about, ChineseTemplates() ? kChineseAboutOk : kEnglishAboutOk);
  EXPECT_TRUE(SameRect(ClientRectOf(about, ::GetDlgItem(about, IDOK)), ok));
  EXPECT_FALSE(::IsWindowVisible(about));
  ::DestroyWindow(about);
}

TEST_F(DialogLanguage, TheRunningDialogAndItsAboutItemFollowTheResourceLanguage) {
  Serve(kServedCatalogue);
  CDetectorDlg dialog(Platform());
  bool checked = false;
  std::wstring aboutCaption;
  int stage = 0;
  UiDriver driver([&] {
    HWND hwnd = dialog.m_hWnd;
    if (hwnd == nullptr || !::IsWindowVisible(hwnd)) return false;
    if (stage == 1) {
      // Inside the about box's loop.
      HWND box = FirstThreadDialog(hwnd);
      if (box == nullptr) return false;
      aboutCaption = WideWindowText(box);
      PressButton(box, IDOK);
      return false;
    }
    checked = true;
    EXPECT_EQ(WideWindowText(hwnd), ChineseTemplates() ? L"Quenlix摄像头驱动检测工具"
                                                       : L"Quenlix PC Cmaera Driver Detector");
    // After initialisation only the button and the download group box are left showing.
    for (const ExpectedControl& want : kControls) {
      const wchar_t* text = ChineseTemplates() ? want.chinese : want.english;
      HWND control = want.id == -1 ? FindChildByText(hwnd, text) : ::GetDlgItem(hwnd, want.id);
      const bool shown = want.id == IDC_CHECK_DEVICE || (want.id == -1 && want.visible);
      EXPECT_EQ(::IsWindowVisible(control) != FALSE, shown) << want.id;
    }
    HMENU menu = ::GetSystemMenu(hwnd, FALSE);
    // The program appends the item as narrow text.
    EXPECT_EQ(WideMenuText(menu, ::GetMenuItemCount(menu) - 1),
              ThroughAnsiCodePage(ChineseTemplates() ? L"关于(&A)..." : L"&About Kavrel..."));
    stage = 1;
    ::SendMessageA(hwnd, WM_SYSCOMMAND, IDM_ABOUT, 0);
    ::PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    return true;
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_TRUE(checked);
  EXPECT_EQ(aboutCaption, ChineseTemplates() ? L"关于Quenlix产品驱动检测工具" : L"About");
}

TEST_F(DialogLanguage, TheFailureMessageFollowsTheSystemLanguage) {
  RefuseConnections();
  CDetectorDlg dialog(Platform());
  MessageBoxSeen seen;
  UiDriver driver([&] {
    if (dialog.m_hWnd == nullptr) return false;
    HWND box = FirstThreadDialog(dialog.m_hWnd);
    if (box == nullptr) return false;
    seen = ReadMessageBox(box);
    PressButton(box, IDOK);
    return true;
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_FALSE(driver.TimedOut());
  ASSERT_TRUE(seen.seen);
  if (ChineseMessages()) {
    EXPECT_EQ(seen.caption, L"错误");
    EXPECT_EQ(seen.text, L"本工具需要联网获取驱动信息，请确认网络连接是否正常！");
  } else {
    EXPECT_EQ(seen.caption, L"Error");
    EXPECT_EQ(seen.text,
              L"Can not get internet driver information,please make sure internet connection is ok!");
  }
}

}  // namespace
