// The walk against the simulated hub driver: order, gaps, what is given up, and the exact
// requests it sends.
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <sstream>

#include "tests/usb/walk_helpers.h"
#include "usb/sim/topology_file.h"

namespace {

std::string Narrow(const std::u16string& wide) { return std::string(wide.begin(), wide.end()); }

std::string RootPath(UsbSimulator& sim, unsigned n) {
  return "open \\\\.\\" + Narrow(sim.FindController(n)->root.name);
}

std::size_t NameLength(const std::u16string& name, std::size_t offset) {
  return offset + 2 * (name.size() + 1);
}

TEST(Walk, ResultingOrderOfTheExample) {
  UsbSimulator sim;
  BuildOrderExample(sim);
  EXPECT_EQ(Walk(sim), OrderExampleRows());
  EXPECT_EQ(sim.OpenHandles(), 0u);
  EXPECT_EQ(sim.BadHandleUses(), 0u);
}

TEST(Walk, SendsTheRequestsInTheirOrderWithTheirSizes) {
  UsbSimulator sim;
  BuildOrderExample(sim);
  Walk(sim);
  const SimHub& root0 = sim.FindController(0)->root;
  const SimHub& external = *root0.ports.at(2).hub;
  const std::string l0 = std::to_string(NameLength(root0.name, 4));
  const std::string l1 = std::to_string(NameLength(external.name, 8));
  const std::string l2 = std::to_string(NameLength(sim.FindController(2)->root.name, 4));
  const std::vector<std::string> expected = {
      "open \\\\.\\HCD0",
      "ioctl 220408 0/6",
      "ioctl 220408 0/" + l0,
      "convert",
      RootPath(sim, 0),
      "ioctl 220408 76/76",
      "ioctl 22040C 365/365 #1",
      "ioctl 22040C 365/365 #2",
      "ioctl 220414 10/10 #2",
      "ioctl 220414 " + l1 + "/" + l1 + " #2",
      "convert",
      "open \\\\.\\" + Narrow(external.name),
      "ioctl 220408 76/76",
      "ioctl 22040C 365/365 #1",
      "ioctl 22040C 365/365 #2",
      "close",
      "ioctl 22040C 365/365 #3",
      "close",
      "close",
      "open \\\\.\\HCD1 fails",
      "open \\\\.\\HCD2",
      "ioctl 220408 0/6",
      "ioctl 220408 0/" + l2,
      "convert",
      RootPath(sim, 2),
      "ioctl 220408 76/76",
      "ioctl 22040C 365/365 #1",
      "ioctl 22040C 365/365 #2",
      "close",
      "close",
      "open \\\\.\\HCD3 fails",
      "open \\\\.\\HCD4 fails",
      "open \\\\.\\HCD5 fails",
      "open \\\\.\\HCD6 fails",
      "open \\\\.\\HCD7 fails",
      "open \\\\.\\HCD8 fails",
      "open \\\\.\\HCD9 fails",
      // Both controllers are listed too; each is known again by its root hub's name.
      "list 2",
      "open " + sim.FindController(0)->interfacePath,
      "ioctl 220408 0/6",
      "ioctl 220408 0/" + l0,
      "convert",
      "close",
      "open " + sim.FindController(2)->interfacePath,
      "ioctl 220408 0/6",
      "ioctl 220408 0/" + l2,
      "convert",
      "close",
  };
  EXPECT_EQ(Trace(sim), expected);
}

TEST(Walk, NoControllersLeaveTheListEmpty) {
  UsbSimulator sim;
  EXPECT_TRUE(Walk(sim).empty());
  std::vector<std::string> expected;
  for (int n = 0; n < 10; ++n) expected.push_back("open \\\\.\\HCD" + std::to_string(n) + " fails");
  expected.push_back("list 0");
  EXPECT_EQ(Trace(sim), expected);
}

TEST(Walk, ControllerZeroMissingAndThreePresent) {
  UsbSimulator sim;
  SimHub& root = sim.AddController(3).root;
  root.AddDevice(1, 0x1234, 0x5678);
  root.AddEmpty(2);
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Dev(1, 0x1234, 0x5678), Empty(2)}));
  EXPECT_EQ(sim.OpenHandles(), 0u);
}

TEST(Walk, ControllersNumberedTenOrMoreComeAfterTheLegacyNamesThroughTheirInterface) {
  UsbSimulator sim;
  sim.AddController(10).root.AddDevice(1, 0x1234, 0x5678);
  sim.AddController(9).root.AddDevice(1, 0x1111, 0x2222);
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Dev(1, 0x1111, 0x2222), Dev(1, 0x1234, 0x5678)}));
  for (const std::string& line : Trace(sim)) EXPECT_EQ(line.find("HCD10"), std::string::npos);
}

TEST(Walk, ControllersComeInAscendingNumber) {
  UsbSimulator sim;
  sim.AddController(7).root.AddDevice(1, 7, 7);
  sim.AddController(2).root.AddDevice(1, 2, 2);
  sim.AddController(5).root.AddDevice(1, 5, 5);
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Dev(1, 2, 2), Dev(1, 5, 5), Dev(1, 7, 7)}));
}

TEST(Walk, RootHubWithFourEmptyPortsGivesFourRecordsAndNoneForItself) {
  UsbSimulator sim;
  sim.AddController(0).root.portCount = 4;
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Empty(1), Empty(2), Empty(3), Empty(4)}));
}

TEST(Walk, HubWithZeroPortsGivesItsOwnRecordAndNothingBehind) {
  UsbSimulator sim;
  SimHub& root = sim.AddController(0).root;
  root.AddHub(1, kHubVid, kHubPid).portCount = 0;
  root.AddDevice(2, 0x1234, 0x5678);
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Hub(1, kHubVid, kHubPid), Dev(2, 0x1234, 0x5678)}));
  EXPECT_EQ(sim.OpenHandles(), 0u);
}

TEST(Walk, RootHubWithZeroPortsGivesNothing) {
  UsbSimulator sim;
  sim.AddController(0).root.portCount = 0;
  sim.AddController(1).root.AddDevice(1, 0x1234, 0x5678);
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Dev(1, 0x1234, 0x5678)}));
}

TEST(Walk, ExternalHubThatCannotBeOpenedIsMissingWithEverythingBehindIt) {
  UsbSimulator sim;
  BuildOrderExample(sim);
  sim.FindController(0)->root.ports.at(2).hub->faults.open = true;
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Dev(1, kCameraVid, kCameraPid), Empty(3), Empty(1),
                                         Empty(2)}));
  EXPECT_EQ(sim.OpenHandles(), 0u);
  EXPECT_EQ(sim.BadHandleUses(), 0u);
}

TEST(Walk, ExternalHubWhoseNodeInformationFailsIsGivenUp) {
  UsbSimulator sim;
  BuildOrderExample(sim);
  sim.FindController(0)->root.ports.at(2).hub->faults.info = true;
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Dev(1, kCameraVid, kCameraPid), Empty(3), Empty(1),
                                         Empty(2)}));
  EXPECT_EQ(sim.OpenHandles(), 0u);
}

TEST(Walk, ChildNameWithActualLengthTenIsAPlainEntryWithNothingBehind) {
  UsbSimulator sim;
  BuildOrderExample(sim);
  const SimHub& external = *sim.FindController(0)->root.ports.at(2).hub;
  sim.FindController(0)->root.ports.at(2).hub->faults.actualLength = 10;
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Dev(1, kCameraVid, kCameraPid), Hub(2, kHubVid, kHubPid),
                                         Empty(3), Empty(1), Empty(2)}));
  // Only the sizing request was sent, and the hub was never opened.
  const std::vector<std::string> trace = Trace(sim);
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "ioctl 220414 10/10 #2"), 1);
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "open \\\\.\\" + Narrow(external.name)), 0);
  EXPECT_EQ(sim.OpenHandles(), 0u);
}

TEST(Walk, FailingPortQueryLeavesAGapAndKeepsTheOrder) {
  UsbSimulator sim;
  SimHub& root = sim.AddController(0).root;
  root.AddDevice(1, 1, 1);
  root.AddDevice(2, 2, 2).queryFails = true;
  root.AddDevice(3, 3, 3);
  SimHub& hub = root.AddHub(4, kHubVid, kHubPid);
  hub.AddEmpty(1).queryFails = true;
  hub.AddDevice(2, 4, 4);
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Dev(1, 1, 1), Dev(3, 3, 3), Hub(4, kHubVid, kHubPid),
                                         Dev(2, 4, 4)}));
}

TEST(Walk, FailingQueryOfAHubsPortDropsTheHubAndWhatIsBehind) {
  UsbSimulator sim;
  SimHub& root = sim.AddController(0).root;
  SimHub& hub = root.AddHub(1, kHubVid, kHubPid);
  hub.AddDevice(1, 4, 4);
  hub.seat->queryFails = true;
  root.AddDevice(2, 2, 2);
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Dev(2, 2, 2)}));
}

TEST(Walk, HubWithAStatusOtherThanConnectedIsStillAskedForItsName) {
  UsbSimulator sim;
  SimHub& root = sim.AddController(0).root;
  SimHub& hub = root.AddHub(1, kHubVid, kHubPid, DeviceFailedEnumeration);
  hub.AddDevice(1, 0x1234, 0x5678);
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Hub(1, kHubVid, kHubPid, DeviceFailedEnumeration),
                                         Dev(1, 0x1234, 0x5678)}));
  const std::vector<std::string> trace = Trace(sim);
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "ioctl 220414 10/10 #1"), 1);
}

TEST(Walk, StatusEightIsKeptAndTheWalkGoesOn) {
  UsbSimulator sim;
  SimHub& root = sim.AddController(0).root;
  root.AddDevice(1, 0x1234, 0x5678, 8);
  root.AddDevice(2, 0x1234, 0x5679, 0xFFFFFFFFu);
  root.AddDevice(3, 0x1234, 0x567a);
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Dev(1, 0x1234, 0x5678, 8),
                                         Dev(2, 0x1234, 0x5679, 0xFFFFFFFFu),
                                         Dev(3, 0x1234, 0x567a)}));
}

TEST(Walk, FailedEnumerationKeepsWhateverTheDriverWrote) {
  UsbSimulator sim;
  sim.AddController(0).root.AddEmpty(1).status = DeviceFailedEnumeration;
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Empty(1, DeviceFailedEnumeration)}));
}

TEST(Walk, TwoWalksGiveTheSameListNotADoubledOne) {
  UsbSimulator sim;
  BuildOrderExample(sim);
  DeviceList& list = TheDeviceList();
  list.Empty();
  ScanHostControllers(sim, list);
  const std::vector<Row> first = Rows(list);
  list.Empty();
  ScanHostControllers(sim, list);
  EXPECT_EQ(Rows(list), first);
  EXPECT_EQ(first, OrderExampleRows());
  list.Empty();
  EXPECT_EQ(sim.OpenHandles(), 0u);
}

TEST(Walk, OnlyAppendsToTheList) {
  UsbSimulator sim;
  sim.AddController(0).root.AddDevice(1, 0x1234, 0x5678);
  DeviceList list;
  auto earlier = std::make_unique<PortRecord>();
  earlier->ConnectionIndex = 9;
  ASSERT_TRUE(list.Append(std::move(earlier)));
  ScanHostControllers(sim, list);
  EXPECT_EQ(Rows(list), (std::vector<Row>{Empty(9), Dev(1, 0x1234, 0x5678)}));
}

// Memory that refuses the device list a block for more than `records` records.
class ShortListMemory : public ListMemory {
 public:
  explicit ShortListMemory(std::size_t records) : records_(records) {}
  void* Allocate(std::size_t bytes) override {
    if (bytes > records_ * sizeof(std::unique_ptr<PortRecord>)) return nullptr;
    return HeapListMemory()->Allocate(bytes);
  }
  void Release(void* block) override { HeapListMemory()->Release(block); }

 private:
  std::size_t records_;
};

TEST(Walk, AListThatCannotGrowTakesNothingMoreAndEndsTheHubsPorts) {
  UsbSimulator sim;
  BuildOrderExample(sim);
  ShortListMemory memory(2);
  DeviceList list(&memory);
  ScanHostControllers(sim, list);
  // The mouse, third, finds no room: the external hub's port 2 is never asked about, and
  // nothing after the mouse gets into the list.
  EXPECT_EQ(Rows(list), (std::vector<Row>{Dev(1, kCameraVid, kCameraPid), Hub(2, kHubVid, kHubPid)}));
  const std::vector<std::string> trace = Trace(sim);
  const auto asked = [&](const std::string& line) {
    return std::count(trace.begin(), trace.end(), line);
  };
  EXPECT_EQ(asked("ioctl 22040C 365/365 #1"), 3) << "root hub 0, the external hub, root hub 2";
  EXPECT_EQ(asked("ioctl 22040C 365/365 #2"), 1) << "root hub 0's port 2 only";
  EXPECT_EQ(sim.OpenHandles(), 0u);
  EXPECT_FALSE(list.Append(std::make_unique<PortRecord>()));
  EXPECT_EQ(list.Count(), 2u);
}

TEST(Walk, HubsNestedFiveDeepAreAllWalked) {
  UsbSimulator sim;
  SimHub* hub = &sim.AddController(0).root;
  std::vector<Row> expected;
  for (unsigned level = 1; level <= 5; ++level) {
    hub = &hub->AddHub(1, kHubVid, static_cast<std::uint16_t>(level));
    expected.push_back(Hub(1, kHubVid, level));
  }
  hub->AddDevice(1, kCameraVid, kCameraPid);
  expected.push_back(Dev(1, kCameraVid, kCameraPid));
  EXPECT_EQ(Walk(sim), expected);
}

TEST(Walk, QueryRootHubNameGivesTheNarrowName) {
  UsbSimulator sim;
  sim.AddController(0);
  const HubDriver::Handle controller = sim.Open("\\\\.\\HCD0");
  const std::optional<std::string> name = QueryRootHubName(sim, controller);
  ASSERT_TRUE(name);
  EXPECT_EQ(*name, Narrow(sim.FindController(0)->root.name));
  sim.Close(controller);
}

TEST(Walk, QueryChildHubNameGivesTheNarrowNameAndNoneForAPlainPort) {
  UsbSimulator sim;
  SimHub& root = sim.AddController(0).root;
  root.AddDevice(1, 1, 1);
  SimHub& hub = root.AddHub(2, kHubVid, kHubPid);
  const HubDriver::Handle handle = sim.Open("\\\\.\\" + Narrow(root.name));
  EXPECT_EQ(QueryChildHubName(sim, handle, 2), Narrow(hub.name));
  EXPECT_EQ(QueryChildHubName(sim, handle, 1), std::nullopt);  // ActualLength 10: no name
  EXPECT_EQ(QueryChildHubName(sim, handle, 3), std::nullopt);  // no such port
  sim.Close(handle);
}

// The second pass: controllers reached through the host-controller interface, each walked
// once, after HCD0 to HCD9. Every case also ends with no handle open.
struct SecondPassCase {
  const char* name;
  const char* topology;
  std::vector<Row> expected;
};

void PrintTo(const SecondPassCase& c, std::ostream* out) { *out << c.name; }

std::string TwelveControllersCameraOnEleven() {
  std::string text;
  for (int n = 0; n <= 11; ++n) {
    text += "controller " + std::to_string(n) + "\n";
    text += n == 11 ? "  port 1 device 0x1b3b 0x2977\n"
                    : "  port 1 device " + std::to_string(n) + " " + std::to_string(n) + "\n";
  }
  return text;
}

std::vector<SecondPassCase> SecondPassCases() {
  static const std::string twelve = TwelveControllersCameraOnEleven();
  std::vector<Row> zeroToTen;
  for (unsigned n = 0; n <= 10; ++n) zeroToTen.push_back(Dev(1, n, n));
  zeroToTen.push_back(Dev(1, kCameraVid, kCameraPid));
  const Row camera = Dev(1, kCameraVid, kCameraPid);
  return {
      {"TwelveControllersCameraOnEleven", twelve.c_str(), zeroToTen},
      {"CameraBehindAControllerWithoutLegacyName",
       "controller 3 hcd=none\n  port 1 device 0x1b3b 0x2977\n", {camera}},
      {"ReachableBothWaysWalkedOnce", "controller 0\n  port 1 device 1 1\n", {Dev(1, 1, 1)}},
      {"TwoInterfacesWalkedOnce",
       "controller 12 interfaces=2\n  port 1 device 0x1b3b 0x2977\n"
       "controller 1 interfaces=3\n  port 1 device 1 1\n",
       {Dev(1, 1, 1), camera}},
      {"ListedInTheOrderOfTheLines",
       "controller 20\n  port 1 device 20 20\ncontroller 15\n  port 1 device 15 15\n"
       "controller 4 hcd=none\n  port 1 device 4 4\ncontroller 2\n  port 1 device 2 2\n",
       {Dev(1, 2, 2), Dev(1, 20, 20), Dev(1, 15, 15), Dev(1, 4, 4)}},
      {"NotListedIsReachedByItsLegacyNameOnly",
       "controller 2 interface=none\n  port 1 device 2 2\n"
       "controller 12 interface=none\n  port 1 device 12 12\n"
       "controller 5 interfaces=0 hcd=none\n  port 1 device 5 5\n",
       {Dev(1, 2, 2)}},
      {"FailingListLeavesTheFirstPassAlone",
       "controller 0\n  port 1 device 1 1\ncontroller 12 fail=list\n  port 1 device 0x1b3b 0x2977\n",
       {Dev(1, 1, 1)}},
      {"VanishedControllerIsSkipped",
       "controller 12 fail=open\n  port 1 device 12 12\n"
       "controller 13\n  port 1 device 0x1b3b 0x2977\n",
       {camera}},
      {"RootHubFailuresSkipTheController",
       "controller 12 fail=hubopen\n  port 1 device 12 12\n"
       "controller 13 fail=name2\n  port 1 device 13 13\n"
       "controller 14\n  port 1 device 0x1b3b 0x2977\n",
       {camera}},
  };
}

class SecondPass : public testing::TestWithParam<SecondPassCase> {};

TEST_P(SecondPass, WalksEachFurtherControllerOnceAfterTheLegacyNames) {
  UsbSimulator sim;
  std::istringstream text(GetParam().topology);
  std::ostringstream errors;
  ASSERT_TRUE(LoadTopology(text, "t.txt", sim, errors)) << errors.str();
  EXPECT_EQ(Walk(sim), GetParam().expected);
  EXPECT_EQ(sim.OpenHandles(), 0u);
  EXPECT_EQ(sim.BadHandleUses(), 0u);
  for (const std::string& line : Trace(sim)) {  // no legacy name above HCD9 is tried
    const std::size_t at = line.find("HCD");
    EXPECT_TRUE(at == std::string::npos || line.size() == at + 4 || line[at + 4] == ' ') << line;
  }
}

INSTANTIATE_TEST_SUITE_P(Topologies, SecondPass, testing::ValuesIn(SecondPassCases()),
                         [](const testing::TestParamInfo<SecondPassCase>& param) {
                           return std::string(param.param.name);
                         });

// Controllers 10 to 255, each listed once: the walk takes the first 64 of them.
TEST(SecondPass, WalksAtMostSixtyFourFurtherControllers) {
  UsbSimulator sim;
  std::vector<Row> expected;
  for (unsigned n = 10; n <= 255; ++n) {
    sim.AddController(n).root.AddDevice(1, static_cast<std::uint16_t>(n), 0);
    if (n < 10 + 64) expected.push_back(Dev(1, n, 0));
  }
  EXPECT_EQ(Walk(sim), expected);
  EXPECT_EQ(sim.OpenHandles(), 0u);
}

// 32 controllers listed 8 times each fill the 256 entries the walk looks at: the 33rd is
// never reached, though only 22 further controllers were walked.
TEST(SecondPass, LooksAtNoMoreThan256ListedInterfaces) {
  UsbSimulator sim;
  std::vector<Row> expected;
  for (unsigned n = 0; n <= 32; ++n) {
    SimController& controller = sim.AddController(n);
    controller.interfaces = 8;
    controller.root.AddDevice(1, static_cast<std::uint16_t>(n), 0);
    if (n < 32) expected.push_back(Dev(1, n, 0));
  }
  EXPECT_EQ(Walk(sim), expected);
}

// CreateFileA opens no path longer than 259 characters: a longer one is never tried.
TEST(SecondPass, SkipsAPathLongerThanThePlatformOpens) {
  UsbSimulator sim;
  SimController& fits = sim.AddController(12);
  fits.interfacePath = "\\\\?\\" + std::string(255, 'a');
  fits.root.AddDevice(1, 12, 12);
  SimController& tooLong = sim.AddController(13);
  tooLong.interfacePath = "\\\\?\\" + std::string(256, 'b');
  tooLong.root.AddDevice(1, 13, 13);
  sim.AddController(14).root.AddDevice(1, 14, 14);
  ASSERT_EQ(fits.interfacePath.size(), 259u);
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Dev(1, 12, 12), Dev(1, 14, 14)}));
  for (const std::string& line : Trace(sim)) EXPECT_EQ(line.find("bbbb"), std::string::npos);
}

// The root hub names tell controllers apart as the platform compares names: without case.
TEST(SecondPass, AControllerWhoseRootHubWasWalkedInAnotherCaseIsSkipped) {
  UsbSimulator sim;
  sim.AddController(0).root.AddDevice(1, 1, 1);
  SimController& again = sim.AddController(12);
  std::u16string name = sim.FindController(0)->root.name;
  for (char16_t& unit : name)
    if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit - u'A' + u'a');
  again.root.name = name;
  again.root.AddDevice(1, 2, 2);  // never seen: the name opens controller 0's root hub
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Dev(1, 1, 1)}));
}

TEST(ConvertName, StaysInsideTheBlock) {
  UsbSimulator sim;
  // A 12-byte block: 4 header bytes, then 4 units.
  std::uint16_t terminated[6] = {0xFFFF, 0xFFFF, 'a', 'b', 'c', 0};
  EXPECT_EQ(ConvertName(sim, terminated, 12, 4), "abc");
  std::uint16_t full[6] = {0xFFFF, 0xFFFF, 'a', 'b', 'c', 'd'};
  EXPECT_EQ(ConvertName(sim, full, 12, 4), std::nullopt);
  EXPECT_EQ(ConvertName(sim, full, 11, 4), std::nullopt);  // an odd size: 3 whole units
  EXPECT_EQ(ConvertName(sim, full, 4, 4), std::nullopt);   // no room for a name at all
  std::uint16_t empty[3] = {0, 0, 0};
  EXPECT_EQ(ConvertName(sim, empty, 6, 4), "");
}

}  // namespace
