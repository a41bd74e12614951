// The main dialog's four download links are link labels, attached while it initialises, in
// the order of its data exchange.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/detector_dlg.h"
#include "dialog_test_support.h"
#include "framework/system_functions.h"
#include "ui_driver.h"
#include "link_label_test_dialog.h"
#include "res/resource.h"

namespace {

constexpr int kBindingOrder[] = {IDC_LINK_XP32, IDC_LINK_XP64, IDC_LINK_VISTA32,
                                 IDC_LINK_VISTA64};

struct LinkSeen {
  int id = 0;
  bool attached = false;
  bool notifies = false;
  bool underlined = false;
  LONG fontHeight = 0;
  bool hidden = false;
  std::string text;
  std::string tip;
  LONG width = 0;
  LONG height = 0;
  SIZE extent{};
};

struct TooltipOrder {
  HWND dialog;
  std::vector<int> ids;  // the link each tooltip serves, topmost (newest) first
};

BOOL CALLBACK CollectTooltip(HWND hwnd, LPARAM context) {
  auto* order = reinterpret_cast<TooltipOrder*>(context);
  for (int id : kBindingOrder) {
    if (FindLabelTooltip(::GetDlgItem(order->dialog, id)) == hwnd) order->ids.push_back(id);
  }
  return TRUE;
}

LinkSeen ReadLink(HWND dialog, int id) {
  LinkSeen seen;
  seen.id = id;
  const HWND link = ::GetDlgItem(dialog, id);
  seen.attached = CWnd::FromHandlePermanent(link) != nullptr;
  seen.notifies = (::GetWindowLongA(link, GWL_STYLE) & SS_NOTIFY) != 0;
  seen.underlined = WindowLogFont(link).lfUnderline != 0;
  seen.fontHeight = WindowLogFont(link).lfHeight;
  seen.hidden = !::IsWindowVisible(link);
  char text[256] = {};
  ::GetWindowTextA(link, text, sizeof(text));
  seen.text = text;
  const HWND tip = FindLabelTooltip(link);
  if (tip != nullptr) seen.tip = TooltipText(tip, link);
  const RECT rect = RectInParent(link);
  seen.width = rect.right - rect.left;
  seen.height = rect.bottom - rect.top;
  seen.extent = ExtentInWindowFont(link, seen.text);
  return seen;
}

using LinkLabelInDialog = DialogTest;

TEST_F(LinkLabelInDialog, FourLabelsAttachedInBindingOrderFittedUnderlinedAndHidden) {
  Serve(kServedCatalogue);
  std::vector<LinkSeen> links;
  TooltipOrder order{};
  {
    CDetectorDlg dialog(Platform());
    UiDriver driver([&] {
      if (dialog.m_hWnd == nullptr || !::IsWindowVisible(dialog.m_hWnd)) return false;
      for (int id : kBindingOrder) links.push_back(ReadLink(dialog.m_hWnd, id));
      order.dialog = dialog.m_hWnd;
      ::EnumThreadWindows(::GetCurrentThreadId(), &CollectTooltip,
                          reinterpret_cast<LPARAM>(&order));
      ::PostMessageA(dialog.m_hWnd, WM_COMMAND, IDCANCEL, 0);
      return true;
    });
    dialog.DoModal();
    ASSERT_FALSE(driver.TimedOut());
  }
  server_.Wait();
  ASSERT_EQ(links.size(), std::size(kBindingOrder));
  for (const LinkSeen& link : links) {
    SCOPED_TRACE(link.id);
    EXPECT_TRUE(link.attached);
    EXPECT_TRUE(link.notifies);
    EXPECT_TRUE(link.underlined);
    EXPECT_TRUE(link.hidden);
    EXPECT_FALSE(link.text.empty());
    EXPECT_EQ(link.tip, link.text);  // no target yet: the text is the target
    EXPECT_EQ(link.width, link.extent.cx);
    EXPECT_EQ(link.height, link.extent.cy);
  }
  EXPECT_EQ(links[1].text, "Download 64bit WindowsXP driver");
  std::reverse(order.ids.begin(), order.ids.end());  // oldest first
  EXPECT_EQ(order.ids, std::vector<int>(std::begin(kBindingOrder), std::end(kBindingOrder)));
}

// Wine never moves a window to a screen of another DPI, so the test does what the system does
// then: it rescales the dialog's font (here: answers WM_GETFONT with a font twice the size),
// gives the window the new DPI (GetDpiForWindow answers it) and sends WM_DPICHANGED with the
// rectangle it suggests.
UINT WINAPI WindowAt192Dpi(HWND) { return 192; }

class DialogFontStandIn {
 public:
  DialogFontStandIn(HWND dialog, HFONT font) : m_dialog(dialog) {
    s_font = font;
    s_next = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Answer)));
  }
  ~DialogFontStandIn() {
    ::SetWindowLongPtrW(m_dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s_next));
  }
  DialogFontStandIn(const DialogFontStandIn&) = delete;
  DialogFontStandIn& operator=(const DialogFontStandIn&) = delete;

 private:
  static LRESULT CALLBACK Answer(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETFONT) return reinterpret_cast<LRESULT>(s_font);
    return ::CallWindowProcW(s_next, hwnd, message, wParam, lParam);
  }

  static inline HFONT s_font = nullptr;
  static inline WNDPROC s_next = nullptr;
  HWND m_dialog;
};

RECT ToolRect(HWND label) {
  TOOLINFOA info{};
  info.cbSize = TTTOOLINFOA_V1_SIZE;
  info.hwnd = label;
  info.uId = 1;
  ::SendMessageA(FindLabelTooltip(label), TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info));
  return info.rect;
}

TEST_F(LinkLabelInDialog, OnADpiChangeTheDialogScalesByTheNewDpiAndTheLinksRefit) {
  Serve(kServedCatalogue);
  constexpr UINT kNewDpi = 192;
  RECT expected{};
  RECT taken{};
  std::vector<LinkSeen> before;
  std::vector<LinkSeen> after;
  std::vector<RECT> toolRects;
  LONG bigHeight = 0;
  {
    CDetectorDlg dialog(Platform());
    UiDriver driver([&] {
      if (dialog.m_hWnd == nullptr || !::IsWindowVisible(dialog.m_hWnd)) return false;
      for (int id : kBindingOrder) before.push_back(ReadLink(dialog.m_hWnd, id));
      LOGFONTA logFont = WindowLogFont(dialog.m_hWnd);
      logFont.lfHeight *= 2;
      bigHeight = logFont.lfHeight;
      const HFONT big = ::CreateFontIndirectA(&logFont);
      // 96 to 192 DPI: twice the size, the top-left corner where it was. The rectangle the
      // message suggests is elsewhere and is not taken.
      ::GetWindowRect(dialog.m_hWnd, &expected);
      expected.right += expected.right - expected.left;
      expected.bottom += expected.bottom - expected.top;
      const RECT suggested{expected.left + 40, expected.top + 30, expected.right + 40,
                           expected.bottom + 30};
      {
        const DialogFontStandIn rescaled(dialog.m_hWnd, big);
        PretendSystemHas("GetDpiForWindow", &WindowAt192Dpi);
        ::SendMessageA(dialog.m_hWnd, kDpiChangedMessage, MAKEWPARAM(kNewDpi, kNewDpi),
                       reinterpret_cast<LPARAM>(&suggested));
        PretendSystemHas("GetDpiForWindow", nullptr);
      }
      ::GetWindowRect(dialog.m_hWnd, &taken);
      for (int id : kBindingOrder) {
        after.push_back(ReadLink(dialog.m_hWnd, id));
        toolRects.push_back(ToolRect(::GetDlgItem(dialog.m_hWnd, id)));
      }
      ::PostMessageA(dialog.m_hWnd, WM_COMMAND, IDCANCEL, 0);
      ::DeleteObject(big);  // the labels made fonts of their own from it
      return true;
    });
    dialog.DoModal();
    ASSERT_FALSE(driver.TimedOut());
  }
  server_.Wait();
  EXPECT_EQ(taken.left, expected.left);
  EXPECT_EQ(taken.top, expected.top);
  EXPECT_EQ(taken.right, expected.right);
  EXPECT_EQ(taken.bottom, expected.bottom);
  ASSERT_EQ(after.size(), std::size(kBindingOrder));
  for (std::size_t i = 0; i < after.size(); ++i) {
    SCOPED_TRACE(after[i].id);
    EXPECT_EQ(after[i].fontHeight, bigHeight);
    EXPECT_TRUE(after[i].underlined);
    EXPECT_GT(after[i].width, before[i].width);
    EXPECT_EQ(after[i].width, after[i].extent.cx);
    EXPECT_EQ(after[i].height, after[i].extent.cy);
    EXPECT_EQ(toolRects[i].right, after[i].width) << "the tooltip covers the whole link";
    EXPECT_EQ(toolRects[i].bottom, after[i].height);
  }
}

}  // namespace
