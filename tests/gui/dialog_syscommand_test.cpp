// The about item of the system menu (which commands open the about box, and what it shows)
// and where a minimised dialog draws its icon.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "app/detector_dlg.h"
#include "app/minimised_icon.h"
#include "dialog_test_support.h"
#include "ui_driver.h"
#include "res/resource.h"

namespace {

struct CommandOutcome {
  UINT id;
  bool aboutOpened;
};

struct AboutFacts {
  bool seen = false;
  std::wstring caption;
  bool versionLine = false;
  bool okIsDefault = false;
  HICON icon = nullptr;
};

// Sends each command to the running dialog as the system menu would; an about box that opens
// (owned by the dialog) is read and closed with its OK button from the nested loop.
std::vector<CommandOutcome> SendCommands(CDetectorDlg& dialog, const std::vector<UINT>& ids,
                                         AboutFacts& about, INT_PTR& result) {
  std::vector<CommandOutcome> outcomes;
  bool sending = false;
  bool opened = false;
  UiDriver driver([&] {
    if (dialog.m_hWnd == nullptr || !::IsWindowVisible(dialog.m_hWnd)) return false;
    if (sending) {
      HWND box = FirstThreadDialog(dialog.m_hWnd);
      if (box == nullptr) return false;
      opened = true;
      if (!about.seen) {
        about.seen = true;
        about.caption = WideWindowText(box);
        about.versionLine =
            FindChildByText(box, L"Quenlix Chip Type detect tool Version 1.0") != nullptr;
        about.okIsDefault = LOWORD(::SendMessageA(box, DM_GETDEFID, 0, 0)) == IDOK;
        HWND iconControl = ::GetWindow(box, GW_CHILD);
        about.icon = reinterpret_cast<HICON>(::SendMessageA(iconControl, STM_GETICON, 0, 0));
      }
      PressButton(box, IDOK);
      return false;
    }
    sending = true;
    for (UINT id : ids) {
      opened = false;
      ::SendMessageA(dialog.m_hWnd, WM_SYSCOMMAND, id, 0);
      outcomes.push_back({id, opened});
    }
    sending = false;
    ::SendMessageA(dialog.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
  });
  result = dialog.DoModal();
  EXPECT_FALSE(driver.TimedOut());
  return outcomes;
}

using DialogSystemMenu = DialogTest;

TEST_F(DialogSystemMenu, CommandsWhoseBitsFourToFifteenReadOneOpenTheAboutBox) {
  Serve(kServedCatalogue);
  const std::vector<UINT> opening = {16, 17, 23, 31, 0x10010, 0xFFFF001F};
  const std::vector<UINT> ignored = {15, 32, 0x0110, 0x1000, SC_MINIMIZE, SC_RESTORE};
  std::vector<UINT> all = opening;
  all.insert(all.end(), ignored.begin(), ignored.end());

  CDetectorDlg dialog(Platform());
  AboutFacts about;
  INT_PTR result = 0;
  const std::vector<CommandOutcome> outcomes = SendCommands(dialog, all, about, result);

  ASSERT_EQ(outcomes.size(), all.size());
  for (const CommandOutcome& outcome : outcomes) {
    const bool shouldOpen =
        std::find(opening.begin(), opening.end(), outcome.id) != opening.end();
    EXPECT_EQ(outcome.aboutOpened, shouldOpen) << "command 0x" << std::hex << outcome.id;
  }
  // The standard Close still takes the default way out.
  EXPECT_EQ(result, IDCANCEL);
  ASSERT_TRUE(about.seen);
  EXPECT_EQ(about.caption, L"About");
  EXPECT_TRUE(about.versionLine);
  EXPECT_TRUE(about.okIsDefault);
  EXPECT_EQ(about.icon, ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP)));
}

TEST(MinimisedIcon, OffsetsTruncateTowardZero) {
  constexpr int kIcon = 32;
  EXPECT_EQ(MinimisedIconOffset(kIcon - 2, kIcon), 0);
  EXPECT_EQ(MinimisedIconOffset(kIcon - 3, kIcon), -1);
  EXPECT_EQ(MinimisedIconOffset(kIcon - 4, kIcon), -1);
  EXPECT_EQ(MinimisedIconOffset(kIcon, kIcon), 0);
  EXPECT_EQ(MinimisedIconOffset(kIcon + 1, kIcon), 1);
  EXPECT_EQ(MinimisedIconOffset(kIcon + 9, kIcon), 5);
  EXPECT_EQ(MinimisedIconOffset(0, kIcon), -15);
}

}  // namespace
