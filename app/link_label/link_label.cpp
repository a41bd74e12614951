#include "app/link_label/link_label.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "app/link_label/link_accessible.h"
#include "framework/paint_dc.h"
#include "framework/system_functions.h"

namespace {

constexpr UINT_PTR kToolId = 1;
// The same tip, shown while the label has the keyboard focus.
constexpr UINT_PTR kKeyboardToolId = 2;
// Where the keyboard tip appears: this far below the label's bottom edge.
constexpr int kKeyboardTipGap = 2;
constexpr int kHandCursorId = 106;
constexpr const char* kHelpViewer = "\\winhlp32.exe";
constexpr const char* kHtmlFileType = ".htm";
constexpr std::size_t kRegistryValueSize = 260;  // 259 characters and the terminator
constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
// What a refused target answers: a shell-style failure code, so the click fails as any other.
constexpr INT_PTR kRefusedTargetResult = SE_ERR_ACCESSDENIED;

struct KeyCloser {
  void operator()(HKEY key) const { ::RegCloseKey(key); }
};
using OpenKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

struct LibraryFreer {
  void operator()(HMODULE module) const { ::FreeLibrary(module); }
};
using LoadedLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer>;

// A registry text of at most 259 characters into `out`; a longer one leaves it empty.
void CopyText(const char* text, linklogic::CommandBuffer& out) {
  const std::size_t length = std::strlen(text);
  if (length < kRegistryValueSize) std::memcpy(out.data(), text, length + 1);
}

bool IsAnsiLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

// The keys that open a focused link, as Enter and Space press a focused button.
bool IsOpeningKey(WPARAM key) { return key == VK_RETURN || key == VK_SPACE; }

linklogic::Rect ToLogicRect(const RECT& r) {
  return {static_cast<std::int32_t>(r.left), static_cast<std::int32_t>(r.top),
          static_cast<std::int32_t>(r.right), static_cast<std::int32_t>(r.bottom)};
}

// The command registered for opening ".htm" files, with the URL in place of its placeholder.
INT_PTR OpenWithHtmlProgram(const char* url, int showCommand, INT_PTR shellResult) {
  linklogic::CommandBuffer fileType{};
  linklogic::CommandBuffer commandKey{};
  linklogic::CommandBuffer commandTemplate{};
  linklogic::CommandBuffer commandLine{};
  if (CLinkLabel::ReadDefaultValue(HKEY_CLASSES_ROOT, kHtmlFileType, fileType) != 0 ||
      !linklogic::BuildOpenCommandKey(fileType.data(), commandKey) ||
      CLinkLabel::ReadDefaultValue(HKEY_CLASSES_ROOT, commandKey.data(), commandTemplate) != 0 ||
      !linklogic::BuildCommandLine(commandTemplate.data(), url, IsAnsiLeadByte, commandLine)) {
    return shellResult;
  }
  return static_cast<INT_PTR>(::WinExec(commandLine.data(), static_cast<UINT>(showCommand)));
}

// Wide enough for any one-line label: the measure wants the unbroken line.
constexpr LONG kMeasureWidth = 0x7FFF;
constexpr DWORD kWhite = 0x00FFFFFF;

// The DrawText flags the static control draws its text with, less the alignment (the measure
// draws from the left edge).
UINT StaticTextFlags(DWORD style) {
  UINT flags = DT_LEFT;
  switch (style & SS_TYPEMASK) {
    case SS_SIMPLE: flags |= DT_SINGLELINE; break;
    case SS_LEFTNOWORDWRAP: flags |= DT_EXPANDTABS; break;
    default: flags |= DT_EXPANDTABS | DT_WORDBREAK; break;
  }
  if ((style & SS_NOPREFIX) != 0) flags |= DT_NOPREFIX;
  if ((style & SS_CENTERIMAGE) != 0) flags |= DT_SINGLELINE;
  return flags;
}

// How far right the text's pixels reach when drawn in the DC's font with `flags`, from a left
// edge at 0; 0 when it cannot be drawn. The drawing gets room for glyphs twice as wide as
// measured.
LONG PaintedWidth(HDC reference, const std::string& text, UINT flags, SIZE measured) {
  if (measured.cx <= 0 || measured.cy <= 0) return 0;
  const LONG width = 2 * measured.cx + 2 * measured.cy;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -measured.cy;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HDC memory = bitmap != nullptr ? ::CreateCompatibleDC(reference) : nullptr;
  LONG reach = 0;
  if (memory != nullptr && bits != nullptr) {
    const HGDIOBJ oldBitmap = ::SelectObject(memory, bitmap);
    const HGDIOBJ oldFont = ::SelectObject(memory, ::GetCurrentObject(reference, OBJ_FONT));
    RECT area{0, 0, width, measured.cy};
    ::FillRect(memory, &area, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::SetTextColor(memory, RGB(0, 0, 0));
    ::SetBkMode(memory, TRANSPARENT);
    ::DrawTextA(memory, text.c_str(), static_cast<int>(text.size()), &area, flags);
    ::GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (LONG y = 0; y < measured.cy; ++y) {
      const DWORD* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
      for (LONG x = width - 1; x >= reach; --x) {
        if ((row[x] & kWhite) != kWhite) {
          reach = x + 1;
          break;
        }
      }
    }
    ::SelectObject(memory, oldFont);
    ::SelectObject(memory, oldBitmap);
  }
  if (memory != nullptr) ::DeleteDC(memory);
  if (bitmap != nullptr) ::DeleteObject(bitmap);
  return reach;
}

}  // namespace

CLinkLabel::CLinkLabel()
    : m_linkColor(linklogic::kDefaultLinkColor),
      m_visitedColor(linklogic::kDefaultVisitedColor),
      m_hoverColor(::GetSysColor(COLOR_BTNHIGHLIGHT)),
      m_hovering(FALSE),
      m_visited(FALSE),
      m_underlined(TRUE),
      m_cursor(nullptr) {}

CLinkLabel::~CLinkLabel() {
  m_underlineFont.DeleteObject();
  m_tip.DestroyWindow();
  m_target.clear();
}

const MessageMap* CLinkLabel::ThisMessageMap() {
  static constexpr MessageMapEntry kEntries[] = {
      OnControlReflect<STN_CLICKED, &CLinkLabel::HandleClick>(),
      OnCtlColorReflect<&CLinkLabel::ChooseTextColor>(),
      OnSetCursor<&CLinkLabel::HandleSetCursor>(),
      OnMouseMove<&CLinkLabel::HandleMouseMove>(),
      OnGetDlgCode<&CLinkLabel::HandleGetDlgCode>(),
      OnKeyDown<&CLinkLabel::HandleKeyDown>(),
      OnSetFocus<&CLinkLabel::HandleSetFocus>(),
      OnKillFocus<&CLinkLabel::HandleKillFocus>(),
      OnMessage<WM_UPDATEUISTATE, &CLinkLabel::HandleUpdateUiState>(),
      ::OnPaint<&CLinkLabel::HandlePaint>(),
      OnEraseBkgnd<&CLinkLabel::HandleEraseBackground>(),
      OnMessage<WM_SETFONT, &CLinkLabel::HandleSetFont>(),
      OnMessage<WM_GETOBJECT, &CLinkLabel::HandleGetObject>(),
      OnMessage<kLinkOpenRequest, &CLinkLabel::HandleOpenRequest>(),
  };
  static constexpr MessageMap kMap = MakeMessageMap(&CStatic::ThisMessageMap, kEntries);
  return &kMap;
}

void CLinkLabel::SetTarget(const char* url) {
  m_target = url != nullptr ? url : "";
  if (!HasWindow()) return;
  FitToText();
  m_tip.UpdateTipText(this, kToolId, m_target.c_str());
  m_tip.UpdateTipText(this, kKeyboardToolId, m_target.c_str());
}

void CLinkLabel::SetTextColors(COLORREF link, COLORREF visited, COLORREF hover) {
  m_linkColor = link;
  m_visitedColor = visited;
  m_hoverColor = linklogic::ResolveHoverColor(hover, ::GetSysColor(COLOR_HIGHLIGHT));
  if (HasWindow()) Invalidate(TRUE);
}

void CLinkLabel::SetUnderlined(BOOL on) {
  m_underlined = on;
  if (!HasWindow()) return;
  MakeUnderlineFont();
  // Measured again in the font it now paints with: a system may substitute another face for
  // the underlined one, with other widths.
  FitToText();
  Invalidate(TRUE);
}

void CLinkLabel::SetHoverCursor(HCURSOR cursor) {
  m_cursor = cursor;
  if (cursor == nullptr) LoadHandCursor();
}

void CLinkLabel::PreSubclassWindow() {
  ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(GetStyle() | SS_NOTIFY));
  if (m_target.empty()) m_target = GetWindowText();
  if (GetWindowText().empty()) SetWindowText(m_target.c_str());
  MakeUnderlineFont();
  FitToText();
  LoadHandCursor();
  RECT client{};
  GetClientRect(&client);
  m_tip.Create(this, WS_POPUP);  // the label works on without its tooltip
  m_tip.AddTool(this, kToolId, client, m_target.c_str());
  m_tip.AddTrackingTool(this, kKeyboardToolId, m_target.c_str());
  CStatic::PreSubclassWindow();
}

BOOL CLinkLabel::PreTranslateMessage(MSG* msg) {
  m_tip.RelayEvent(msg);
  return CStatic::PreTranslateMessage(msg);
}

void CLinkLabel::HandleClick() {
  m_hovering = FALSE;  // the capture stays: the next move starts hovering again
  m_visited = linklogic::OpenSucceeded(OpenTarget(m_target.c_str(), SW_SHOW)) ? TRUE : FALSE;
  if (!m_visited) {
    ::MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  Invalidate(TRUE);
}

HBRUSH CLinkLabel::ChooseTextColor(HDC dc, UINT kind) {
  if (kind != CTLCOLOR_STATIC) return nullptr;
  const linklogic::LinkColors colors{m_linkColor, m_visitedColor, m_hoverColor};
  ::SetTextColor(dc, linklogic::ChooseTextColor(colors, m_hovering != FALSE, m_visited != FALSE));
  ::SetBkMode(dc, TRANSPARENT);
  return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

BOOL CLinkLabel::HandleSetCursor(CWnd*, UINT, UINT) {
  if (m_cursor == nullptr) return FALSE;
  ::SetCursor(m_cursor);
  return TRUE;
}

void CLinkLabel::HandleMouseMove(UINT, POINT point) {
  Default();
  RECT client{};
  GetClientRect(&client);
  const linklogic::HoverStep step = linklogic::NextHoverStep(
      m_hovering != FALSE, {static_cast<std::int32_t>(point.x), static_cast<std::int32_t>(point.y)},
      ToLogicRect(client));
  m_hovering = step.hovering ? TRUE : FALSE;
  if (step.releaseCapture) ::ReleaseCapture();
  if (step.redraw) RedrawNow();
  if (step.takeCapture) ::SetCapture(m_hWnd);
}

void CLinkLabel::RedrawNow() { ::RedrawWindow(m_hWnd, nullptr, nullptr, kRedrawNow); }

// Enter and Space would otherwise be the dialog's (Enter its default button); every other key
// keeps its meaning, Tab included.
UINT CLinkLabel::HandleGetDlgCode(const MSG* msg) {
  auto code = static_cast<UINT>(Default());
  if (msg != nullptr && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) &&
      IsOpeningKey(msg->wParam)) {
    code |= DLGC_WANTMESSAGE;
  }
  return code;
}

void CLinkLabel::HandleKeyDown(UINT key, UINT, UINT flags) {
  if (!IsOpeningKey(key)) {
    Default();
    return;
  }
  if ((flags & KF_REPEAT) != 0) return;  // a key held down opens the link once
  HandleClick();
}

// The tip goes with the focus rectangle: a mouse user, whom the system hides focus cues from,
// is given the focus after a press and would see the tip cover the link below.
void CLinkLabel::HandleSetFocus(HWND) {
  Default();
  Invalidate(TRUE);
  ShowKeyboardTip(ShowsFocusRect());
}

void CLinkLabel::HandleKillFocus(HWND) {
  Default();
  ShowKeyboardTip(false);
  Invalidate(TRUE);
}

LRESULT CLinkLabel::HandleUpdateUiState(WPARAM, LPARAM) {
  const LRESULT result = Default();
  if (::GetFocus() == m_hWnd) {
    Invalidate(TRUE);
    ShowKeyboardTip(ShowsFocusRect());
  }
  return result;
}

// The static control draws the text into the label's paint context; the focus rectangle goes
// around it while keyboard users are shown where the focus is.
void CLinkLabel::HandlePaint() {
  CPaintDC dc(this);
  if (dc.GetSafeHdc() == nullptr) return;
  DefWindowProc(WM_PAINT, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
  if (!ShowsFocusRect()) return;
  RECT client{};
  GetClientRect(&client);
  ::DrawFocusRect(dc.GetSafeHdc(), &client);
}

// The label draws its text over whatever lies beneath it. Each paint starts from the parent's
// background again, so that an inverted focus rectangle never toggles itself away.
BOOL CLinkLabel::HandleEraseBackground(HDC dc) {
  RECT client{};
  GetClientRect(&client);
  using DrawParentBackground = HRESULT(WINAPI*)(HWND, HDC, const RECT*);
  // Windows 2000 has no theme library: there the parent's background is its plain colour.
  // Through void (*)(), the one function type any other may be cast from without a warning.
  const auto draw = reinterpret_cast<DrawParentBackground>(reinterpret_cast<void (*)()>(
      FindSystemFunction("uxtheme.dll", "DrawThemeParentBackground")));
  if (draw == nullptr || FAILED(draw(m_hWnd, dc, &client))) {
    ::FillRect(dc, &client, ParentBackgroundBrush(dc));
  }
  return TRUE;
}

// What the dialog erases itself with: the brush it answers for its own background, else the
// face colour that dialogs have without themes.
HBRUSH CLinkLabel::ParentBackgroundBrush(HDC dc) const {
  HWND parent = ::GetParent(m_hWnd);
  HBRUSH brush = nullptr;
  if (parent != nullptr && ::GetWindowThreadProcessId(parent, nullptr) == ::GetCurrentThreadId()) {
    const int saved = ::SaveDC(dc);
    brush = reinterpret_cast<HBRUSH>(::SendMessageA(parent, WM_CTLCOLORDLG,
                                                    reinterpret_cast<WPARAM>(dc),
                                                    reinterpret_cast<LPARAM>(parent)));
    if (saved != 0) ::RestoreDC(dc, saved);
  }
  return brush != nullptr ? brush : ::GetSysColorBrush(COLOR_BTNFACE);
}

bool CLinkLabel::ShowsFocusRect() const {
  return ::GetFocus() == m_hWnd &&
         (::SendMessageW(m_hWnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

void CLinkLabel::PlaceKeyboardTip() {
  if (HasWindow() && ShowsFocusRect()) ShowKeyboardTip(true);
}

void CLinkLabel::ShowKeyboardTip(bool show) {
  RECT rect{};
  GetWindowRect(&rect);
  m_tip.Track(this, kKeyboardToolId, show, POINT{rect.left, rect.bottom + kKeyboardTipGap});
}

// A font given from outside (the dialog's, rescaled for another DPI) becomes the base of the
// label's own underlined font, and the label fits its text in it again.
LRESULT CLinkLabel::HandleSetFont(WPARAM wParam, LPARAM) {
  const auto font = reinterpret_cast<HFONT>(wParam);
  if (font == nullptr || font == m_underlineFont.GetSafeHandle()) return Default();
  DefWindowProc(WM_SETFONT, wParam, FALSE);
  MakeUnderlineFont();
  FitToText();
  RECT client{};
  GetClientRect(&client);
  m_tip.SetToolRect(this, kToolId, client);
  return 0;
}

LRESULT CLinkLabel::HandleGetObject(WPARAM wParam, LPARAM lParam) {
  if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT)) return Default();
  const LRESULT answer = AnswerLinkObjectRequest(m_hWnd, wParam);
  return answer != 0 ? answer : Default();
}

LRESULT CLinkLabel::HandleOpenRequest(WPARAM, LPARAM) {
  HandleClick();
  return 0;
}

void CLinkLabel::MakeUnderlineFont() {
  LOGFONTA logFont{};
  const HFONT current = GetFont();
  if (current == nullptr || ::GetObjectA(current, sizeof(logFont), &logFont) == 0) return;
  logFont.lfUnderline = static_cast<BYTE>(m_underlined & 0xFF);
  m_underlineFont.CreateFontIndirect(&logFont);  // on failure the control falls back to its default
  SetFont(m_underlineFont.GetSafeHandle(), TRUE);
}

void CLinkLabel::FitToText() {
  if (!HasWindow()) return;
  RECT rect{};
  GetWindowRect(&rect);
  if (const HWND parent = GetParent()) {
    auto* corners = reinterpret_cast<POINT*>(&rect);
    ::ScreenToClient(parent, &corners[0]);
    ::ScreenToClient(parent, &corners[1]);
  }
  const SIZE extent = MeasureText();
  const linklogic::Rect fitted =
      linklogic::FitRect(GetStyle(), ToLogicRect(rect),
                         {static_cast<std::int32_t>(extent.cx), static_cast<std::int32_t>(extent.cy)});
  ::SetWindowPos(m_hWnd, nullptr, fitted.left, fitted.top, fitted.right - fitted.left,
                 fitted.bottom - fitted.top, SWP_NOZORDER);
}

// The static control draws its text with DrawText and no glyph positions of its own, so the
// glyphs stand where the drawn glyphs' own advances put them. Those can differ from what every
// measuring call reports (Wine draws small unsmoothed text with monochrome glyphs whose advances
// are wider or narrower than the metrics'): only the drawing tells where the last pixel falls.
SIZE CLinkLabel::MeasureText() const {
  SIZE extent{};
  const std::string text = GetWindowText();
  const HDC dc = ::GetDC(m_hWnd);
  if (dc == nullptr) return extent;
  const HFONT font = GetFont();  // the one the control draws with (null: the DC's default)
  const HGDIOBJ previous = font != nullptr ? ::SelectObject(dc, font) : nullptr;
  const UINT flags = StaticTextFlags(GetStyle());
  RECT bounds{0, 0, kMeasureWidth, 0};
  ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &bounds, flags | DT_CALCRECT);
  extent = {bounds.right, bounds.bottom};
  extent.cx = std::max(extent.cx, PaintedWidth(dc, text, flags, extent));
  if (previous != nullptr) ::SelectObject(dc, previous);
  ::ReleaseDC(m_hWnd, dc);
  return extent;
}

void CLinkLabel::LoadHandCursor() {
  if (m_cursor != nullptr) return;
  char path[MAX_PATH] = {};
  const UINT length = ::GetWindowsDirectoryA(path, MAX_PATH);
  if (length == 0 || length + std::strlen(kHelpViewer) >= MAX_PATH) return;
  std::memcpy(path + length, kHelpViewer, std::strlen(kHelpViewer) + 1);
  // Loaded for its resources only: none of the help viewer's code runs in this process.
  const LoadedLibrary viewer(::LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!viewer) return;
  const HCURSOR shared = ::LoadCursorA(viewer.get(), MAKEINTRESOURCEA(kHandCursorId));
  if (shared == nullptr) return;
  m_ownHandCursor.reset(::CopyIcon(shared));
  if (m_ownHandCursor) CountMade(LiveObject::kCursorCopy);
  m_cursor = m_ownHandCursor.get();
}

INT_PTR CLinkLabel::OpenTarget(const char* url, int showCommand) {
  if (url == nullptr || !linklogic::IsOpenableWebAddress(url)) return kRefusedTargetResult;
  const std::string address = linklogic::EncodeWebAddress(url);
  const auto shellResult = reinterpret_cast<INT_PTR>(
      ::ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, showCommand));
  if (static_cast<UINT_PTR>(shellResult) > linklogic::kLastFailureResult) return shellResult;
  return OpenWithHtmlProgram(address.c_str(), showCommand, shellResult);
}

LONG CLinkLabel::ReadDefaultValue(HKEY root, const char* subKey, linklogic::CommandBuffer& out) {
  HKEY rawKey = nullptr;
  const LONG opened = ::RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE, &rawKey);
  if (opened != ERROR_SUCCESS) return opened;
  const OpenKey key(rawKey);
  // A value that cannot be read (missing, too long) or is not text reads as the empty text.
  out[0] = '\0';
  char value[kRegistryValueSize + 1] = {};  // room to terminate a value stored without one
  DWORD type = REG_NONE;
  DWORD size = kRegistryValueSize;
  const LONG read =
      ::RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  if (read != ERROR_SUCCESS) return ERROR_SUCCESS;
  value[size < kRegistryValueSize ? size : kRegistryValueSize] = '\0';
  if (type == REG_SZ) {
    CopyText(value, out);
  } else if (type == REG_EXPAND_SZ) {
    char expanded[kRegistryValueSize + 2] = {};  // the ANSI call may write one byte past its count
    const DWORD needed = ::ExpandEnvironmentStringsA(value, expanded, kRegistryValueSize);
    if (needed != 0 && needed <= kRegistryValueSize) CopyText(expanded, out);
  }
  return ERROR_SUCCESS;
}
