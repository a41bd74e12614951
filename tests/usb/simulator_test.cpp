// The simulated hub driver answers byte for byte as the platform's driver does.
#include <gtest/gtest.h>

#include <cstring>

#include "usb/little_endian.h"
#include "usb/sim/usb_simulator.h"

namespace {

std::u16string UnitsAt(const unsigned char* bytes, std::size_t count) {
  std::u16string units;
  for (std::size_t i = 0; i < count; ++i)
    units.push_back(static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8));
  return units;
}

std::string Path(const std::u16string& name) { return "\\\\.\\" + std::string(name.begin(), name.end()); }

class Simulator : public testing::Test {
 protected:
  void SetUp() override {
    SimHub& root = sim.AddController(4).root;
    root.AddDevice(1, 0x1234, 0x5678);
    hub = &root.AddHub(3, 0x05e3, 0x0608);
    hub->portCount = 2;
    root.portCount = 4;
    rootName = root.name;
  }
  UsbSimulator sim;
  SimHub* hub = nullptr;
  std::u16string rootName;
};

TEST_F(Simulator, NamesTheRootHubInTwoSteps) {
  const HubDriver::Handle controller = sim.Open("\\\\.\\HCD4");
  ASSERT_NE(controller, HubDriver::kInvalidHandle);
  unsigned char head[6];
  std::memset(head, 0xEE, sizeof head);
  ASSERT_TRUE(sim.Control(controller, 0x220408, nullptr, 0, head, sizeof head));
  const std::uint32_t length = ReadLe32(head, 0);
  EXPECT_EQ(length, 4 + 2 * (rootName.size() + 1));
  EXPECT_EQ(UnitsAt(head + 4, 1), rootName.substr(0, 1));  // as much of the name as fits

  std::vector<unsigned char> block(length, 0xEE);
  ASSERT_TRUE(sim.Control(controller, 0x220408, nullptr, 0, block.data(), block.size()));
  EXPECT_EQ(ReadLe32(block.data(), 0), length);
  EXPECT_EQ(UnitsAt(block.data() + 4, rootName.size() + 1), rootName + u'\0');

  unsigned char tooSmall[5] = {};
  EXPECT_FALSE(sim.Control(controller, 0x220408, nullptr, 0, tooSmall, sizeof tooSmall));
  EXPECT_FALSE(sim.Control(controller, 0x22040C, nullptr, 0, block.data(), block.size()));
  sim.Close(controller);
  EXPECT_EQ(sim.OpenHandles(), 0u);
}

TEST_F(Simulator, AnswersNodeInformationWithThePortCount) {
  const HubDriver::Handle root = sim.Open(Path(rootName));
  ASSERT_NE(root, HubDriver::kInvalidHandle);
  unsigned char info[76];
  std::memset(info, 0, sizeof info);
  ASSERT_TRUE(sim.Control(root, 0x220408, info, sizeof info, info, sizeof info));
  EXPECT_EQ(ReadLe32(info, 0), 0u);  // NodeType UsbHub
  EXPECT_EQ(info[4], 9u);      // bDescriptorLength
  EXPECT_EQ(info[5], 0x29u);   // hub descriptor type
  EXPECT_EQ(info[6], 4u);      // bNumberOfPorts
  EXPECT_FALSE(sim.Control(root, 0x220408, info, 75, info, 75));
  sim.Close(root);
}

TEST_F(Simulator, AnswersConnectionInformationForEveryPortOfTheCount) {
  const HubDriver::Handle root = sim.Open(Path(rootName));
  unsigned char record[365];
  auto ask = [&](std::uint32_t k) {
    std::memset(record, 0, sizeof record);
    std::memcpy(record, &k, 4);
    return sim.Control(root, 0x22040C, record, sizeof record, record, sizeof record);
  };
  ASSERT_TRUE(ask(1));
  EXPECT_EQ(ReadLe32(record, 0), 1u);
  EXPECT_EQ(record[4], 18u);  // bLength of the device descriptor
  EXPECT_EQ(record[12] | record[13] << 8, 0x1234);
  EXPECT_EQ(record[14] | record[15] << 8, 0x5678);
  EXPECT_EQ(record[24], 0u);  // DeviceIsHub
  EXPECT_EQ(ReadLe32(record, 31), 1u);

  ASSERT_TRUE(ask(2));  // not listed, within the count: nothing connected
  EXPECT_EQ(ReadLe32(record, 0), 2u);
  EXPECT_EQ(record[12] | record[13] << 8, 0);
  EXPECT_EQ(ReadLe32(record, 31), 0u);

  ASSERT_TRUE(ask(3));
  EXPECT_EQ(record[24], 1u);
  EXPECT_EQ(ReadLe32(record, 31), 1u);

  EXPECT_TRUE(ask(4));
  EXPECT_FALSE(ask(0));
  EXPECT_FALSE(ask(5));
  sim.Close(root);
}

TEST_F(Simulator, NamesTheHubOnAPortInTwoSteps) {
  const HubDriver::Handle root = sim.Open(Path(rootName));
  unsigned char head[10] = {3};
  ASSERT_TRUE(sim.Control(root, 0x220414, head, sizeof head, head, sizeof head));
  EXPECT_EQ(ReadLe32(head, 0), 3u);
  const std::uint32_t length = ReadLe32(head, 4);
  EXPECT_EQ(length, 8 + 2 * (hub->name.size() + 1));

  std::vector<unsigned char> block(length, 0);
  block[0] = 3;
  ASSERT_TRUE(sim.Control(root, 0x220414, block.data(), length, block.data(), length));
  EXPECT_EQ(UnitsAt(block.data() + 8, hub->name.size() + 1), hub->name + u'\0');

  unsigned char plain[10] = {1};  // a device, not a hub: the empty name in the fixed structure
  ASSERT_TRUE(sim.Control(root, 0x220414, plain, sizeof plain, plain, sizeof plain));
  EXPECT_EQ(ReadLe32(plain, 4), 10u);
  unsigned char none[10] = {9};
  EXPECT_FALSE(sim.Control(root, 0x220414, none, sizeof none, none, sizeof none));
  sim.Close(root);
}

TEST_F(Simulator, MisbehavesAsTold) {
  hub->faults.unterminated = true;
  hub->faults.actualLength = 7;
  const HubDriver::Handle root = sim.Open(Path(rootName));
  unsigned char head[10] = {3};
  ASSERT_TRUE(sim.Control(root, 0x220414, head, sizeof head, head, sizeof head));
  EXPECT_EQ(ReadLe32(head, 4), 7u);

  hub->faults = SimFaults();
  hub->faults.unterminated = true;
  const std::size_t exact = 8 + 2 * hub->name.size();
  std::vector<unsigned char> block(exact + 2, 0xEE);
  block[0] = 3, block[1] = block[2] = block[3] = 0;
  ASSERT_TRUE(sim.Control(root, 0x220414, block.data(), block.size(), block.data(), block.size()));
  EXPECT_EQ(ReadLe32(block.data(), 4), exact);
  EXPECT_EQ(block[exact], 0xEE);  // no terminator written

  hub->faults = SimFaults();
  hub->faults.name2 = true;
  unsigned char again[10] = {3};
  EXPECT_TRUE(sim.Control(root, 0x220414, again, sizeof again, again, sizeof again));
  std::vector<unsigned char> whole(ReadLe32(again, 4), 0);
  whole[0] = 3;
  EXPECT_FALSE(sim.Control(root, 0x220414, whole.data(), whole.size(), whole.data(), whole.size()));

  hub->faults = SimFaults();
  hub->faults.loop = 1;  // its name is the root hub's
  unsigned char looped[10] = {3};
  ASSERT_TRUE(sim.Control(root, 0x220414, looped, sizeof looped, looped, sizeof looped));
  EXPECT_EQ(ReadLe32(looped, 4), 8 + 2 * (rootName.size() + 1));

  hub->faults.open = true;
  EXPECT_EQ(sim.Open(Path(hub->name)), HubDriver::kInvalidHandle);
  sim.Close(root);
}

TEST_F(Simulator, OpensOnlyWhatExists) {
  EXPECT_EQ(sim.Open("\\\\.\\HCD0"), HubDriver::kInvalidHandle);
  EXPECT_EQ(sim.Open("\\\\.\\HCD4x"), HubDriver::kInvalidHandle);
  EXPECT_EQ(sim.Open("\\\\.\\HCD"), HubDriver::kInvalidHandle);
  EXPECT_EQ(sim.Open("HCD4"), HubDriver::kInvalidHandle);
  EXPECT_EQ(sim.Open("\\\\.\\"), HubDriver::kInvalidHandle);
  EXPECT_EQ(sim.Open("\\\\.\\no such hub"), HubDriver::kInvalidHandle);
  sim.FindController(4)->openFails = true;
  EXPECT_EQ(sim.Open("\\\\.\\HCD4"), HubDriver::kInvalidHandle);
  EXPECT_EQ(sim.OpenHandles(), 0u);
}

TEST(SimulatorControllers, AreListedInTheOrderAddedAndOpenedEitherWay) {
  UsbSimulator sim;
  sim.AddController(12);
  sim.AddController(3).interfaces = 2;
  sim.AddController(7).legacyName = false;
  sim.AddController(5).interfaces = 0;
  sim.AddController(3).interfaces = 3;  // replaced: now listed after 5
  std::vector<std::string> paths;
  ASSERT_TRUE(sim.ListHostControllers(256, paths));
  const std::string guid = "#{3abf6f2d-71c4-462a-8a92-1e6861e6af27}";
  EXPECT_EQ(paths, (std::vector<std::string>{
                       "\\\\?\\pci#ven_1b3b&dev_0c0c#3&12&0" + guid,
                       "\\\\?\\pci#ven_1b3b&dev_0c07#3&7&0" + guid,
                       "\\\\?\\pci#ven_1b3b&dev_0c03#3&3&0" + guid,
                       "\\\\?\\pci#ven_1b3b&dev_0c03#3&3&0" + guid + "\\2",
                       "\\\\?\\pci#ven_1b3b&dev_0c03#3&3&0" + guid + "\\3"}));
  paths.clear();
  ASSERT_TRUE(sim.ListHostControllers(2, paths));
  EXPECT_EQ(paths.size(), 2u);

  // Each listed path opens its controller, in any letter case; HCDn only for 0 to 9.
  for (const char* path : {"\\\\?\\PCI#VEN_1B3B&DEV_0C03#3&3&0#{3ABF6F2D-71C4-462A-8A92-1E6861E6AF27}\\3",
                           "\\\\.\\HCD3", "\\\\.\\hcd3", "\\\\.\\HCD5"}) {
    const HubDriver::Handle handle = sim.Open(path);
    EXPECT_NE(handle, HubDriver::kInvalidHandle) << path;
    sim.Close(handle);
  }
  EXPECT_EQ(sim.Open("\\\\.\\HCD12"), HubDriver::kInvalidHandle);
  EXPECT_EQ(sim.Open("\\\\.\\HCD7"), HubDriver::kInvalidHandle);
  EXPECT_EQ(sim.Open("\\\\.\\HCE3"), HubDriver::kInvalidHandle) << "only HCD names a controller";
  EXPECT_EQ(sim.Open(paths[0] + "\\4"), HubDriver::kInvalidHandle) << "no fourth interface";
  sim.FindController(12)->openFails = true;
  EXPECT_EQ(sim.Open(paths[0]), HubDriver::kInvalidHandle);
  EXPECT_EQ(sim.OpenHandles(), 0u);

  sim.SetListFails(true);
  EXPECT_FALSE(sim.ListHostControllers(256, paths));
}

TEST_F(Simulator, CountsHandlesAndTheirMisuse) {
  const HubDriver::Handle a = sim.Open("\\\\.\\HCD4");
  const HubDriver::Handle b = sim.Open(Path(rootName));
  const HubDriver::Handle c = sim.Open(Path(rootName));
  EXPECT_EQ(sim.OpenHandles(), 3u);
  EXPECT_NE(b, c);
  sim.Close(b);
  EXPECT_EQ(sim.OpenHandles(), 2u);
  sim.Close(b);  // twice
  unsigned char info[76] = {};
  EXPECT_FALSE(sim.Control(b, 0x220408, info, sizeof info, info, sizeof info));
  EXPECT_EQ(sim.BadHandleUses(), 2u);
  sim.Close(a);
  sim.Close(c);
  EXPECT_EQ(sim.OpenHandles(), 0u);
}

TEST_F(Simulator, ConvertsNamesLikeASingleByteCodePage) {
  std::string narrow = "old";
  const std::uint16_t ascii[] = {'H', 'u', 'b', 0, 'x'};
  ASSERT_TRUE(sim.WideToNarrow(ascii, 5, narrow));
  EXPECT_EQ(narrow, "Hub");
  const std::uint16_t wide[] = {'c', 0x00E9, 0x4E2D, 0};
  ASSERT_TRUE(sim.WideToNarrow(wide, 4, narrow));
  EXPECT_EQ(narrow, "c??");
  EXPECT_FALSE(sim.WideToNarrow(ascii, 3, narrow));  // no terminator within 3 units
  EXPECT_FALSE(sim.WideToNarrow(ascii, 0, narrow));
}

}  // namespace
