// The real hub driver, under Wine: there are no host controllers, so the walk finds nothing,
// quickly and without error. And the conversion stays inside the units it is given.
#include <gtest/gtest.h>

#include <chrono>

#include "usb/walk.h"
#include "usb/win_hub_driver.h"

namespace {

TEST(RealHubDriver, WalkFindsNoControllerAndAnEmptyList) {
  Win32HubDriver driver;
  DeviceList list;
  const auto start = std::chrono::steady_clock::now();
  ScanHostControllers(driver, list);
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  EXPECT_EQ(list.Count(), 0u);
  RecordProperty("walk_microseconds", static_cast<int>(took.count()));
  std::printf("walk with no host controllers: %lld us\n", static_cast<long long>(took.count()));
}

TEST(RealHubDriver, OpeningAMissingControllerGivesTheInvalidHandle) {
  Win32HubDriver driver;
  EXPECT_EQ(driver.Open("\\\\.\\HCD0"), HubDriver::kInvalidHandle);
  EXPECT_EQ(driver.Open("\\\\.\\USB#NO_SUCH_HUB#{f18a0e88-c30c-11d0-8815-00a0c906bed8}"),
            HubDriver::kInvalidHandle);
}

TEST(RealHubDriver, ControlOnAFileThatIsNoHubFails) {
  Win32HubDriver driver;
  // The walk's request sent to something that is not a hub driver is refused.
  const HubDriver::Handle nul = driver.Open("NUL");
  ASSERT_NE(nul, HubDriver::kInvalidHandle);
  unsigned char info[76] = {};
  EXPECT_FALSE(driver.Control(nul, kIoctlGetNodeInformation, info, sizeof info, info, sizeof info));
  driver.Close(nul);
}

TEST(RealHubDriver, ConvertsTerminatedNamesOnly) {
  Win32HubDriver driver;
  std::string narrow;
  const std::uint16_t name[] = {'U', 'S', 'B', '#', 'R', 0, 'x'};
  ASSERT_TRUE(driver.WideToNarrow(name, 7, narrow));
  EXPECT_EQ(narrow, "USB#R");
  ASSERT_TRUE(driver.WideToNarrow(name, 6, narrow));  // terminator in the last unit
  EXPECT_EQ(narrow, "USB#R");
  EXPECT_FALSE(driver.WideToNarrow(name, 5, narrow));
  EXPECT_FALSE(driver.WideToNarrow(name, 0, narrow));
  const std::uint16_t empty[] = {0};
  ASSERT_TRUE(driver.WideToNarrow(empty, 1, narrow));
  EXPECT_EQ(narrow, "");
}

TEST(RealHubDriver, AnUnterminatedNameInAWalkBlockIsNoName) {
  Win32HubDriver driver;
  std::uint16_t block[5] = {0xFFFF, 0xFFFF, 'a', 'b', 'c'};  // 4 header bytes, 3 units, no end
  EXPECT_EQ(ConvertName(driver, block, sizeof block, 4), std::nullopt);
  block[4] = 0;
  EXPECT_EQ(ConvertName(driver, block, sizeof block, 4), "ab");
}

}  // namespace
