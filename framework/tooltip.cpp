#include "framework/tooltip.h"

#include <commctrl.h>

#include "framework/live_objects.h"

namespace {

// The version-1 layout is understood by every comctl32, with or without a manifest.
TOOLINFOA MakeToolInfo(CWnd* tool, UINT_PTR id, const char* text) {
  TOOLINFOA info{};
  info.cbSize = TTTOOLINFOA_V1_SIZE;
  info.hwnd = tool != nullptr ? tool->m_hWnd : nullptr;
  info.uId = id;
  info.lpszText = const_cast<char*>(text);  // the tooltip copies it
  return info;
}

}  // namespace

CToolTipCtrl::~CToolTipCtrl() { DestroyWindow(); }

bool CToolTipCtrl::Create(CWnd* owner, DWORD style) {
  if (m_hWnd != nullptr) return false;
  INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&classes);
  HWND hwnd = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT,
                                owner != nullptr ? owner->m_hWnd : nullptr, nullptr,
                                ::GetModuleHandleA(nullptr), nullptr);
  if (hwnd == nullptr) return false;
  if (!SubclassWindow(hwnd)) {
    ::DestroyWindow(hwnd);
    return false;
  }
  CountMade(LiveObject::kToolTip);
  return true;
}

// Whoever destroys the popup (this object, or its owner's destruction), it ends here.
void CToolTipCtrl::PostNcDestroy() { CountDestroyed(LiveObject::kToolTip); }

bool CToolTipCtrl::AddTool(CWnd* tool, UINT_PTR id, const RECT& rect, const char* text) {
  if (m_hWnd == nullptr) return false;
  TOOLINFOA info = MakeToolInfo(tool, id, text);
  info.rect = rect;
  return SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

void CToolTipCtrl::UpdateTipText(CWnd* tool, UINT_PTR id, const char* text) {
  if (m_hWnd == nullptr) return;
  TOOLINFOA info = MakeToolInfo(tool, id, text);
  SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::RelayEvent(const MSG* msg) {
  if (m_hWnd == nullptr || msg == nullptr) return;
  SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}

void CToolTipCtrl::SetToolRect(CWnd* tool, UINT_PTR id, const RECT& rect) {
  if (m_hWnd == nullptr) return;
  TOOLINFOA info = MakeToolInfo(tool, id, nullptr);
  info.rect = rect;
  SendMessage(TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&info));
}

bool CToolTipCtrl::AddTrackingTool(CWnd* tool, UINT_PTR id, const char* text) {
  if (m_hWnd == nullptr) return false;
  TOOLINFOA info = MakeToolInfo(tool, id, text);
  info.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  return SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

void CToolTipCtrl::Track(CWnd* tool, UINT_PTR id, bool show, POINT screenPoint) {
  if (m_hWnd == nullptr) return;
  TOOLINFOA info = MakeToolInfo(tool, id, nullptr);
  if (show) SendMessage(TTM_TRACKPOSITION, 0, MAKELPARAM(screenPoint.x, screenPoint.y));
  SendMessage(TTM_TRACKACTIVATE, show ? TRUE : FALSE, reinterpret_cast<LPARAM>(&info));
}
