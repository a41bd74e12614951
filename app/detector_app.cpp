#include "app/detector_app.h"

#include <commctrl.h>

#include <iterator>

#include "app/detector_dlg.h"

namespace {

constexpr const char* kRegistryKey = "Local AppWizard-Generated Applications";

constexpr AppCommandEntry kCommands[] = {
    {ID_HELP, &CWinApp::OnHelp},
};

}  // namespace

const AppCommandEntry* CDetectorApp::GetCommandMap(std::size_t* count) const {
  *count = std::size(kCommands);
  return kCommands;
}

BOOL CDetectorApp::InitInstance() {
  ::InitCommonControls();
  CWinApp::InitInstance();
  AfxEnableControlContainer();
  SetRegistryKey(kRegistryKey);
  {
    CDetectorDlg dlg(m_platform);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;  // the dialog object ends with this scope
  }
  return FALSE;
}
