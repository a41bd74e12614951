// The walk against the simulated hub driver: order, gaps, what is given up, and the exact
// requests it sends.
#include <gtest/gtest.h>

#include "tests/usb/walk_helpers.h"

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
  };
  EXPECT_EQ(Trace(sim), expected);
}

TEST(Walk, NoControllersLeaveTheListEmpty) {
  UsbSimulator sim;
  EXPECT_TRUE(Walk(sim).empty());
  std::vector<std::string> expected;
  for (int n = 0; n < 10; ++n) expected.push_back("open \\\\.\\HCD" + std::to_string(n) + " fails");
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

TEST(Walk, ControllersNumberedTenOrMoreAreNeverExamined) {
  UsbSimulator sim;
  sim.AddController(10).root.AddDevice(1, 0x1234, 0x5678);
  sim.AddController(9).root.AddDevice(1, 0x1111, 0x2222);
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Dev(1, 0x1111, 0x2222)}));
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
