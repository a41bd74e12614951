// Topology files: what they build, and how a malformed one is reported.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/usb/walk_helpers.h"
#include "usb/sim/topology_file.h"

#ifndef DETECTOR_TOPOLOGY_DIR
#error "DETECTOR_TOPOLOGY_DIR names tools/usb-topologies"
#endif

namespace {

bool Load(const std::string& text, UsbSimulator& sim, std::string& errors) {
  std::istringstream in(text);
  std::ostringstream err;
  const bool ok = LoadTopology(in, "t.txt", sim, err);
  errors = err.str();
  return ok;
}

const std::vector<Row> kExampleRows = {
    Dev(1, 0x1234, 0x5678), Hub(2, 0x05e3, 0x0608), Dev(1, 46, 49271), Empty(2),
    Dev(3, 0x1234, 0x5678, 2), Empty(1), Empty(2), Empty(3), Empty(4)};

TEST(Topology, TheExampleFileBuildsItsTree) {
  UsbSimulator sim;
  std::ostringstream errors;
  ASSERT_TRUE(LoadTopologyFile(DETECTOR_TOPOLOGY_DIR "/example.txt", sim, errors)) << errors.str();
  EXPECT_EQ(errors.str(), "");
  EXPECT_EQ(Walk(sim), kExampleRows);
  EXPECT_EQ(sim.OpenHandles(), 0u);
}

TEST(Topology, TheOrderExampleFileGivesTheResultingOrder) {
  UsbSimulator sim;
  std::ostringstream errors;
  ASSERT_TRUE(LoadTopologyFile(DETECTOR_TOPOLOGY_DIR "/order-example.txt", sim, errors));
  EXPECT_EQ(Walk(sim), OrderExampleRows());
}

TEST(Topology, TheHostileFileEndsWithNoOpenHandle) {
  UsbSimulator sim;
  std::ostringstream errors;
  ASSERT_TRUE(LoadTopologyFile(DETECTOR_TOPOLOGY_DIR "/hostile.txt", sim, errors)) << errors.str();
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Dev(1, 0x1234, 0x5678), Hub(3, 0x05e3, 0x0608),
                                         Hub(4, 0x05e3, 0x0608), Hub(5, 0x05e3, 0x0608),
                                         Dev(9, 5, 5, 8), Dev(1, 8, 8)}));
  EXPECT_EQ(sim.OpenHandles(), 0u);
  EXPECT_EQ(sim.BadHandleUses(), 0u);
}

TEST(Topology, TheManyControllersFileReachesTheCameraBehindController12) {
  UsbSimulator sim;
  std::ostringstream errors;
  ASSERT_TRUE(LoadTopologyFile(DETECTOR_TOPOLOGY_DIR "/many-controllers.txt", sim, errors))
      << errors.str();
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Dev(1, 0x046d, 0xc077), Empty(1), Empty(2),
                                         Dev(1, 0x046d, 0xc52b), Empty(1),
                                         Hub(2, 0x05e3, 0x0608), Empty(1), Dev(2, 0x1234, 0x5678)}));
}

TEST(Topology, AcceptsCommentsBlankLinesCarriageReturnsAndBothNumberForms) {
  UsbSimulator sim;
  std::string errors;
  ASSERT_TRUE(Load("# top\r\n\r\ncontroller 0x1   # trailing\r\n  port 0x2 device 0X1A 26\r\n"
                   "\n  port 1 empty status=0x3\n",
                   sim, errors))
      << errors;
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Empty(1, 3), Dev(2, 0x1a, 0x1a)}));
}

TEST(Topology, PortCountIsTheHighestListedUnlessGiven) {
  UsbSimulator sim;
  std::string errors;
  ASSERT_TRUE(Load("controller 0\n  port 3 empty\n  port 2 hub 1 2 ports=3\n    port 1 device 5 6\n",
                   sim, errors))
      << errors;
  EXPECT_EQ(sim.FindController(0)->root.PortCount(), 3u);
  EXPECT_EQ(Walk(sim), (std::vector<Row>{Empty(1), Hub(2, 1, 2), Dev(1, 5, 6), Empty(2), Empty(3),
                                         Empty(3)}));
}

TEST(Topology, ReadsMisbehaviourFlags) {
  UsbSimulator sim;
  std::string errors;
  ASSERT_TRUE(Load("controller 0 fail=info,name2 namelen=12 unterminated\n"
                   "  port 1 hub 1 2 fail=query,open,info,name,name2 namelen=0 unterminated status=3\n"
                   "    port 1 hub 3 4 loop=2\n"
                   "  port 2 device 1 2 fail=query\n"
                   "controller 1 fail=open,hubopen,name\n",
                   sim, errors))
      << errors;
  const SimController& c0 = *sim.FindController(0);
  EXPECT_TRUE(c0.root.faults.info && c0.root.faults.name2 && c0.root.faults.unterminated);
  EXPECT_FALSE(c0.root.faults.name || c0.root.faults.open || c0.openFails);
  EXPECT_EQ(c0.root.faults.actualLength, 12u);
  const SimPort& p1 = c0.root.ports.at(1);
  EXPECT_EQ(p1.status, 3u);
  EXPECT_TRUE(p1.queryFails);
  EXPECT_TRUE(p1.hub->faults.open && p1.hub->faults.info && p1.hub->faults.name &&
              p1.hub->faults.name2 && p1.hub->faults.unterminated);
  EXPECT_EQ(p1.hub->faults.actualLength, 0u);
  EXPECT_EQ(p1.hub->ports.at(1).hub->faults.loop, 2u);
  EXPECT_TRUE(c0.root.ports.at(2).queryFails);
  const SimController& c1 = *sim.FindController(1);
  EXPECT_TRUE(c1.openFails && c1.root.faults.open && c1.root.faults.name);
}

TEST(Topology, ReadsHowEachControllerIsReached) {
  UsbSimulator sim;
  std::string errors;
  ASSERT_TRUE(Load("controller 3 hcd=none interfaces=2\ncontroller 0 interface=none\n"
                   "controller 12 interfaces=8\ncontroller 9 fail=list interfaces=0\n",
                   sim, errors))
      << errors;
  const SimController& c3 = *sim.FindController(3);
  EXPECT_FALSE(c3.legacyName);
  EXPECT_EQ(c3.interfaces, 2u);
  EXPECT_TRUE(sim.FindController(0)->legacyName);
  EXPECT_EQ(sim.FindController(0)->interfaces, 0u);
  EXPECT_FALSE(sim.FindController(12)->legacyName) << "no legacy name above 9";
  EXPECT_EQ(sim.FindController(12)->interfaces, 8u);
  std::vector<std::string> paths;
  EXPECT_FALSE(sim.ListHostControllers(256, paths)) << "fail=list fails the whole list";
}

struct Malformed {
  const char* text;
  const char* message;  // the start of the one line reported
};

void PrintTo(const Malformed& m, std::ostream* out) { *out << testing::PrintToString(m.text); }

class TopologyErrors : public testing::TestWithParam<Malformed> {};

TEST_P(TopologyErrors, AreReportedWithTheLineNumberAndLeaveNoControllers) {
  UsbSimulator sim;
  std::string errors;
  EXPECT_FALSE(Load(GetParam().text, sim, errors));
  EXPECT_EQ(errors.rfind(GetParam().message, 0), 0u) << errors;
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1);
  EXPECT_EQ(sim.ControllerCount(), 0u);
  EXPECT_TRUE(Walk(sim).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TopologyErrors,
    testing::Values(
        Malformed{"controller 0\n  port 1 device 1 2\nbogus\n", "t.txt:3: unknown word \"bogus\""},
        Malformed{"  port 1 empty\n", "t.txt:1: \"port\" stands under"},
        Malformed{"port 1 empty\n", "t.txt:1: \"port\" stands under"},
        Malformed{"controller 0\n   port 1 empty\n", "t.txt:2: indentation is two blanks"},
        Malformed{"controller 0\n\tport 1 empty\n", "t.txt:2: indent with spaces"},
        Malformed{"controller 0\n    port 1 empty\n", "t.txt:2: indented deeper"},
        Malformed{"controller 0\n  port 1 device 1 2\n    port 1 empty\n", "t.txt:3: indented deeper"},
        Malformed{"controller 0\n  controller 1\n", "t.txt:2: \"controller\" stands at the top"},
        Malformed{"controller\n", "t.txt:1: \"controller\" needs its number"},
        Malformed{"controller x\n", "t.txt:1: controller number \"x\" is not a number"},
        Malformed{"controller 0\ncontroller 0\n", "t.txt:2: controller 0 is already there"},
        Malformed{"controller 0\n  port 0 empty\n", "t.txt:2: ports are counted from 1"},
        Malformed{"controller 0\n  port 256 empty\n", "t.txt:2: port number 256 is above 255"},
        Malformed{"controller 0\n  port 1 empty\n  port 1 empty\n", "t.txt:3: port 1 is already"},
        Malformed{"controller 0 ports=2\n  port 3 empty\n", "t.txt:2: port 3 is above"},
        Malformed{"controller 0\n  port 1\n", "t.txt:2: \"port\" needs its number"},
        Malformed{"controller 0\n  port 1 camera 1 2\n", "t.txt:2: a port holds"},
        Malformed{"controller 0\n  port 1 device 1\n", "t.txt:2: \"device\" needs a vendor"},
        Malformed{"controller 0\n  port 1 device 0x10000 1\n", "t.txt:2: vendor id 0x10000 is above"},
        Malformed{"controller 0\n  port 1 device 1 0x\n", "t.txt:2: product id \"0x\" is not"},
        Malformed{"controller 0\n  port 1 device 1 2 status=\n", "t.txt:2: status \"\" is not"},
        Malformed{"controller 0\n  port 1 device 1 2 status=0x100000000\n", "t.txt:2: status"},
        Malformed{"controller 0\n  port 1 device 1 2 ports=3\n", "t.txt:2: \"ports=3\" is not allowed"},
        Malformed{"controller 0\n  port 1 device 1 2 fail=open\n", "t.txt:2: \"fail=open\" is not"},
        Malformed{"controller 0\n  port 1 empty fail=\n", "t.txt:2: \"fail\" needs a value"},
        Malformed{"controller 0\n  port 1 hub 1 2 loop\n", "t.txt:2: \"loop\" needs a value"},
        Malformed{"controller 0\n  port 1 hub 1 2 loop=2\n", "t.txt:2: loop=2 leads above"},
        Malformed{"controller 0\n  port 1 hub 1 2 loop=0\n", "t.txt:2: loop=0 leads above"},
        Malformed{"controller 0 unterminated=1\n", "t.txt:1: \"unterminated\" takes no value"},
        Malformed{"controller 0 status=1\n", "t.txt:1: \"status=1\" is not allowed"},
        Malformed{"controller 0 hcd=yes\n", "t.txt:1: \"hcd\" takes only \"none\""},
        Malformed{"controller 0 interface=0\n", "t.txt:1: \"interface\" takes only \"none\""},
        Malformed{"controller 0 interfaces=9\n", "t.txt:1: interface count 9 is above 8"},
        Malformed{"controller 0 interface=none interfaces=1\n", "t.txt:1: \"interface=none\" and"},
        Malformed{"controller 0\n  port 1 empty fail=list\n", "t.txt:2: \"fail=list\" is not"},
        Malformed{"controller 0\n  port 1 hub 1 2 hcd=none\n", "t.txt:2: \"hcd=none\" is not"}));

TEST(Topology, AMissingFileIsReportedAndLeavesNoControllers) {
  UsbSimulator sim;
  sim.AddController(0);
  std::ostringstream errors;
  EXPECT_FALSE(LoadTopologyFile(DETECTOR_TOPOLOGY_DIR "/no-such-file.txt", sim, errors));
  EXPECT_NE(errors.str().find("no-such-file.txt:0: cannot read the topology file"),
            std::string::npos)
      << errors.str();
  EXPECT_EQ(sim.ControllerCount(), 0u);
}

}  // namespace
