// The floor for the start-up benchmark: the main dialog's template run by the same framework,
// without the catalogue, the link labels or the device check.
#include <windows.h>
#include <commctrl.h>

#include "framework/dialog.h"
#include "framework/win_app.h"
#include "res/resource.h"

class CBareApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    ::InitCommonControls();
    CDialog dialog(IDD_DETECTOR);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
  }
};

CBareApp theApp;
