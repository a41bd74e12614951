// The label attached to real static controls: set-up, fitting, colors read back through the
// reflected color query, hover with the mouse capture, cursor, and the relay to the tooltip.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <iterator>
#include <string>
#include <vector>

#include "app/link_label/link_label.h"
#include "framework/data_exchange.h"
#include "link_label_test_dialog.h"

namespace {

constexpr int kXp64 = 1006;
constexpr int kXp32 = 1007;
constexpr int kCentred = 1008;
constexpr int kRight = 1009;
constexpr int kSimple = 1010;
constexpr int kCentredImage = 1011;
const std::string kXp64Text = "Download 64bit WindowsXP driver";
const std::string kUrl = "http://127.0.0.1:9/drivers/xp64.zip";

const std::vector<TestControl> kControls = {
    {kXp64, SS_LEFT, 19, 46, 124, 11, kXp64Text},
    {kXp32, SS_LEFT, 19, 27, 182, 11, ""},
    {kCentred, SS_CENTER, 19, 65, 124, 11, "Centred"},
    {kRight, SS_RIGHT, 19, 84, 124, 11, "Right"},
    {kSimple, SS_SIMPLE, 150, 65, 124, 11, "Simple"},
    {kCentredImage, SS_LEFT | SS_CENTERIMAGE, 150, 84, 124, 20, "Band"},
};

class LinkLabelAttach : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(dialog.Hwnd(), nullptr); }

  void Attach(CLinkLabel& target, int id) {
    CDataExchange exchange(&dialog.Frame(), FALSE);
    DDX_Control(&exchange, id, target);
    ASSERT_FALSE(exchange.m_failed);
  }

  COLORREF DrawnColor(const CLinkLabel& shown) {
    return QueryLabelColor(dialog.Hwnd(), shown.m_hWnd).text;
  }

  // Labels first: the dialog's window goes before them, as in the program.
  CLinkLabel label;
  CLinkLabel other;
  LinkTestDialog dialog{kControls};
};

TEST_F(LinkLabelAttach, EmptyTargetTakesTheTextAndTheWindowFitsItUnderlined) {
  const HWND control = dialog.Item(kXp64);
  const RECT before = RectInParent(control);
  const LOGFONTA dialogFont = WindowLogFont(control);
  ASSERT_EQ(dialogFont.lfUnderline, 0);

  Attach(label, kXp64);

  EXPECT_NE(label.GetStyle() & SS_NOTIFY, 0u);
  const LOGFONTA font = WindowLogFont(control);
  EXPECT_EQ(font.lfUnderline, 1);
  EXPECT_EQ(font.lfHeight, dialogFont.lfHeight);
  EXPECT_STREQ(font.lfFaceName, dialogFont.lfFaceName);

  const HWND tip = FindLabelTooltip(control);
  ASSERT_NE(tip, nullptr);
  EXPECT_EQ(TooltipText(tip, control), kXp64Text);
  EXPECT_EQ(::GetWindow(tip, GW_OWNER), dialog.Hwnd());  // a child cannot own: its dialog does
  EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(tip, GWL_STYLE)) & WS_CHILD, 0u);

  const SIZE extent = ExtentInWindowFont(control, kXp64Text);
  const RECT after = RectInParent(control);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  EXPECT_EQ(after.right - after.left, extent.cx);
  EXPECT_EQ(after.bottom - after.top, extent.cy);
  EXPECT_NE(after.right, before.right);  // the template's width was not already the text's
}

TEST_F(LinkLabelAttach, TargetSetBeforeAttachFillsAnEmptyText) {
  label.SetTarget(kUrl.c_str());
  Attach(label, kXp32);
  const HWND control = dialog.Item(kXp32);
  EXPECT_EQ(label.GetWindowText(), kUrl);
  EXPECT_EQ(TooltipText(FindLabelTooltip(control), control), kUrl);
  const RECT after = RectInParent(control);
  EXPECT_EQ(after.right - after.left, ExtentInWindowFont(control, kUrl).cx);
}

TEST_F(LinkLabelAttach, SetTargetWithoutWindowTouchesNothingAndWithOneUpdatesTheTip) {
  const RECT before = RectInParent(dialog.Item(kXp64));
  label.SetTarget(kUrl.c_str());
  EXPECT_EQ(label.m_hWnd, nullptr);
  EXPECT_EQ(FindLabelTooltip(dialog.Item(kXp64)), nullptr);
  const RECT unchanged = RectInParent(dialog.Item(kXp64));
  EXPECT_TRUE(::EqualRect(&before, &unchanged));

  Attach(other, kXp64);
  const HWND control = dialog.Item(kXp64);
  const HWND tip = FindLabelTooltip(control);
  ASSERT_NE(tip, nullptr);
  TOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.hwnd = control;
  tool.uId = 1;
  ASSERT_TRUE(::SendMessageA(tip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool)));
  const RECT toolRect = tool.rect;

  other.SetTarget(kUrl.c_str());
  EXPECT_EQ(TooltipText(tip, control), kUrl);
  EXPECT_EQ(other.GetWindowText(), kXp64Text);  // the text stays; only the target changes
  ASSERT_TRUE(::SendMessageA(tip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool)));
  EXPECT_TRUE(::EqualRect(&tool.rect, &toolRect));
}

TEST_F(LinkLabelAttach, ColorsFollowHoverAndTheHighlightRule) {
  ASSERT_NE(::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_HIGHLIGHT));
  Attach(label, kXp64);
  const ColorAnswer fresh = QueryLabelColor(dialog.Hwnd(), label.m_hWnd);
  EXPECT_EQ(fresh.text, RGB(0, 0, 238));
  EXPECT_EQ(fresh.backgroundMode, TRANSPARENT);
  EXPECT_EQ(fresh.brush, static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));

  SendMouseMove(label.m_hWnd, 2, 2);
  EXPECT_EQ(DrawnColor(label), ::GetSysColor(COLOR_BTNHIGHLIGHT));

  label.SetTextColors(RGB(10, 20, 30), RGB(40, 50, 60), static_cast<COLORREF>(-1));
  EXPECT_EQ(DrawnColor(label), ::GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_TRUE(HasPendingPaint(label.m_hWnd));  // repaints later, not at once
  SendMouseMove(label.m_hWnd, -5, -5);
  EXPECT_EQ(DrawnColor(label), RGB(10, 20, 30));
  EXPECT_EQ(label.LinkColor(), RGB(10, 20, 30));
}

TEST_F(LinkLabelAttach, OtherControlsColorQueriesAreLeftToTheDialog) {
  Attach(label, kXp64);
  const ColorAnswer plain = QueryLabelColor(dialog.Hwnd(), dialog.Item(kCentred));
  EXPECT_NE(plain.text, RGB(0, 0, 238));
  EXPECT_NE(plain.brush, static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));
}

TEST_F(LinkLabelAttach, HoverTakesTheCaptureAndEdgesCountAsOutside) {
  Attach(label, kXp64);
  RECT client{};
  ::GetClientRect(label.m_hWnd, &client);
  ASSERT_GT(client.right, 2);
  ASSERT_GT(client.bottom, 2);
  const COLORREF link = DrawnColor(label);
  const COLORREF hover = ::GetSysColor(COLOR_BTNHIGHLIGHT);

  struct Move { int x, y; COLORREF color; bool captured; };
  const Move moves[] = {
      {1, 1, hover, true},                                  // any move starts hovering
      {client.right - 1, client.bottom - 1, hover, true},   // still inside
      {0, 0, hover, true},
      {client.right, 1, link, false},                       // the right edge is outside
      {1, 1, hover, true},
      {1, client.bottom, link, false},                      // so is the bottom edge
      {-1, 1, hover, true},                                 // a move from outside still starts
      {-1, 1, link, false},
  };
  for (const Move& m : moves) {
    SCOPED_TRACE(testing::Message() << "move to " << m.x << "," << m.y);
    SendMouseMove(label.m_hWnd, m.x, m.y);
    EXPECT_EQ(DrawnColor(label), m.color);
    EXPECT_EQ(::GetCapture() == label.m_hWnd, m.captured);
    EXPECT_FALSE(HasPendingPaint(label.m_hWnd));  // redrawn at once
  }
}

TEST_F(LinkLabelAttach, CursorIsShownOnlyWhenSet) {
  // Without the help viewer's cursor the query is not handled and nothing else happens.
  const HelpViewerSetAside noViewer;
  Attach(label, kXp64);
  const HCURSOR wait = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514));   // IDC_WAIT
  const HCURSOR cross = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32515));  // IDC_CROSS
  const LPARAM hit = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  const auto self = reinterpret_cast<WPARAM>(label.m_hWnd);

  ::SetCursor(wait);
  EXPECT_EQ(::SendMessageA(label.m_hWnd, WM_SETCURSOR, self, hit), FALSE);
  EXPECT_EQ(::GetCursor(), wait);

  label.SetHoverCursor(cross);
  EXPECT_EQ(::SendMessageA(label.m_hWnd, WM_SETCURSOR, self, hit), TRUE);
  EXPECT_EQ(::GetCursor(), cross);
}

// The room the label will fit: the window's font with the underline set.
SIZE UnderlinedExtent(HWND control) {
  char text[64] = {};
  ::GetWindowTextA(control, text, sizeof(text));
  LOGFONTA underlined = WindowLogFont(control);
  underlined.lfUnderline = 1;
  const HFONT font = ::CreateFontIndirectA(&underlined);
  HDC dc = ::GetDC(control);
  const HGDIOBJ previous = ::SelectObject(dc, font);
  const SIZE extent = PaintedExtent(dc, text);
  ::SelectObject(dc, previous);
  ::ReleaseDC(control, dc);
  ::DeleteObject(font);
  return extent;
}

constexpr int kOddSurplus = 7;

TEST_F(LinkLabelAttach, FitAlignsByStyleBitsAndCentresOddDifferences) {
  struct Case { int id; bool centred; };
  const Case cases[] = {{kCentred, true}, {kRight, false}, {kSimple, true}};
  CLinkLabel labels[std::size(cases)];
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const HWND control = dialog.Item(cases[i].id);
    SCOPED_TRACE(cases[i].id);
    const SIZE extent = UnderlinedExtent(control);
    const RECT placed = RectInParent(control);
    ::MoveWindow(control, placed.left, placed.top, extent.cx + kOddSurplus,
                 placed.bottom - placed.top, FALSE);
    const RECT start = RectInParent(control);

    Attach(labels[i], cases[i].id);
    const RECT after = RectInParent(control);
    EXPECT_EQ(after.top, start.top);
    EXPECT_EQ(after.bottom - after.top, extent.cy);
    if (cases[i].centred) {
      EXPECT_EQ(after.left, start.left + kOddSurplus / 2);
      EXPECT_EQ(after.right - after.left, extent.cx + 1);
    } else {
      EXPECT_EQ(after.right, start.right);
      EXPECT_EQ(after.right - after.left, extent.cx);
    }
  }
}

TEST_F(LinkLabelAttach, CentredImageKeepsTheTextBandInTheMiddle) {
  const HWND control = dialog.Item(kCentredImage);
  const SIZE extent = UnderlinedExtent(control);
  const RECT placed = RectInParent(control);
  ::MoveWindow(control, placed.left, placed.top, placed.right - placed.left,
               extent.cy + kOddSurplus, FALSE);
  Attach(label, kCentredImage);
  const RECT after = RectInParent(control);
  EXPECT_EQ(after.top, placed.top + kOddSurplus / 2);
  EXPECT_EQ(after.bottom - after.top, extent.cy + 1);
  EXPECT_EQ(after.left, placed.left);
  EXPECT_EQ(after.right - after.left, extent.cx);
}

TEST_F(LinkLabelAttach, UnderlineSwitchesTheLabelsOwnFontBothWays) {
  Attach(label, kXp64);
  const HFONT attached = reinterpret_cast<HFONT>(label.SendMessage(WM_GETFONT));
  label.SetUnderlined(FALSE);
  EXPECT_EQ(WindowLogFont(label.m_hWnd).lfUnderline, 0);
  const HFONT plain = reinterpret_cast<HFONT>(label.SendMessage(WM_GETFONT));
  EXPECT_NE(plain, nullptr);
  EXPECT_EQ(::GetObjectType(attached), 0u);  // the replaced font was deleted
  label.SetUnderlined(TRUE);
  EXPECT_EQ(WindowLogFont(label.m_hWnd).lfUnderline, 1);
  EXPECT_EQ(WindowLogFont(label.m_hWnd).lfHeight, WindowLogFont(dialog.Item(kRight)).lfHeight);
}

// Records which messages reach the tooltip as TTM_RELAYEVENT.
std::vector<UINT> g_relayed;
WNDPROC g_tooltipProc = nullptr;
LRESULT CALLBACK RecordRelay(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == TTM_RELAYEVENT && lParam != 0) {
    g_relayed.push_back(reinterpret_cast<const MSG*>(lParam)->message);
  }
  return ::CallWindowProcA(g_tooltipProc, hwnd, message, wParam, lParam);
}

TEST_F(LinkLabelAttach, EveryMessageIsRelayedToTheTooltip) {
  Attach(label, kXp64);
  const HWND tip = FindLabelTooltip(label.m_hWnd);
  ASSERT_NE(tip, nullptr);
  g_tooltipProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(tip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordRelay)));
  const UINT sent[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_KEYDOWN, WM_PAINT, WM_TIMER, WM_USER + 7};
  for (UINT message : sent) {
    MSG msg{label.m_hWnd, message, 0, 0, 0, {0, 0}};
    EXPECT_FALSE(CWnd::WalkPreTranslateTree(label.m_hWnd, &msg));  // never consumed
  }
  ::SetWindowLongPtrA(tip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_tooltipProc));
  EXPECT_EQ(g_relayed, std::vector<UINT>(std::begin(sent), std::end(sent)));
}

}  // namespace
