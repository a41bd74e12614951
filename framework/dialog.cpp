#include "framework/dialog.h"

#include <vector>

#include "framework/catch_at_edge.h"
#include "framework/dialog_template.h"
#include "framework/win_app.h"
#include "framework/window_dpi.h"

namespace {

// The dialog whose window is being made on this thread: its procedure attaches the object at
// the window's first message, before WM_INITDIALOG.
thread_local CDialog* t_creating = nullptr;

// The DPIs a change may go to: 100 % to 500 %.
constexpr UINT kLowestDpi = 96;
constexpr UINT kHighestDpi = 480;

// Any process may send WM_DPICHANGED with any DPI. A change the system made leaves the window
// at the DPI it names, so a DPI that is not the window's own now was not made by the system.
bool IsOwnDpi(HWND hwnd, WPARAM wParam) {
  const UINT dpi = LOWORD(wParam);
  return dpi == HIWORD(wParam) && dpi >= kLowestDpi && dpi <= kHighestDpi &&
         dpi == WindowDpi(hwnd);
}

}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() {
  if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
}

const MessageMap* CDialog::ThisMessageMap() {
  static constexpr MessageMapEntry kEntries[] = {
      OnCommand<IDOK, BN_CLICKED, &CDialog::OnOK>(),
      OnCommand<IDCANCEL, BN_CLICKED, &CDialog::OnCancel>(),
      ::OnDpiChanged<&CDialog::OnDpiChanged>(),
  };
  static constexpr MessageMap kMap = MakeMessageMap(&CWnd::ThisMessageMap, kEntries);
  return &kMap;
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM, LPARAM) {
  if (t_creating != nullptr && t_creating->m_hWnd == nullptr) {
    CDialog* dialog = t_creating;
    if (dialog->AttachHandle(hwnd)) {
      dialog->HookWindowProc();
      dialog->m_dpi = WindowDpi(hwnd);
    } else {
      // Without its object the window would never end the modal loop: it is not run.
      t_creating = nullptr;
      dialog->m_ended = true;
    }
  }
  if (message != WM_INITDIALOG) return FALSE;
  auto* dialog = static_cast<CDialog*>(CWnd::FromHandlePermanent(hwnd));
  if (dialog == nullptr) return FALSE;
  return CatchAtEdge(
      "DialogProc", message, [dialog]() -> INT_PTR { return dialog->OnInitDialog(); },
      []() -> INT_PTR { return FALSE; });
}

HWND CDialog::ModalOwner() const {
  if (m_parent != nullptr) return m_parent->m_hWnd;
  CWinApp* app = AfxGetApp();
  if (app != nullptr && app->m_pMainWnd != nullptr && app->m_pMainWnd != this &&
      ::IsWindow(app->m_pMainWnd->m_hWnd)) {
    return app->m_pMainWnd->m_hWnd;
  }
  return ::GetActiveWindow();
}

INT_PTR CDialog::DoModal() {
  const std::vector<unsigned char> dialogTemplate =
      LoadHiddenDialogTemplate(AfxGetResourceHandle(), m_templateId);
  if (dialogTemplate.empty() || m_hWnd != nullptr) return -1;

  HWND owner = ModalOwner();
  const bool disableOwner = owner != nullptr && ::IsWindowEnabled(owner);
  if (disableOwner) ::EnableWindow(owner, FALSE);

  m_ended = false;
  m_result = -1;
  CDialog* outer = t_creating;
  t_creating = this;
  // The wide call keeps the template's texts as they are, whatever the ANSI code page.
  HWND hwnd = ::CreateDialogIndirectParamW(
      AfxGetResourceHandle(), reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.data()), owner,
      &CDialog::StaticDialogProc, 0);
  t_creating = outer;

  if (hwnd != nullptr && !m_ended) {
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    RunModalLoop();
  }
  // The owner comes back before this window goes, so that activation returns to it.
  if (disableOwner) ::EnableWindow(owner, TRUE);
  if (owner != nullptr && ::GetActiveWindow() == hwnd) ::SetActiveWindow(owner);
  if (hwnd != nullptr) ::DestroyWindow(hwnd);
  return m_result;
}

void CDialog::RunModalLoop() {
  MSG msg;
  while (!m_ended) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // Leave WM_QUIT for whichever loop runs outside this one.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got == -1) break;
    const LoopMessage translating(&msg);
    // A hook that fails leaves the message to its ordinary dispatch.
    const bool consumed = CatchAtEdge(
        "PreTranslateMessage", msg.message, [&] { return WalkPreTranslateTree(m_hWnd, &msg); },
        [] { return false; });
    if (!consumed) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

void CDialog::EndDialog(int result) {
  m_result = result;
  m_ended = true;
  // Wakes the modal loop if it is waiting for a message.
  if (m_hWnd != nullptr) ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange exchange(this, saveAndValidate);
  DoDataExchange(&exchange);
  return exchange.m_failed ? FALSE : TRUE;
}

void CDialog::OnOK() {
  if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  return m_hWnd != nullptr && ::IsDialogMessageW(m_hWnd, msg);
}

bool CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == kDpiChangedMessage && !IsOwnDpi(m_hWnd, wParam)) {
    *result = 0;  // ignored: neither this class, a derived one nor the default processing sees it
    return true;
  }
  if (CWnd::OnWndMsg(message, wParam, lParam, result)) return true;
  // Menu and accelerator commands nobody here claims go to the application's command table.
  if (message == WM_COMMAND && lParam == 0 && AfxGetApp() != nullptr) {
    return AfxGetApp()->OnCmdMsg(LOWORD(wParam));
  }
  return false;
}

void CDialog::OnDpiChanged(UINT dpi) {
  RECT rect{};
  GetWindowRect(&rect);
  const UINT from = m_dpi != 0 ? m_dpi : dpi;
  const RECT scaled{rect.left, rect.top,
                    rect.left + ::MulDiv(rect.right - rect.left, static_cast<int>(dpi),
                                         static_cast<int>(from)),
                    rect.top + ::MulDiv(rect.bottom - rect.top, static_cast<int>(dpi),
                                        static_cast<int>(from))};
  m_dpi = dpi;
  // The default processing is handed this rectangle, never the one the message carried.
  DefWindowProc(kDpiChangedMessage, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&scaled));
  ::SetWindowPos(m_hWnd, nullptr, scaled.left, scaled.top, scaled.right - scaled.left,
                 scaled.bottom - scaled.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDialog::PostNcDestroy() {
  // A window destroyed from outside still ends the modal loop.
  if (!m_ended) EndDialog(IDCANCEL);
}
