// The product, detector.exe, as a user's machine runs it: its catalogue host's name resolves to
// a loopback server with the sample catalogue, and its walk goes through the platform's
// CreateFile, DeviceIoControl and SetupAPI to the stand-in driver, which serves a camera of
// that catalogue. Started by product_e2e_test.sh, which sets all of that up.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "files.h"
#include "program_driver.h"
#include "res/resource.h"

namespace {

using std::chrono::seconds;

TEST(ProductOnTheStandInDriver, CheckDeviceShowsTheFourLinksAndAClickOpensTheFirstAddress) {
  const std::string record = WinePath(DETECTOR_BROWSER_RECORD);
  DeleteFileA(record.c_str());
  ProgramDriver driver;
  ASSERT_TRUE(driver.Start(WinePath(DETECTOR_EXE), {}));
  // The prefix's first window starts its desktop, which takes long on a busy machine.
  HWND dialog = driver.WaitForDialog(seconds(120));
  DWORD exitCode = 0;
  ASSERT_NE(dialog, nullptr) << "the dialog appears; the program "
                             << (driver.WaitForExit(seconds(0), &exitCode)
                                     ? "ended with " + std::to_string(exitCode)
                                     : std::string("still runs"));

  PressButton(dialog, IDC_CHECK_DEVICE);
  const struct {
    int id;
    const char* text;
  } links[] = {{IDC_LINK_XP32, "Download 32bit WindowsXP/Windows2000 driver"},
               {IDC_LINK_XP64, "Download 64bit WindowsXP driver"},
               {IDC_LINK_VISTA32, "Download 32bit Windows Vista driver"},
               {IDC_LINK_VISTA64, "Download 64bit Windows Vista driver"}};
  for (const auto& link : links) {
    const ControlView view = ViewControl(dialog, link.id);
    EXPECT_TRUE(view.visible) << link.text;
    EXPECT_EQ(view.text, link.text);
  }
  EXPECT_FALSE(ViewControl(dialog, IDC_STATUS_TEXT).visible);

  ClickControl(dialog, IDC_LINK_XP32);
  EXPECT_EQ(WaitForLines(record, 1, seconds(30)),
            std::vector<std::string>{"http://example.com/drivers/cam5678/xp32/setup.exe"});

  PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(driver.WaitForExit(seconds(30)));
}

}  // namespace
