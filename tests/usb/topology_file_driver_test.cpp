// The builds that use the simulator walk the topology DETECTOR_USB_TOPOLOGY names (CTest sets
// it to tools/usb-topologies/example.txt for this program).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>

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

void SetVariable(const std::string& value) {
#ifdef _WIN32
  _putenv_s(kTopologyVariable, value.c_str());
#else
  setenv(kTopologyVariable, value.c_str(), 1);
#endif
}

void Write(const std::string& path, const char* text) { std::ofstream(path, std::ios::binary) << text; }

// Passes every request on, and rewrites the file once as the walk opens its second controller.
class RewriteDuringWalk final : public HubDriver {
 public:
  RewriteDuringWalk(HubDriver& inner, std::string path, const char* text)
      : inner_(inner), path_(std::move(path)), text_(text) {}
  Handle Open(const std::string& devicePath) override {
    if (devicePath == "\\\\.\\HCD1" && text_ != nullptr) Write(path_, std::exchange(text_, nullptr));
    return inner_.Open(devicePath);
  }
  bool Control(Handle h, std::uint32_t code, const void* in, std::size_t inSize, void* out,
               std::size_t outSize) override {
    return inner_.Control(h, code, in, inSize, out, outSize);
  }
  void Close(Handle h) override { inner_.Close(h); }
  bool WideToNarrow(const std::uint16_t* wide, std::size_t maxUnits, std::string& narrow) override {
    return inner_.WideToNarrow(wide, maxUnits, narrow);
  }
  bool ListHostControllers(std::size_t maxInterfaces, std::vector<std::string>& paths) override {
    return inner_.ListHostControllers(maxInterfaces, paths);
  }

 private:
  HubDriver& inner_;
  std::string path_;
  const char* text_;
};

std::vector<Row> WalkRows(HubDriver& driver) {
  DeviceList list;
  ScanHostControllers(driver, list);
  return Rows(list);
}

// A device plugged in while the program runs: the next walk sees it, no walk sees half of one
// file and half of another, and an unchanged file is neither read into a new machine nor
// reported again.
TEST(TopologyFileDriver, ReadsTheFileAgainAsAWalkBeginsWhenItChanged) {
  const std::string saved = std::getenv(kTopologyVariable) ? std::getenv(kTopologyVariable) : "";
  const std::string path = testing::TempDir() + "topology-driver-reload.txt";
  SetVariable(path);
  Write(path, "controller 0\n  port 1 device 0x0001 0x0002\ncontroller 1\n  port 1 empty\n");
  std::ostringstream errors;
  TopologyFileDriver driver(errors);

  RewriteDuringWalk plugging(driver, path,
                             "controller 0\n  port 1 device 0x1234 0x5678\n"
                             "controller 1\n  port 1 device 0x0003 0x0004\n");
  EXPECT_EQ(WalkRows(plugging), (std::vector<Row>{Dev(1, 1, 2), Empty(1)}));
  EXPECT_EQ(WalkRows(driver), (std::vector<Row>{Dev(1, 0x1234, 0x5678), Dev(1, 3, 4)}));

  Write(path, "controller 0\n  prot 1\n");
  EXPECT_EQ(WalkRows(driver), std::vector<Row>{});
  EXPECT_EQ(WalkRows(driver), std::vector<Row>{});
  EXPECT_EQ(errors.str(), path + ":2: unknown word \"prot\"\n") << "reported once";

  Write(path, "controller 0\n  port 1 device 0x1234 0x5678\n");
  EXPECT_EQ(WalkRows(driver), (std::vector<Row>{Dev(1, 0x1234, 0x5678)}));
  EXPECT_EQ(driver.OpenHandles(), 0u);
  std::remove(path.c_str());
  SetVariable(saved);
}

}  // namespace
