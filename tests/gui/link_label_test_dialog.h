#pragma once
// A modeless dialog made from an in-memory template, with a frame object attached so that the
// static controls' notifications and color queries are reflected back to attached labels,
// and the probes the link label tests read back through.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/wnd.h"

struct TestControl {
  int id;
  DWORD style;  // static-control style bits, added to WS_CHILD | WS_VISIBLE | WS_GROUP
  short x, y, cx, cy;  // dialog units
  std::string text;
};

class LinkTestDialog {
 public:
  explicit LinkTestDialog(const std::vector<TestControl>& controls);
  ~LinkTestDialog();
  LinkTestDialog(const LinkTestDialog&) = delete;
  LinkTestDialog& operator=(const LinkTestDialog&) = delete;

  HWND Hwnd() const { return m_frame.m_hWnd; }
  HWND Item(int id) const { return ::GetDlgItem(m_frame.m_hWnd, id); }
  CWnd& Frame() { return m_frame; }

 private:
  CWnd m_frame;
};

// The window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND window);
// The room the text takes in the window's current font: its advance width, or as far as its
// pixels reach where they reach further.
SIZE ExtentInWindowFont(HWND window, const std::string& text);
// The same in the font selected into `dc`.
SIZE PaintedExtent(HDC dc, const std::string& text);

// How many pixels of each column the label's text takes, trailing empty columns left off:
// `painted` as the label shows it now on the screen, `whole` as the same text comes out drawn
// from the left edge, unclipped, in the label's font. Equal when no letter is cut off.
struct TextInk {
  std::vector<int> painted;
  std::vector<int> whole;
};
TextInk ReadTextInk(HWND label);
LOGFONTA WindowLogFont(HWND window);

// The tooltip that holds tool 1 of `label`, or null.
HWND FindLabelTooltip(HWND label);
std::string TooltipText(HWND tooltip, HWND label);

struct ColorAnswer {
  COLORREF text;
  int backgroundMode;
  HBRUSH brush;
};
// What the parent answers to the label's WM_CTLCOLORSTATIC, read back on a real DC.
ColorAnswer QueryLabelColor(HWND parent, HWND label);

void SendMouseMove(HWND label, int x, int y);
// The click notification the static control sends its parent.
void SendStaticClick(HWND parent, HWND label);
bool HasPendingPaint(HWND window);

// Sets the Windows folder's help viewer aside for the life of the object, and puts it back.
// A 32-bit prefix comes with one, a 64-bit one does not; the tests choose for themselves.
class HelpViewerSetAside {
 public:
  HelpViewerSetAside();
  ~HelpViewerSetAside();
  HelpViewerSetAside(const HelpViewerSetAside&) = delete;
  HelpViewerSetAside& operator=(const HelpViewerSetAside&) = delete;

  const std::string& ViewerPath() const { return m_path; }

 private:
  std::string m_path;
  std::string m_aside;
  bool m_setAside = false;
};
