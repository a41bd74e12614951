// The main dialog's four download links are link labels, attached while it initialises, in
// the order of its data exchange.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/detector_dlg.h"
#include "dialog_test_support.h"
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

}  // namespace
