// The main dialog from start-up to its end: what a served catalogue leaves on the screen, what
// a missing or broken one does, and the three ways of closing it.
#include <windows.h>

#include <functional>

#include "app/detector_dlg.h"
#include "dialog_test_support.h"
#include "ui_driver.h"
#include "res/resource.h"

namespace {

constexpr int kLinkIds[] = {IDC_LINK_XP32, IDC_LINK_XP64, IDC_LINK_VISTA32, IDC_LINK_VISTA64};

struct StartupFacts {
  bool captured = false;
  bool catalogueFileWhileRunning = false;
  bool linkHidden[4] = {};
  bool statusHidden = false;
  bool buttonVisible = false;
  bool groupVisible = false;
  bool focusOnButton = false;
  int menuItems = 0;
  UINT lastItemId = 0;
  std::wstring lastItemText;
  bool separatorBeforeLast = false;
  HICON bigIcon = nullptr;
  HICON smallIcon = nullptr;
  LRESULT dragIcon = 0;
};

StartupFacts ReadStartup(HWND dialog, bool fileExists) {
  StartupFacts facts;
  facts.captured = true;
  facts.catalogueFileWhileRunning = fileExists;
  for (int i = 0; i < 4; ++i) {
    HWND link = ::GetDlgItem(dialog, kLinkIds[i]);
    facts.linkHidden[i] = link != nullptr && !::IsWindowVisible(link);
  }
  HWND status = ::GetDlgItem(dialog, IDC_STATUS_TEXT);
  facts.statusHidden = status != nullptr && !::IsWindowVisible(status);
  HWND button = ::GetDlgItem(dialog, IDC_CHECK_DEVICE);
  facts.buttonVisible = button != nullptr && ::IsWindowVisible(button);
  // The first tab stop gets the focus whenever the dialog is active (parallel tests may
  // hold the activation at this moment).
  facts.focusOnButton = ::GetNextDlgTabItem(dialog, nullptr, FALSE) == button &&
                        (::GetActiveWindow() != dialog || ::GetFocus() == button);
  HWND group = FindChildByText(dialog, L"Driver Download Link");
  facts.groupVisible = group != nullptr && ::IsWindowVisible(group);
  HMENU menu = ::GetSystemMenu(dialog, FALSE);
  facts.menuItems = ::GetMenuItemCount(menu);
  if (facts.menuItems >= 2) {
    facts.lastItemId = ::GetMenuItemID(menu, facts.menuItems - 1);
    facts.lastItemText = WideMenuText(menu, facts.menuItems - 1);
    facts.separatorBeforeLast =
        (::GetMenuState(menu, static_cast<UINT>(facts.menuItems - 2), MF_BYPOSITION) &
         MF_SEPARATOR) != 0;
  }
  facts.bigIcon = reinterpret_cast<HICON>(::SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));
  facts.smallIcon = reinterpret_cast<HICON>(::SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
  facts.dragIcon = ::SendMessageA(dialog, WM_QUERYDRAGICON, 0, 0);
  return facts;
}

bool Showing(const CDetectorDlg& dialog) {
  return dialog.m_hWnd != nullptr && ::IsWindowVisible(dialog.m_hWnd);
}

HICON AppIcon() {
  return ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP));
}

using DialogStartup = DialogTest;

TEST_F(DialogStartup, WithAServedCatalogueTheDialogShowsOnlyTheButtonAndTheGroup) {
  Serve(kServedCatalogue);
  StartupFacts facts;
  INT_PTR result = 0;
  {
    CDetectorDlg dialog(Platform());
    UiDriver driver([&] {
      if (!Showing(dialog)) return false;
      facts = ReadStartup(dialog.m_hWnd, CatalogueFileExists());
      ::PostMessageA(dialog.m_hWnd, WM_COMMAND, IDCANCEL, 0);
      return true;
    });
    result = dialog.DoModal();
    ASSERT_FALSE(driver.TimedOut());
  }
  server_.Wait();
  EXPECT_EQ(server_.Received(), kExpectedRequest);
  ASSERT_TRUE(facts.captured);
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(facts.catalogueFileWhileRunning);
  for (bool hidden : facts.linkHidden) EXPECT_TRUE(hidden);
  EXPECT_TRUE(facts.statusHidden);
  EXPECT_TRUE(facts.buttonVisible);
  EXPECT_TRUE(facts.groupVisible);
  EXPECT_TRUE(facts.focusOnButton);
  EXPECT_EQ(facts.lastItemId, static_cast<UINT>(IDM_ABOUT));
  EXPECT_EQ(facts.lastItemText, L"&About Kavrel...");
  EXPECT_TRUE(facts.separatorBeforeLast);
  EXPECT_EQ(facts.bigIcon, AppIcon());
  EXPECT_EQ(facts.smallIcon, AppIcon());
  EXPECT_EQ(facts.dragIcon, reinterpret_cast<LRESULT>(AppIcon()));
  // The dialog's destruction released the catalogue and deleted its file.
  EXPECT_FALSE(CatalogueFileExists());
}

struct FailureRun {
  INT_PTR result = 0;
  MessageBoxSeen box;
  bool dialogVisibleWithBox = true;
  bool fileWithBox = false;
  bool fileAfter = true;
};

// Runs the dialog, answers the message box it shows (if any) with OK, and records both.
FailureRun RunExpectingFailure(const PlatformParts& platform,
                               const std::function<bool()>& fileExists) {
  FailureRun run;
  {
    CDetectorDlg dialog(platform);
    UiDriver driver([&] {
      if (dialog.m_hWnd == nullptr) return false;
      HWND box = FirstThreadDialog(dialog.m_hWnd);
      if (box == nullptr) return false;
      run.box = ReadMessageBox(box);
      run.dialogVisibleWithBox = ::IsWindowVisible(dialog.m_hWnd) != FALSE;
      run.fileWithBox = fileExists();
      PressButton(box, IDOK);
      return true;
    });
    run.result = dialog.DoModal();
    EXPECT_FALSE(driver.TimedOut());
  }
  run.fileAfter = fileExists();
  return run;
}

TEST_F(DialogStartup, WithoutAServerTheFailureMessageEndsTheDialogWithCancel) {
  RefuseConnections();
  const FailureRun run = RunExpectingFailure(Platform(), [this] { return CatalogueFileExists(); });
  EXPECT_EQ(run.result, IDCANCEL);
  ASSERT_TRUE(run.box.seen);
  EXPECT_EQ(run.box.caption, L"Error");
  EXPECT_EQ(run.box.text,
            L"Can not get internet driver information,please make sure internet connection is ok!");
  EXPECT_FALSE(run.dialogVisibleWithBox);
  EXPECT_FALSE(run.fileAfter);
}

TEST_F(DialogStartup, AnErrorPageInsteadOfTheCatalogueFailsTheSameWayAndTheFileGoes) {
  Serve(kErrorPage);
  const FailureRun run = RunExpectingFailure(Platform(), [this] { return CatalogueFileExists(); });
  EXPECT_EQ(run.result, IDCANCEL);
  ASSERT_TRUE(run.box.seen);
  EXPECT_EQ(run.box.caption, L"Error");
  EXPECT_FALSE(run.dialogVisibleWithBox);
  // The downloaded page was on disk while the box showed, and is gone afterwards.
  EXPECT_TRUE(run.fileWithBox);
  EXPECT_FALSE(run.fileAfter);
}

// The ways a user closes the dialog, each as the window system delivers it.
enum class CloseWay { kEscape, kCloseBox, kSystemMenuClose };

void Close(HWND dialog, CloseWay way) {
  switch (way) {
    case CloseWay::kEscape: {
      // To a control of the dialog rather than the focus, which parallel tests may take.
      HWND control = ::GetNextDlgTabItem(dialog, nullptr, FALSE);
      ::PostMessageA(control, WM_KEYDOWN, VK_ESCAPE, 0);
      ::PostMessageA(control, WM_KEYUP, VK_ESCAPE, 0);
      break;
    }
    case CloseWay::kCloseBox: {
      // The default handling tracks the pressed close box until the button comes up.
      RECT frame;
      ::GetWindowRect(dialog, &frame);
      const POINT box{frame.right - ::GetSystemMetrics(SM_CXSIZE) / 2 - 4,
                      frame.top + ::GetSystemMetrics(SM_CYSIZE) / 2 + 3};
      ::PostMessageA(dialog, WM_LBUTTONUP, 0, 0);
      ::SendMessageA(dialog, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(box.x, box.y));
      break;
    }
    case CloseWay::kSystemMenuClose:
      ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
  }
}

class DialogClosing : public DialogTest, public ::testing::WithParamInterface<CloseWay> {};

TEST_P(DialogClosing, EndsWithCancelAndDeletesTheCatalogueFile) {
  Serve(kServedCatalogue);
  bool fileWhileRunning = false;
  bool closeOffered = false;
  INT_PTR result = 0;
  {
    CDetectorDlg dialog(Platform());
    bool asked = false;
    UiDriver driver([&] {
      if (!Showing(dialog)) return false;
      if (!asked) {
        asked = true;
        fileWhileRunning = CatalogueFileExists();
        HMENU menu = ::GetSystemMenu(dialog.m_hWnd, FALSE);
        closeOffered = ::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) != static_cast<UINT>(-1);
        Close(dialog.m_hWnd, GetParam());
      }
      return false;
    });
    result = dialog.DoModal();
    EXPECT_FALSE(driver.TimedOut());
  }
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(fileWhileRunning);
  EXPECT_TRUE(closeOffered);
  EXPECT_FALSE(CatalogueFileExists());
}

INSTANTIATE_TEST_SUITE_P(EveryWay, DialogClosing,
                         ::testing::Values(CloseWay::kEscape, CloseWay::kCloseBox,
                                           CloseWay::kSystemMenuClose),
                         [](const ::testing::TestParamInfo<CloseWay>& way) {
                           switch (way.param) {
                             case CloseWay::kEscape: return std::string("Escape");
                             case CloseWay::kCloseBox: return std::string("CloseBox");
                             case CloseWay::kSystemMenuClose: return std::string("SystemMenuClose");
                           }
                           return std::string("Unknown");
                         });

}  // namespace
