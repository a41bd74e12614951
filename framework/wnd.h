#pragma once
// CWnd: a C++ object attached to one window. Attaching replaces the window procedure, so every
// message reaches WindowProc, which hands children's notifications back to them, then looks the
// message up in the class's message map, and otherwise calls the window's original procedure.
// Each thread keeps its own table of the windows attached on it; a window is attached and
// detached only on the thread that made it (UnsubclassWindow from another thread is refused and
// reported on standard error; an object destroyed there still leaves no entry behind).
#include <windows.h>

#include <string>

#include "framework/message_map.h"

struct ThreadWindowTable;

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }

  // The object attached to `hwnd` on this thread, or null (always for another thread's window).
  static CWnd* FromHandlePermanent(HWND hwnd);

  // Attaches to an existing window of this thread: the handle is set, PreSubclassWindow runs,
  // then the window procedure is replaced. False if the window is invalid, another thread's,
  // already attached, or the table cannot take it.
  bool SubclassWindow(HWND hwnd);
  bool SubclassDlgItem(int id, CWnd* parent);
  // Gives the window its original procedure back and detaches. Null, and nothing changes, when
  // called on a thread other than the window's.
  HWND UnsubclassWindow();

  // Runs at attach time, before this object sees any message of the window.
  virtual void PreSubclassWindow() {}
  // Sees each queued message for this window (or its children) before it is dispatched,
  // from the framework's modal loop. True means "consumed".
  virtual BOOL PreTranslateMessage(MSG* msg);

  // Asks every attached window from msg->hwnd up to `last` (inclusive) to pre-translate.
  static bool WalkPreTranslateTree(HWND last, MSG* msg);

  // While it lives, `msg` is the queued message this thread's loop is translating: the only
  // MSG a WM_GETDLGCODE's lParam is believed to point at (IsDialogMessage passes it on).
  class LoopMessage {
   public:
    explicit LoopMessage(const MSG* msg);
    ~LoopMessage();
    LoopMessage(const LoopMessage&) = delete;
    LoopMessage& operator=(const LoopMessage&) = delete;

   private:
    const MSG* m_outer;
  };

  // The current message's default processing (the window's original procedure).
  LRESULT Default();
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  // Thin Win32 wrappers the dialogs use.
  BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  HWND GetParent() const { return ::GetParent(m_hWnd); }
  void SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }
  std::string GetWindowText() const;
  void SetDlgItemText(int id, const char* text) { ::SetDlgItemTextA(m_hWnd, id, text); }
  void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
  void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
  void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
  HMENU GetSystemMenu(BOOL revert) const { return ::GetSystemMenu(m_hWnd, revert); }
  HICON SetIcon(HICON icon, BOOL big);
  HFONT GetFont() const;
  void SetFont(HFONT font, BOOL redraw = TRUE);
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
  }
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
  }
  BOOL DestroyWindow();

 protected:
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Reflection to the sending child first, then the message map. True if handled.
  virtual bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // The child's side of reflection: a notification it sent, handed back by its parent.
  virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // Runs after the window has received its last message (WM_NCDESTROY) and been detached.
  virtual void PostNcDestroy() {}

  // Default handlers that derived maps may name; they pass the message on unchanged.
  void OnSysCommand(UINT id, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();

  // The class's own table; derived classes define theirs and chain to this.
  static const MessageMap* ThisMessageMap();
  virtual const MessageMap* GetMessageMap() const { return ThisMessageMap(); }

  // Attaching without replacing the procedure (a dialog whose procedure is set as it is created).
  // False when the window is another thread's or the thread's table cannot take it.
  bool AttachHandle(HWND hwnd);
  void HookWindowProc();

 private:
  struct CurrentMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
  };

  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  bool OnOwnerThread() const;
  void Detach();

  WNDPROC m_oldProc = nullptr;
  CurrentMessage m_current;
  ThreadWindowTable* m_table = nullptr;  // the attaching thread's, while attached
};
