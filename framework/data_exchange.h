#pragma once
// Control exchange: binds C++ control objects to the controls of a dialog's template.
#include "framework/wnd.h"

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate)
      : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
  // Set when a binding failed; UpdateData reports it.
  bool m_failed = false;
};

// Attaches `control` to the dialog's control `id` (once; later exchanges leave it alone). The
// object's PreSubclassWindow runs at that moment. A missing control marks the exchange failed.
void DDX_Control(CDataExchange* exchange, int id, CWnd& control);
