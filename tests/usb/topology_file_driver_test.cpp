// The builds that use the simulator walk the topology DETECTOR_USB_TOPOLOGY names (CTest sets
// it to tools/usb-topologies/example.txt for this program).
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "tests/usb/walk_helpers.h"
#include "usb/sim/topology_file.h"
#include "usb/sim/topology_file_driver.h"

namespace {

TEST(TopologyFileDriver, WalksTheTopologyTheEnvironmentNames) {
  ASSERT_NE(std::getenv(kTopologyVariable), nullptr);
  std::ostringstream errors;
  TopologyFileDriver driver(errors);

  DeviceList list;
  ScanHostControllers(driver, list);
  EXPECT_EQ(Rows(list),
            (std::vector<Row>{Dev(1, 0x1234, 0x5678), Hub(2, 0x05e3, 0x0608), Dev(1, 46, 49271),
                              Empty(2), Dev(3, 0x1234, 0x5678, 2), Empty(1), Empty(2), Empty(3),
                              Empty(4)}));
  EXPECT_EQ(errors.str(), "");
  EXPECT_EQ(driver.OpenHandles(), 0u);
}

}  // namespace
