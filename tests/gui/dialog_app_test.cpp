// The application object's start-up hook: it runs the main dialog as the application's main
// window, ends with false (no message loop of its own), and leaves nothing behind.
#include <windows.h>

#include "app/detector_app.h"
#include "dialog_test_support.h"
#include "framework/wnd.h"
#include "ui_driver.h"

namespace {

using DetectorApplication = DialogTest;

TEST_F(DetectorApplication, StartUpRunsTheMainDialogAsMainWindowThenEndsTheProgram) {
  Serve(kServedCatalogue);
  CDetectorApp app(Platform());
  ASSERT_EQ(AfxGetApp(), &app);
  std::wstring caption;
  bool fileWhileRunning = false;
  UiDriver driver([&] {
    CWnd* main = AfxGetMainWnd();
    if (main == nullptr || main->m_hWnd == nullptr || !::IsWindowVisible(main->m_hWnd)) {
      return false;
    }
    caption = WideWindowText(main->m_hWnd);
    fileWhileRunning = CatalogueFileExists();
    ::PostMessageA(main->m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
  });
  EXPECT_FALSE(app.InitInstance());
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_EQ(caption, L"Quenlix PC Cmaera Driver Detector");
  EXPECT_TRUE(fileWhileRunning);
  // The dialog object is gone, and so are the pointer to it and the catalogue file.
  EXPECT_EQ(AfxGetMainWnd(), nullptr);
  EXPECT_FALSE(CatalogueFileExists());
}

TEST_F(DetectorApplication, TheStandardHelpCommandIsInTheCommandTable) {
  CDetectorApp app(Platform());
  EXPECT_TRUE(app.OnCmdMsg(ID_HELP));
  EXPECT_FALSE(app.OnCmdMsg(ID_HELP + 1));
}

}  // namespace
