// Hostile answers from the hub driver: every one ends with the expected list, every handle
// closed, and (under AddressSanitizer in the native build) nothing read outside a block.
#include <gtest/gtest.h>

#include <functional>

#include "tests/usb/walk_helpers.h"

namespace {

// Controller 0's root hub: a device A on port 1, a hub H on port 2 (device B on its port 1,
// its port 2 empty), a device C on port 3. Controller 1's root hub: a device D on port 1.
constexpr unsigned kA = 0xA, kB = 0xB, kC = 0xC, kD = 0xD;

struct HostileCase {
  const char* name;
  std::function<void(SimController& c0, SimHub& h)> misbehave;
  std::vector<Row> expected;
};

const std::vector<Row> kAll = {Dev(1, kA, kA), Hub(2, kHubVid, kHubPid), Dev(1, kB, kB), Empty(2),
                               Dev(3, kC, kC), Dev(1, kD, kD)};
const std::vector<Row> kHubGivenUp = {Dev(1, kA, kA), Dev(3, kC, kC), Dev(1, kD, kD)};
const std::vector<Row> kHubPlain = {Dev(1, kA, kA), Hub(2, kHubVid, kHubPid), Dev(3, kC, kC),
                                    Dev(1, kD, kD)};
const std::vector<Row> kTreeSkipped = {Dev(1, kD, kD)};

std::vector<HostileCase> Cases() {
  return {
      {"Friendly", [](SimController&, SimHub&) {}, kAll},
      // The external hub.
      {"HubOpenFails", [](SimController&, SimHub& h) { h.faults.open = true; }, kHubGivenUp},
      {"HubInfoFails", [](SimController&, SimHub& h) { h.faults.info = true; }, kHubGivenUp},
      {"HubPortQueryFails", [](SimController&, SimHub& h) { h.seat->queryFails = true; },
       kHubGivenUp},
      {"ChildNameFails", [](SimController&, SimHub& h) { h.faults.name = true; }, kHubPlain},
      {"ChildNameSecondQueryFails", [](SimController&, SimHub& h) { h.faults.name2 = true; },
       kHubPlain},
      {"ChildNameLength0", [](SimController&, SimHub& h) { h.faults.actualLength = 0; }, kHubPlain},
      {"ChildNameLength5", [](SimController&, SimHub& h) { h.faults.actualLength = 5; }, kHubPlain},
      {"ChildNameLength10", [](SimController&, SimHub& h) { h.faults.actualLength = 10; },
       kHubPlain},
      {"ChildNameLength11", [](SimController&, SimHub& h) { h.faults.actualLength = 11; },
       kHubPlain},
      {"ChildNameLength13", [](SimController&, SimHub& h) { h.faults.actualLength = 13; },
       kHubPlain},
      {"ChildNameLengthHuge", [](SimController&, SimHub& h) { h.faults.actualLength = 0xFFFFFFFFu; },
       kHubPlain},
      {"ChildNameLengthOfTheLongestName",  // the zero-filled block terminates it
       [](SimController&, SimHub& h) { h.faults.actualLength = 8 + 65536; }, kAll},
      {"ChildNameLengthJustAboveAnyName",
       [](SimController&, SimHub& h) { h.faults.actualLength = 8 + 65536 + 1; }, kHubPlain},
      {"ChildNameLengthLargerThanNeeded",
       [](SimController&, SimHub& h) { h.faults.actualLength = 4000; }, kAll},
      {"ChildNameUnterminated", [](SimController&, SimHub& h) { h.faults.unterminated = true; },
       kHubPlain},
      {"ChildNameUnterminatedInALargeBlock",  // the zero-filled block terminates it
       [](SimController&, SimHub& h) {
         h.faults.unterminated = true;
         h.faults.actualLength = 4000;
       },
       kAll},
      {"ChildNameEmpty",  // ActualLength 10: the terminator alone
       [](SimController&, SimHub& h) { h.name.clear(); }, kHubPlain},
      {"ChildNameLeadsBackToTheRootHub", [](SimController&, SimHub& h) { h.faults.loop = 1; },
       kHubGivenUp},
      {"ChildNameIsTheRootHubsInAnotherCase",  // the platform opens names without case
       [](SimController& c, SimHub& h) {
         h.name = c.root.name;
         for (char16_t& unit : h.name)
           if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit - u'A' + u'a');
       },
       kHubGivenUp},
      // The controller and its root hub.
      {"ControllerOpenFails", [](SimController& c, SimHub&) { c.openFails = true; }, kTreeSkipped},
      {"RootHubOpenFails", [](SimController& c, SimHub&) { c.root.faults.open = true; },
       kTreeSkipped},
      {"RootHubInfoFails", [](SimController& c, SimHub&) { c.root.faults.info = true; },
       kTreeSkipped},
      {"RootNameFails", [](SimController& c, SimHub&) { c.root.faults.name = true; }, kTreeSkipped},
      {"RootNameSecondQueryFails", [](SimController& c, SimHub&) { c.root.faults.name2 = true; },
       kTreeSkipped},
      {"RootNameLength0", [](SimController& c, SimHub&) { c.root.faults.actualLength = 0; },
       kTreeSkipped},
      {"RootNameLength5", [](SimController& c, SimHub&) { c.root.faults.actualLength = 5; },
       kTreeSkipped},
      {"RootNameLength6", [](SimController& c, SimHub&) { c.root.faults.actualLength = 6; },
       kTreeSkipped},
      {"RootNameLength10", [](SimController& c, SimHub&) { c.root.faults.actualLength = 10; },
       kTreeSkipped},
      {"RootNameLengthHuge",
       [](SimController& c, SimHub&) { c.root.faults.actualLength = 0xFFFFFFFFu; }, kTreeSkipped},
      {"RootNameLengthOfTheLongestName",
       [](SimController& c, SimHub&) { c.root.faults.actualLength = 4 + 65536; }, kAll},
      {"RootNameLengthLargerThanNeeded",
       [](SimController& c, SimHub&) { c.root.faults.actualLength = 4001; }, kAll},
      {"RootNameUnterminated", [](SimController& c, SimHub&) { c.root.faults.unterminated = true; },
       kTreeSkipped},
  };
}

void PrintTo(const HostileCase& c, std::ostream* out) { *out << c.name; }

class Hostile : public testing::TestWithParam<HostileCase> {};

TEST_P(Hostile, EndsWithTheExpectedListAndNoOpenHandle) {
  UsbSimulator sim;
  SimController& c0 = sim.AddController(0);
  c0.root.AddDevice(1, kA, kA);
  SimHub& h = c0.root.AddHub(2, kHubVid, kHubPid);
  h.AddDevice(1, kB, kB);
  h.AddEmpty(2);
  c0.root.AddDevice(3, kC, kC);
  sim.AddController(1).root.AddDevice(1, kD, kD);
  GetParam().misbehave(c0, h);

  EXPECT_EQ(Walk(sim), GetParam().expected);
  EXPECT_EQ(sim.OpenHandles(), 0u);
  EXPECT_EQ(sim.BadHandleUses(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Answers, Hostile, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<HostileCase>& param) {
                           return std::string(param.param.name);
                         });

// A hub that leads back to an ancestor further up, and to its own parent.
TEST(HostileLoops, HubNamingAnAncestorIsGivenUpAndItsSiblingsWalked) {
  for (unsigned up = 1; up <= 3; ++up) {
    UsbSimulator sim;
    SimHub& root = sim.AddController(0).root;
    SimHub& h1 = root.AddHub(1, kHubVid, 1);
    SimHub& h2 = h1.AddHub(1, kHubVid, 2);
    SimHub& h3 = h2.AddHub(1, kHubVid, 3);
    h3.faults.loop = up;
    h3.AddDevice(1, 0xBAD, 0xBAD);
    h2.AddDevice(2, kA, kA);
    EXPECT_EQ(Walk(sim), (std::vector<Row>{Hub(1, kHubVid, 1), Hub(1, kHubVid, 2), Dev(2, kA, kA)}))
        << "loop " << up;
    EXPECT_EQ(sim.OpenHandles(), 0u);
  }
}

// Hubs nested far deeper than USB allows: those below the bound are given up.
TEST(HostileLoops, NestingDeeperThanUsbAllowsIsCut) {
  UsbSimulator sim;
  SimHub* hub = &sim.AddController(0).root;
  std::vector<SimHub*> chain;
  for (unsigned level = 1; level <= 12; ++level) {
    hub = &hub->AddHub(1, kHubVid, static_cast<std::uint16_t>(level));
    chain.push_back(hub);
  }
  for (SimHub* h : chain) h->AddDevice(2, kA, h->seat->pid);

  const unsigned deepest = 7;  // the five hubs USB allows below a root hub, and two to spare
  std::vector<Row> expected;
  for (unsigned level = 1; level <= deepest; ++level) expected.push_back(Hub(1, kHubVid, level));
  for (unsigned level = deepest; level >= 1; --level) expected.push_back(Dev(2, kA, level));
  EXPECT_EQ(Walk(sim), expected);
  EXPECT_EQ(sim.OpenHandles(), 0u);
}

// A driver that names a fresh hub on every port: the walk opens 4096 hubs, root hubs
// included, and stops when it would open the 4097th. Here the root hub (hub 1) has 17 hubs,
// each with 255 hubs of no ports: hubs 2 to 4096 are the first 16 of them and their first 254
// children; the 255th child of the 16th would be hub 4097.
TEST(HostileLoops, AWalkStopsAfter4096Hubs) {
  for (const unsigned bigHubs : {15u, 16u}) {
    UsbSimulator sim;
    sim.KeepCalls(false);
    SimHub& root = sim.AddController(0).root;
    std::vector<Row> expected;
    for (unsigned k = 1; k <= bigHubs; ++k) {
      SimHub& big = root.AddHub(k, kHubVid, static_cast<std::uint16_t>(k));
      expected.push_back(Hub(k, kHubVid, k));
      for (unsigned j = 1; j <= 255; ++j) {
        big.AddHub(j, kHubVid, 0).portCount = 0;
        expected.push_back(Hub(j, kHubVid, 0));
      }
    }
    root.AddDevice(bigHubs + 1, kA, kA);
    sim.AddController(1).root.AddDevice(1, kD, kD);
    sim.AddController(12).root.AddDevice(1, kC, kC);
    if (bigHubs == 15) {  // 3841 hubs: everything is walked
      expected.push_back(Dev(bigHubs + 1, kA, kA));
      expected.push_back(Dev(1, kD, kD));
      expected.push_back(Dev(1, kC, kC));
    } else {  // the walk ends at hub 4097, with nothing after it
      expected.pop_back();
      ASSERT_EQ(expected.size(), 4095u);
    }
    EXPECT_EQ(Walk(sim), expected) << bigHubs << " large hubs";
    EXPECT_EQ(sim.OpenHandles(), 0u);
    EXPECT_EQ(sim.BadHandleUses(), 0u);
  }
}

}  // namespace
