#pragma once
// The host-controller and hub walk: appends one PortRecord per readable port, depth first.
// Every failure is silent: it only shrinks what the list receives.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "usb/device_list.h"
#include "usb/hub_driver.h"

constexpr int kHostControllerCount = 10;  // "\\.\HCD0" to "\\.\HCD9"
constexpr const char* kDevicePathPrefix = "\\\\.\\";
// Controllers beyond those ten, or without a legacy name at all, are found through the
// platform's list of host-controller interfaces. The walk looks at this many entries of the
// list (room for every controller of the first pass and the further ones, each listed a few
// times) and walks at most kMaxFurtherControllers controllers that the first pass did not.
constexpr std::size_t kMaxListedInterfaces = 256;
constexpr std::size_t kMaxFurtherControllers = 64;
// At most five hubs stand between a root hub and a device. A hub nested deeper than this
// cannot be real (a driver answering in circles); it is given up. A little above five so
// that no real topology is cut.
constexpr std::size_t kMaxHubNesting = 7;
// A driver that invents a fresh hub name on every port would reach 255^7 hubs before the
// nesting bound helps: one walk opens at most this many hubs, root hubs included, and ends
// when it would open one more.
constexpr std::size_t kMaxHubsPerWalk = 4096;
// A hub name comes from a counted UTF-16 string whose length is 16 bits: a larger
// ActualLength than this cannot be a real answer and counts as no name.
constexpr std::uint32_t kMaxNameBytes = 65536;

// The names of the hubs from the root hub down to the one in hand.
using HubPath = std::vector<std::string>;

// What one walk carries through every hub it scans.
struct HubWalk {
  HubPath path;
  std::size_t hubsOpened = 0;  // counted before each open, failed ones included
  bool stopped = false;        // kMaxHubsPerWalk was reached: nothing more is visited
};

// Device names, as the platform compares them: ASCII letters without regard to case.
bool SameDeviceName(const std::string& a, const std::string& b);

// Opens controllers 0 to 9 and walks each one's tree; then walks every controller the
// platform lists under the host-controller interface whose root hub was not walked yet. The
// caller has emptied the list.
void ScanHostControllers(HubDriver& driver, DeviceList& list);

// The root hub's name, or none.
std::optional<std::string> QueryRootHubName(HubDriver& driver, HubDriver::Handle controller);

// The name of the hub on `port` of `hub`, or none.
std::optional<std::string> QueryChildHubName(HubDriver& driver, HubDriver::Handle hub,
                                             std::uint32_t port);

// Converts the UTF-16 name that starts `nameOffset` bytes into a block of `blockSize` bytes.
// Reads nothing outside the block: a name not terminated inside it is no name.
std::optional<std::string> ConvertName(HubDriver& driver, const std::uint16_t* block,
                                       std::size_t blockSize, std::size_t nameOffset);

// Scans the hub called `name`. `record` is the port record of the port it sits on (null for
// a root hub): it goes into the list before the hub's ports, or is released if the hub is
// given up. `walk.path` holds the hubs above it.
void ScanHub(HubDriver& driver, DeviceList& list, std::string name,
             std::unique_ptr<PortRecord> record, HubWalk& walk);

// Visits ports 1 to portCount of an open hub, until the walk is stopped.
void ScanHubPorts(HubDriver& driver, DeviceList& list, HubDriver::Handle hub,
                  unsigned portCount, HubWalk& walk);
