#pragma once
// Builds a simulator from a topology text (format: usb/sim/README.md).
#include <iosfwd>
#include <string>

#include "usb/sim/usb_simulator.h"

// The variable that names the topology file in the builds that use the simulator.
constexpr const char* kTopologyVariable = "DETECTOR_USB_TOPOLOGY";

// Adds what `text` describes to an empty simulator. On a malformed line, writes one line
// "<source>:<line>: <what is wrong>" to `errors`, leaves the simulator with no controllers and
// returns false.
bool LoadTopology(std::istream& text, const std::string& source, UsbSimulator& sim,
                  std::ostream& errors);

// The same from a file; a file that cannot be read is reported the same way (line 0).
bool LoadTopologyFile(const std::string& path, UsbSimulator& sim, std::ostream& errors);
