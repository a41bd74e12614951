#include "framework/wnd.h"

#include <new>
#include <unordered_map>
#include <vector>

#include "framework/catch_at_edge.h"

namespace {

constexpr int kMaxWindowText = 4096;

// The windows attached on this thread. Nothing outside the process can write here, unlike a
// window property, which any process may set on any window. Made at the first attach and freed
// with the last detach, so a thread leaves nothing behind.
using HandleMap = std::unordered_map<HWND, CWnd*>;
thread_local HandleMap* t_attached = nullptr;

bool AddAttached(HWND hwnd, CWnd* wnd) {
  try {
    if (t_attached == nullptr) t_attached = new HandleMap;
    return t_attached->emplace(hwnd, wnd).second;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void RemoveAttached(HWND hwnd, const CWnd* wnd) {
  if (t_attached == nullptr) return;
  const auto found = t_attached->find(hwnd);
  if (found != t_attached->end() && found->second == wnd) t_attached->erase(found);
  if (t_attached->empty()) {
    delete t_attached;
    t_attached = nullptr;
  }
}

// The framework's handlers read a pointer from these. Sent by another process it may point
// into the sender's memory (the system copies neither WM_NOTIFY's nor WM_DPICHANGED's across,
// and promises no copy of WM_GETDLGCODE's), so it is believed only from this thread: a send from
// this thread itself, as the dialog manager's from IsDialogMessage, finds InSendMessageEx
// answering ISMEX_NOSEND; one from any other thread, ISMEX_SEND (or ISMEX_NOTIFY, ISMEX_CALLBACK).
bool PointerFromAnotherThread(UINT message) {
  if (message != WM_NOTIFY && message != kDpiChangedMessage && message != WM_GETDLGCODE) {
    return false;
  }
  return ::InSendMessageEx(nullptr) != ISMEX_NOSEND;
}

HWND ChildOfNotification(UINT message, LPARAM lParam) {
  if (message == WM_COMMAND) return reinterpret_cast<HWND>(lParam);
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    return header ? header->hwndFrom : nullptr;
  }
  if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
    return reinterpret_cast<HWND>(lParam);
  }
  return nullptr;
}

}  // namespace

CWnd* message_map_detail::PermanentWindow(HWND hwnd) { return CWnd::FromHandlePermanent(hwnd); }

CWnd::~CWnd() {
  if (m_hWnd != nullptr) UnsubclassWindow();
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  if (hwnd == nullptr || t_attached == nullptr) return nullptr;
  const auto found = t_attached->find(hwnd);
  return found != t_attached->end() ? found->second : nullptr;
}

const MessageMap* CWnd::ThisMessageMap() {
  static constexpr MessageMap kMap{nullptr, nullptr, 0};
  return &kMap;
}

bool CWnd::AttachHandle(HWND hwnd) {
  if (!AddAttached(hwnd, this)) return false;
  m_hWnd = hwnd;
  return true;
}

void CWnd::HookWindowProc() {
  // A wide procedure: texts the window system hands on (captions, template texts) then pass
  // through unconverted, whatever the ANSI code page.
  m_oldProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
      m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StaticWndProc)));
}

bool CWnd::SubclassWindow(HWND hwnd) {
  if (m_hWnd != nullptr || !::IsWindow(hwnd) ||
      ::GetWindowThreadProcessId(hwnd, nullptr) != ::GetCurrentThreadId() ||
      !AttachHandle(hwnd)) {
    return false;
  }
  PreSubclassWindow();
  HookWindowProc();
  return m_oldProc != nullptr;
}

bool CWnd::SubclassDlgItem(int id, CWnd* parent) {
  return parent != nullptr && SubclassWindow(::GetDlgItem(parent->m_hWnd, id));
}

HWND CWnd::UnsubclassWindow() {
  HWND hwnd = m_hWnd;
  if (hwnd == nullptr) return nullptr;
  if (m_oldProc != nullptr) {
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
  }
  Detach();
  return hwnd;
}

void CWnd::Detach() {
  if (m_hWnd != nullptr) RemoveAttached(m_hWnd, this);
  m_hWnd = nullptr;
  m_oldProc = nullptr;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

bool CWnd::WalkPreTranslateTree(HWND last, MSG* msg) {
  for (HWND hwnd = msg->hwnd; hwnd != nullptr; hwnd = ::GetParent(hwnd)) {
    CWnd* wnd = FromHandlePermanent(hwnd);
    if (wnd != nullptr && wnd->PreTranslateMessage(msg)) return true;
    if (hwnd == last) break;
  }
  return false;
}

LRESULT CWnd::Default() {
  return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_oldProc != nullptr) return ::CallWindowProcW(m_oldProc, m_hWnd, message, wParam, lParam);
  return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = FromHandlePermanent(hwnd);
  if (wnd == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  if (PointerFromAnotherThread(message)) {
    // Asked from elsewhere, the dialog code is answered as for no message in particular.
    if (message != WM_GETDLGCODE) return 0;
    lParam = 0;
  }
  const CurrentMessage outer = wnd->m_current;
  wnd->m_current = {message, wParam, lParam};
  const LRESULT result = CatchAtEdge(
      "WindowProc", message, [&] { return wnd->WindowProc(message, wParam, lParam); },
      [&] { return wnd->DefWindowProc(message, wParam, lParam); });
  wnd->m_current = outer;
  if (message == WM_NCDESTROY) {
    wnd->Detach();
    CatchAtEdge("PostNcDestroy", message, [wnd] { wnd->PostNcDestroy(); }, [] {});
  }
  return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (ReflectToChild(message, wParam, lParam, result)) return true;
  const MessageMapEntry* entry = FindMessageEntry(GetMessageMap(), message, wParam, lParam);
  return entry != nullptr && entry->thunk(*this, wParam, lParam, *result);
}

bool CWnd::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  CWnd* child = FromHandlePermanent(ChildOfNotification(message, lParam));
  if (child == nullptr || child == this) return false;
  UINT reflected = message;
  LPARAM reflectedParam = lParam;
  if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
    reflected = kCtlColorAny;
    reflectedParam = static_cast<LPARAM>(message - WM_CTLCOLORMSGBOX);
  }
  // The child did not receive the notification, so a Default() in its handler passes nothing
  // on (WM_NULL) rather than replay whatever the child received last.
  const CurrentMessage outer = child->m_current;
  child->m_current = {};
  const bool handled = child->OnChildNotify(reflected, wParam, reflectedParam, result);
  child->m_current = outer;
  return handled;
}

bool CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const MessageMapEntry* entry = FindReflectedEntry(GetMessageMap(), message, wParam, lParam);
  return entry != nullptr && entry->thunk(*this, wParam, lParam, *result);
}

std::string CWnd::GetWindowText() const {
  std::vector<char> buffer(kMaxWindowText, '\0');
  const int length = ::GetWindowTextA(m_hWnd, buffer.data(), kMaxWindowText);
  return std::string(buffer.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
}

HICON CWnd::SetIcon(HICON icon, BOOL big) {
  return reinterpret_cast<HICON>(
      SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

HFONT CWnd::GetFont() const {
  return reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
}

void CWnd::SetFont(HFONT font, BOOL redraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
}

BOOL CWnd::DestroyWindow() { return m_hWnd != nullptr && ::DestroyWindow(m_hWnd); }

void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }

void CWnd::OnPaint() { Default(); }

HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
