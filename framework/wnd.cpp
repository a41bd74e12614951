#include "framework/wnd.h"

#include <cstdio>
#include <new>
#include <unordered_map>
#include <vector>

#include "framework/catch_at_edge.h"

// One thread's attached windows. Nothing outside the process can write here, unlike a window
// property, which any process may set on any window. Made at the thread's first attach, freed by
// the thread when it detaches the last. The lock is for one case only: an object destroyed on
// another thread takes its own entry out (see ~CWnd).
struct ThreadWindowTable {
  CRITICAL_SECTION lock;
  std::unordered_map<HWND, CWnd*> windows;
  DWORD thread = 0;
  HHOOK queueFilter = nullptr;
};

namespace {

constexpr int kMaxWindowText = 4096;
constexpr UINT kSystemTimerMessage = 0x0118;  // WM_SYSTIMER, which the headers leave out

thread_local ThreadWindowTable* t_table = nullptr;
thread_local const MSG* t_loopMessage = nullptr;

// Three messages carry a pointer in lParam that the framework would read, and another process
// may choose it (the system copies neither WM_NOTIFY's nor WM_DPICHANGED's across, and promises
// no copy of WM_GETDLGCODE's). Whether a send comes from this thread cannot be told from the
// thread's state (InSendMessageEx describes the outermost send, not the message in hand), so:
// - posted, none of them is ever dispatched: FilterQueuedPointers below turns them into
//   WM_NULL in whichever loop takes them from the queue (the system posts none of them);
// - WM_GETDLGCODE's MSG is believed only at the address of the MSG this thread's loop is
//   translating (CWnd::LoopMessage), which the dialog manager passes on; else it is null;
// - WM_DPICHANGED's suggested rectangle is never read: the dialog scales its own rectangle by
//   the new DPI in wParam;
// - WM_NOTIFY's header is never read: the framework neither reflects it nor matches it by code.
bool CarriesForeignPointer(UINT message) {
  return message == WM_NOTIFY || message == kDpiChangedMessage || message == WM_GETDLGCODE;
}

LRESULT CALLBACK FilterQueuedPointers(int code, WPARAM removal, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && msg != nullptr && CarriesForeignPointer(msg->message)) {
    msg->message = WM_NULL;
    msg->wParam = 0;
    msg->lParam = 0;
  }
  // A queued timer message's lParam is a procedure that DispatchMessage calls (Windows checks
  // it; Wine calls any). This program's timers have a window and no procedure, as have those
  // of the controls and message boxes it shows, so one there is another process's choice. A
  // system timer's is the system's own, which none of the program's windows needs (no caret,
  // no scroll bar, no hover tracking), but a posted WM_SYSTIMER can carry any.
  if (code == HC_ACTION && msg != nullptr &&
      (msg->message == WM_TIMER || msg->message == kSystemTimerMessage)) {
    msg->lParam = 0;
  }
  return ::CallNextHookEx(nullptr, code, removal, lParam);
}

void ReportMisuse(const char* what) {
  std::fprintf(stderr, "\nCWnd: %s on a thread other than the window's\n", what);
}

ThreadWindowTable* ThisThreadsTable() {
  if (t_table != nullptr) return t_table;
  auto* table = new (std::nothrow) ThreadWindowTable;
  if (table == nullptr) return nullptr;
  table->thread = ::GetCurrentThreadId();
  table->queueFilter = ::SetWindowsHookExW(WH_GETMESSAGE, &FilterQueuedPointers, nullptr,
                                           table->thread);
  if (table->queueFilter == nullptr) {
    delete table;
    return nullptr;
  }
  ::InitializeCriticalSection(&table->lock);
  t_table = table;
  return table;
}

// Only the table's own thread frees it.
void FreeIfEmpty(ThreadWindowTable* table) {
  if (table != t_table) return;
  ::EnterCriticalSection(&table->lock);
  const bool empty = table->windows.empty();
  ::LeaveCriticalSection(&table->lock);
  if (!empty) return;
  ::UnhookWindowsHookEx(table->queueFilter);
  ::DeleteCriticalSection(&table->lock);
  delete table;
  t_table = nullptr;
}

ThreadWindowTable* AddAttached(HWND hwnd, CWnd* wnd) {
  ThreadWindowTable* table = ThisThreadsTable();
  if (table == nullptr) return nullptr;
  bool added = false;
  ::EnterCriticalSection(&table->lock);
  try {
    added = table->windows.emplace(hwnd, wnd).second;
  } catch (const std::bad_alloc&) {
  }
  ::LeaveCriticalSection(&table->lock);
  if (added) return table;
  FreeIfEmpty(table);
  return nullptr;
}

// From the owning thread, or from another one for an object that is being destroyed there.
void RemoveAttached(ThreadWindowTable* table, HWND hwnd, const CWnd* wnd) {
  ::EnterCriticalSection(&table->lock);
  const auto found = table->windows.find(hwnd);
  if (found != table->windows.end() && found->second == wnd) table->windows.erase(found);
  ::LeaveCriticalSection(&table->lock);
  // A table emptied from another thread stays until its own thread attaches or detaches again.
  FreeIfEmpty(table);
}

HWND ChildOfNotification(UINT message, LPARAM lParam) {
  if (message == WM_COMMAND) return reinterpret_cast<HWND>(lParam);
  if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
    return reinterpret_cast<HWND>(lParam);
  }
  return nullptr;
}

}  // namespace

CWnd* message_map_detail::PermanentWindow(HWND hwnd) { return CWnd::FromHandlePermanent(hwnd); }

CWnd::~CWnd() {
  if (m_hWnd == nullptr) return;
  if (OnOwnerThread()) {
    UnsubclassWindow();
    return;
  }
  // Misuse, but the object goes whatever happens: its entry and its procedure go with it.
  ReportMisuse("destroyed while attached");
  if (m_oldProc != nullptr) {
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
  }
  RemoveAttached(m_table, m_hWnd, this);
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  ThreadWindowTable* table = t_table;
  if (hwnd == nullptr || table == nullptr) return nullptr;
  ::EnterCriticalSection(&table->lock);
  const auto found = table->windows.find(hwnd);
  CWnd* wnd = found != table->windows.end() ? found->second : nullptr;
  ::LeaveCriticalSection(&table->lock);
  return wnd;
}

CWnd::LoopMessage::LoopMessage(const MSG* msg) : m_outer(t_loopMessage) { t_loopMessage = msg; }

CWnd::LoopMessage::~LoopMessage() { t_loopMessage = m_outer; }

bool CWnd::OnOwnerThread() const {
  return m_table != nullptr && m_table->thread == ::GetCurrentThreadId();
}

const MessageMap* CWnd::ThisMessageMap() {
  static constexpr MessageMap kMap{nullptr, nullptr, 0};
  return &kMap;
}

bool CWnd::AttachHandle(HWND hwnd) {
  if (::GetWindowThreadProcessId(hwnd, nullptr) != ::GetCurrentThreadId()) return false;
  m_table = AddAttached(hwnd, this);
  if (m_table == nullptr) return false;
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
  if (m_hWnd != nullptr || !::IsWindow(hwnd) || !AttachHandle(hwnd)) {
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
  if (!OnOwnerThread()) {
    ReportMisuse("UnsubclassWindow refused");
    return nullptr;
  }
  if (m_oldProc != nullptr) {
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
  }
  Detach();
  return hwnd;
}

void CWnd::Detach() {
  if (m_hWnd != nullptr) RemoveAttached(m_table, m_hWnd, this);
  m_hWnd = nullptr;
  m_oldProc = nullptr;
  m_table = nullptr;
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
  // Any other dialog-code question is answered as for no message in particular.
  if (message == WM_GETDLGCODE && reinterpret_cast<const MSG*>(lParam) != t_loopMessage) lParam = 0;
  if (message == kDpiChangedMessage) lParam = 0;
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
  const MessageMapEntry* entry = FindMessageEntry(GetMessageMap(), message, wParam);
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
  const MessageMapEntry* entry = FindReflectedEntry(GetMessageMap(), message, wParam);
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
