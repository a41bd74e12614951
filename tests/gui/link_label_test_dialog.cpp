#include "link_label_test_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <map>

namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_SETFONT |
                               DS_MODALFRAME;
constexpr DWORD kControlBaseStyle = WS_CHILD | WS_VISIBLE | WS_GROUP;
constexpr WORD kStaticClassAtom = 0x0082;
constexpr WORD kFontPoints = 8;
constexpr const char* kFontName = "MS Shell Dlg";
constexpr short kDialogWidth = 280;
constexpr short kDialogHeight = 120;
constexpr int kTipTextSize = 1024;  // INFOTIPSIZE: what the tooltip copies at most

class TemplateWriter {
 public:
  void Word(WORD w) { m_words.push_back(w); }
  void Dword(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void Text(const std::string& text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    if (length > 0) ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    for (wchar_t c : wide) Word(static_cast<WORD>(c));  // includes the terminator
  }
  void AlignDword() {
    if (m_words.size() % 2 != 0) Word(0);
  }
  void Box(short x, short y, short cx, short cy) {
    for (short v : {x, y, cx, cy}) Word(static_cast<WORD>(v));
  }
  const std::vector<WORD>& Words() const { return m_words; }

 private:
  std::vector<WORD> m_words;
};

std::vector<WORD> BuildTemplate(const std::vector<TestControl>& controls) {
  TemplateWriter t;
  t.Dword(kDialogStyle);
  t.Dword(0);
  t.Word(static_cast<WORD>(controls.size()));
  t.Box(10, 10, kDialogWidth, kDialogHeight);
  t.Word(0);  // no menu
  t.Word(0);  // default class
  t.Text("Link label test");
  t.Word(kFontPoints);
  t.Text(kFontName);
  for (const TestControl& c : controls) {
    t.AlignDword();
    t.Dword(kControlBaseStyle | c.style);
    t.Dword(0);
    t.Box(c.x, c.y, c.cx, c.cy);
    t.Word(static_cast<WORD>(c.id));
    t.Word(0xFFFF);
    t.Word(kStaticClassAtom);
    t.Text(c.text);
    t.Word(0);  // no creation data
  }
  return t.Words();
}

INT_PTR CALLBACK PassiveDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct TooltipSearch {
  HWND label;
  HWND found;
};

TOOLINFOA LabelTool(HWND label, char* text) {
  TOOLINFOA info{};
  info.cbSize = TTTOOLINFOA_V1_SIZE;
  info.hwnd = label;
  info.uId = 1;
  info.lpszText = text;
  return info;
}

BOOL CALLBACK CheckTooltip(HWND hwnd, LPARAM context) {
  auto* search = reinterpret_cast<TooltipSearch*>(context);
  char className[64] = {};
  ::GetClassNameA(hwnd, className, sizeof(className));
  if (lstrcmpiA(className, TOOLTIPS_CLASSA) != 0) return TRUE;
  TOOLINFOA info = LabelTool(search->label, nullptr);
  if (::SendMessageA(hwnd, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info)) == FALSE) {
    return TRUE;
  }
  search->found = hwnd;
  return FALSE;
}

void TrimEmptyColumns(std::vector<int>& columns) {
  while (!columns.empty() && columns.back() == 0) columns.pop_back();
}

// The text drawn black on white from (0, 0), as the static control draws it (no positions of
// its own), in the font selected into `dc`; per column, how many pixels are not white.
std::vector<int> InkColumns(HDC dc, const std::string& text) {
  SIZE advance{};
  ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &advance);
  const LONG width = 2 * advance.cx + 2 * advance.cy + 1;
  const LONG height = advance.cy + 1;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HDC memory = ::CreateCompatibleDC(dc);
  std::vector<int> columns(static_cast<std::size_t>(width), 0);
  if (bitmap != nullptr && memory != nullptr) {
    const HGDIOBJ oldBitmap = ::SelectObject(memory, bitmap);
    const HGDIOBJ oldFont = ::SelectObject(memory, ::GetCurrentObject(dc, OBJ_FONT));
    ::PatBlt(memory, 0, 0, width, height, WHITENESS);
    ::SetBkMode(memory, TRANSPARENT);
    ::SetTextColor(memory, RGB(0, 0, 0));
    ::ExtTextOutA(memory, 0, 0, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
    ::GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (LONG y = 0; y < height; ++y) {
      for (LONG x = 0; x < width; ++x) {
        if ((pixels[y * width + x] & 0xFFFFFF) != 0xFFFFFF) ++columns[static_cast<std::size_t>(x)];
      }
    }
    ::SelectObject(memory, oldFont);
    ::SelectObject(memory, oldBitmap);
  }
  if (memory != nullptr) ::DeleteDC(memory);
  if (bitmap != nullptr) ::DeleteObject(bitmap);
  TrimEmptyColumns(columns);
  return columns;
}

}  // namespace

LinkTestDialog::LinkTestDialog(const std::vector<TestControl>& controls) {
  const std::vector<WORD> words = BuildTemplate(controls);
  HWND hwnd = ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr),
                                           reinterpret_cast<LPCDLGTEMPLATEA>(words.data()),
                                           nullptr, &PassiveDialogProc, 0);
  if (hwnd != nullptr) m_frame.SubclassWindow(hwnd);
}

LinkTestDialog::~LinkTestDialog() {
  if (m_frame.m_hWnd != nullptr) ::DestroyWindow(m_frame.m_hWnd);
}

RECT RectInParent(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

SIZE PaintedExtent(HDC dc, const std::string& text) {
  SIZE extent{};
  ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  extent.cx = std::max<LONG>(extent.cx, static_cast<LONG>(InkColumns(dc, text).size()));
  return extent;
}

SIZE ExtentInWindowFont(HWND window, const std::string& text) {
  HDC dc = ::GetDC(window);
  const auto font = reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0));
  const HGDIOBJ previous = ::SelectObject(dc, font);
  const SIZE extent = PaintedExtent(dc, text);
  ::SelectObject(dc, previous);
  ::ReleaseDC(window, dc);
  return extent;
}

TextInk ReadTextInk(HWND label) {
  TextInk ink;
  ::InvalidateRect(label, nullptr, TRUE);
  ::UpdateWindow(label);
  RECT client{};
  ::GetClientRect(label, &client);
  HDC dc = ::GetDC(label);
  // The background is what most of the label shows: its text covers far less.
  std::vector<COLORREF> shown;
  std::map<COLORREF, int> counts;
  for (LONG y = 0; y < client.bottom; ++y) {
    for (LONG x = 0; x < client.right; ++x) {
      shown.push_back(::GetPixel(dc, x, y));
      ++counts[shown.back()];
    }
  }
  COLORREF background = CLR_INVALID;
  int most = 0;
  for (const auto& [color, count] : counts) {
    if (count > most) {
      background = color;
      most = count;
    }
  }
  const auto width = static_cast<std::size_t>(std::max<LONG>(client.right, 0));
  ink.painted.assign(width, 0);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] != background) ++ink.painted[i % width];
  }
  TrimEmptyColumns(ink.painted);
  char text[256] = {};
  ::GetWindowTextA(label, text, sizeof text);
  const auto font = reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0));
  const HGDIOBJ previous = ::SelectObject(dc, font);
  ink.whole = InkColumns(dc, text);
  ::SelectObject(dc, previous);
  ::ReleaseDC(label, dc);
  return ink;
}

LOGFONTA WindowLogFont(HWND window) {
  LOGFONTA logFont{};
  const auto font = reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0));
  if (font != nullptr) ::GetObjectA(font, sizeof(logFont), &logFont);
  return logFont;
}

HWND FindLabelTooltip(HWND label) {
  TooltipSearch search{label, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), &CheckTooltip, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string TooltipText(HWND tooltip, HWND label) {
  std::vector<char> text(kTipTextSize, '\0');
  TOOLINFOA info = LabelTool(label, text.data());
  ::SendMessageA(tooltip, TTM_GETTEXTA, static_cast<WPARAM>(text.size()),
                 reinterpret_cast<LPARAM>(&info));
  text.back() = '\0';
  return std::string(text.data());
}

ColorAnswer QueryLabelColor(HWND parent, HWND label) {
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  ::ReleaseDC(nullptr, screen);
  ::SetTextColor(dc, RGB(1, 2, 3));
  ::SetBkMode(dc, OPAQUE);
  const auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(
      parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label)));
  const ColorAnswer answer{::GetTextColor(dc), ::GetBkMode(dc), brush};
  ::DeleteDC(dc);
  return answer;
}

void SendMouseMove(HWND label, int x, int y) {
  ::SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

void SendStaticClick(HWND parent, HWND label) {
  const auto id = static_cast<WORD>(::GetDlgCtrlID(label));
  ::SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), reinterpret_cast<LPARAM>(label));
}

bool HasPendingPaint(HWND window) { return ::GetUpdateRect(window, nullptr, FALSE) != FALSE; }

HelpViewerSetAside::HelpViewerSetAside() {
  char folder[MAX_PATH] = {};
  const UINT length = ::GetWindowsDirectoryA(folder, MAX_PATH);
  m_path = std::string(folder, length) + "\\winhlp32.exe";
  m_aside = m_path + ".set-aside";
  // One left aside by a run that ended early goes back first.
  if (::GetFileAttributesA(m_path.c_str()) == INVALID_FILE_ATTRIBUTES)
    ::MoveFileA(m_aside.c_str(), m_path.c_str());
  m_setAside = ::GetFileAttributesA(m_path.c_str()) != INVALID_FILE_ATTRIBUTES &&
               ::MoveFileA(m_path.c_str(), m_aside.c_str()) != FALSE;
}

HelpViewerSetAside::~HelpViewerSetAside() {
  if (m_setAside) ::MoveFileA(m_aside.c_str(), m_path.c_str());
}
