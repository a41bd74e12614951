#pragma once
// CStatic: a static text or icon control. Derived controls chain their message maps to it.
#include "framework/wnd.h"

class CStatic : public CWnd {
 public:
  HICON SetIcon(HICON icon);
  HICON GetIcon() const;
};
