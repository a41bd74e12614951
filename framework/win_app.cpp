#include "framework/win_app.h"

namespace {

CWinApp* g_app = nullptr;

}  // namespace

CWinApp::CWinApp() {
  if (g_app == nullptr) g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

int CWinApp::Run() {
  MSG msg;
  BOOL got;
  while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) != 0 && got != -1) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return ExitInstance();
}

void CWinApp::SetRegistryKey(const char*) {}

const AppCommandEntry* CWinApp::GetCommandMap(std::size_t* count) const {
  *count = 0;
  return nullptr;
}

bool CWinApp::OnCmdMsg(UINT id) {
  std::size_t count = 0;
  const AppCommandEntry* entries = GetCommandMap(&count);
  for (std::size_t i = 0; i < count; ++i) {
    if (entries[i].id == id) {
      (this->*entries[i].handler)();
      return true;
    }
  }
  return false;
}

void CWinApp::OnHelp() {}

CWinApp* AfxGetApp() { return g_app; }

CWnd* AfxGetMainWnd() { return g_app != nullptr ? g_app->m_pMainWnd : nullptr; }

HINSTANCE AfxGetInstanceHandle() {
  if (g_app != nullptr && g_app->m_hInstance != nullptr) return g_app->m_hInstance;
  return ::GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

void AfxEnableControlContainer() {}

int AfxWinMain(HINSTANCE instance) {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return -1;
  app->m_hInstance = instance;
  if (!app->InitInstance()) return app->ExitInstance();
  return app->Run();
}
