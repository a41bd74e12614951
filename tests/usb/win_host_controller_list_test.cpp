// The real list of host controllers, under Wine, whose SetupAPI answers from the prefix's
// registry: a host-controller interface registered here is listed. This program has a Wine
// prefix of its own, so that the controller it registers reaches no other test's walk.
#include <windows.h>
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>
#include <usbiodef.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "usb/walk.h"
#include "usb/win_hub_driver.h"

namespace {

constexpr const char kInstance[] = "ROOT\\DETECTOR_TEST_HCD\\0000";
constexpr const char kPath[] =
    "\\\\?\\root#detector_test_hcd#0000#{3abf6f2d-71c4-462a-8a92-1e6861e6af27}";

// Registers the interface (once per prefix) and marks it present the way the platform's
// device manager does: Linked = 1 under its key's "#\Control".
void RegisterHostController() {
  HDEVINFO set = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_USB, nullptr);
  ASSERT_NE(set, INVALID_HANDLE_VALUE);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  if (SetupDiCreateDeviceInfoA(set, kInstance, &GUID_DEVCLASS_USB, nullptr, nullptr, 0, &device))
    EXPECT_TRUE(SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr));
  else
    EXPECT_TRUE(SetupDiOpenDeviceInfoA(set, kInstance, nullptr, 0, &device)) << GetLastError();
  SP_DEVICE_INTERFACE_DATA item{};
  item.cbSize = sizeof item;
  EXPECT_TRUE(SetupDiCreateDeviceInterfaceA(set, &device, &GUID_DEVINTERFACE_USB_HOST_CONTROLLER,
                                            nullptr, 0, &item));
  SetupDiDestroyDeviceInfoList(set);

  std::string link = kPath;  // the interface's key: its path with "#" for every backslash
  std::replace(link.begin(), link.end(), '\\', '#');
  const std::string key =
      "System\\CurrentControlSet\\Control\\DeviceClasses\\"
      "{3abf6f2d-71c4-462a-8a92-1e6861e6af27}\\" + link + "\\#\\Control";
  HKEY control = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &control, nullptr),
            ERROR_SUCCESS)
      << key;
  const DWORD linked = 1;
  EXPECT_EQ(RegSetValueExA(control, "Linked", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&linked), sizeof linked),
            ERROR_SUCCESS);
  RegCloseKey(control);
}

TEST(RealHostControllerList, ListsARegisteredInterfaceOnce) {
  RegisterHostController();
  Win32HubDriver driver;
  std::vector<std::string> paths;
  ASSERT_TRUE(driver.ListHostControllers(kMaxListedInterfaces, paths));
  EXPECT_EQ(std::count_if(paths.begin(), paths.end(),
                          [](const std::string& path) { return SameDeviceName(path, kPath); }),
            1)
      << (paths.empty() ? "nothing listed" : paths.front());

  std::vector<std::string> none;
  ASSERT_TRUE(driver.ListHostControllers(0, none));
  EXPECT_TRUE(none.empty());
}

// Nothing answers behind the registered interface: the walk opens it, fails, and ends quickly
// with an empty list.
TEST(RealHostControllerList, TheWalkSkipsAListedControllerItCannotOpen) {
  RegisterHostController();
  Win32HubDriver driver;
  DeviceList list;
  const auto start = std::chrono::steady_clock::now();
  ScanHostControllers(driver, list);
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  EXPECT_EQ(list.Count(), 0u);
  std::printf("walk with one listed controller: %lld us\n", static_cast<long long>(took.count()));
}

}  // namespace
