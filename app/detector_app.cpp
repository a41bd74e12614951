#include "app/detector_app.h"

#include <commctrl.h>
#include <objbase.h>

#include <iterator>

#include "app/detector_dlg.h"

namespace {

constexpr const char* kRegistryKey = "Local AppWizard-Generated Applications";

constexpr AppCommandEntry kCommands[] = {
    {ID_HELP, &CWinApp::OnHelp},
};

// A screen reader in another process receives the links' accessible objects through COM, which
// needs the dialog's thread in an apartment of its own for as long as the dialog lives.
class ComApartment {
 public:
  ComApartment() : m_entered(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (m_entered) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool m_entered;
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
    const ComApartment apartment;
    CDetectorDlg dlg(m_platform);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;  // the dialog object ends with this scope
  }
  return FALSE;
}
