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
// At most five hubs stand between a root hub and a device. A hub nested deeper than this
// cannot be real (a driver answering in circles); it is given up. A little above five so
// that no real topology is cut.
constexpr std::size_t kMaxHubNesting = 7;
// A hub name comes from a counted UTF-16 string whose length is 16 bits: a larger
// ActualLength than this cannot be a real answer and counts as no name.
constexpr std::uint32_t kMaxNameBytes = 65536;

// The names of the hubs from the root hub down to the one in hand.
using HubPath = std::vector<std::string>;

// Opens controllers 0 to 9 and walks each one's tree. The caller has emptied the list.
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
// given up. `path` holds the hubs above it.
void ScanHub(HubDriver& driver, DeviceList& list, std::string name,
             std::unique_ptr<PortRecord> record, HubPath& path);

// Visits ports 1 to portCount of an open hub.
void ScanHubPorts(HubDriver& driver, DeviceList& list, HubDriver::Handle hub,
                  unsigned portCount, HubPath& path);
