#pragma once
// CToolTipCtrl: a tooltip popup owned by another window. The object is attached to its
// window, so it learns when the owner's destruction takes the popup with it.
#include <windows.h>

#include "framework/wnd.h"

class CToolTipCtrl : public CWnd {
 public:
  CToolTipCtrl() = default;
  ~CToolTipCtrl() override;

  // A "tooltips_class32" window with `style`, owned by `owner`. False if it cannot be made.
  bool Create(CWnd* owner, DWORD style);

  // Tool `id` of window `tool` over `rect` (tool's client coordinates) with `text`.
  bool AddTool(CWnd* tool, UINT_PTR id, const RECT& rect, const char* text);
  void UpdateTipText(CWnd* tool, UINT_PTR id, const char* text);
  void SetToolRect(CWnd* tool, UINT_PTR id, const RECT& rect);
  // Tool `id` of window `tool`, shown and placed by its owner instead of by the pointer.
  bool AddTrackingTool(CWnd* tool, UINT_PTR id, const char* text);
  // Shows the tracking tool with its top-left corner at `screenPoint`, or hides it.
  void Track(CWnd* tool, UINT_PTR id, bool show, POINT screenPoint);
  // Hands a message of the tool's window to the tooltip so that it can show or hide itself.
  void RelayEvent(const MSG* msg);

 protected:
  void PostNcDestroy() override;
};
