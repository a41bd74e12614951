// The builds that use the simulator walk the topology DETECTOR_USB_TOPOLOGY names (CTest sets
// it to tools/usb-topologies/example.txt for this program).
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/usb/walk_helpers.h"

namespace {

TEST(PlatformSimulator, WalksTheTopologyTheEnvironmentNames) {
  ASSERT_NE(std::getenv("DETECTOR_USB_TOPOLOGY"), nullptr);
  HubDriver& driver = PlatformHubDriver();
  ASSERT_NE(dynamic_cast<UsbSimulator*>(&driver), nullptr);
  EXPECT_EQ(&driver, &PlatformHubDriver());

  DeviceList& list = TheDeviceList();
  list.Empty();
  ScanHostControllers(driver, list);
  EXPECT_EQ(Rows(list),
            (std::vector<Row>{Dev(1, 0x1234, 0x5678), Hub(2, 0x05e3, 0x0608), Dev(1, 46, 49271),
                              Empty(2), Dev(3, 0x1234, 0x5678, 2), Empty(1), Empty(2), Empty(3),
                              Empty(4)}));
  list.Empty();
  EXPECT_EQ(static_cast<UsbSimulator&>(driver).OpenHandles(), 0u);
}

}  // namespace
