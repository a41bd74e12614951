#pragma once
// CWinApp: the one application object. WinMain calls its InitInstance; when that returns false
// the program ends.
#include <windows.h>

#include <cstddef>

class CWnd;
class CWinApp;

// The application's command table: commands (menu items, accelerators) that no window claims.
struct AppCommandEntry {
  UINT id;
  void (CWinApp::*handler)();
};

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance();
  virtual int ExitInstance();
  // The application's message loop, for start-up hooks that answer TRUE.
  virtual int Run();

  // Names the per-user settings key; this framework stores nothing there.
  void SetRegistryKey(const char* company);

  // True if the command table had an entry for `id`.
  bool OnCmdMsg(UINT id);
  // The standard help command: there is no help file, so it does nothing.
  void OnHelp();

  CWnd* m_pMainWnd = nullptr;
  HINSTANCE m_hInstance = nullptr;

 protected:
  virtual const AppCommandEntry* GetCommandMap(std::size_t* count) const;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
// Where dialogs, strings, icons and cursors are looked up: the program's own module.
HINSTANCE AfxGetResourceHandle();
// Hosting of ActiveX controls: nothing here needs it, so it does nothing.
void AfxEnableControlContainer();
// What WinMain runs.
int AfxWinMain(HINSTANCE instance);

// The standard help command id.
constexpr UINT ID_HELP = 0xE146;
