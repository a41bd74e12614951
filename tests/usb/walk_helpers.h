#pragma once
// What the tests compare: the device list as rows, and the walk's requests as short lines.
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "usb/sim/usb_simulator.h"
#include "usb/walk.h"

struct Row {
  unsigned port;
  unsigned vid;
  unsigned pid;
  unsigned hub;
  unsigned status;
  bool operator==(const Row& o) const {
    return port == o.port && vid == o.vid && pid == o.pid && hub == o.hub && status == o.status;
  }
};

inline std::ostream& operator<<(std::ostream& out, const Row& r) {
  char text[96];
  std::snprintf(text, sizeof text, "{port %u, %04x:%04x, hub %u, status %u}", r.port, r.vid, r.pid,
                r.hub, r.status);
  return out << text;
}

// Rows for a device, a hub, an empty port.
inline Row Dev(unsigned port, unsigned vid, unsigned pid, unsigned status = 1) {
  return {port, vid, pid, 0, status};
}
inline Row Hub(unsigned port, unsigned vid, unsigned pid, unsigned status = 1) {
  return {port, vid, pid, 1, status};
}
inline Row Empty(unsigned port, unsigned status = 0) { return {port, 0, 0, 0, status}; }

inline std::vector<Row> Rows(const DeviceList& list) {
  std::vector<Row> rows;
  for (std::size_t p = 0; p < list.Count(); ++p) {
    const PortRecord& r = list.RecordAt(p);
    rows.push_back({r.ConnectionIndex, r.DeviceDescriptor.idVendor, r.DeviceDescriptor.idProduct,
                    r.DeviceIsHub, r.ConnectionStatus});
  }
  return rows;
}

// One complete walk into a fresh list.
inline std::vector<Row> Walk(UsbSimulator& sim) {
  DeviceList list;
  ScanHostControllers(sim, list);
  return Rows(list);
}

// The requests as lines: "open <path>", "ioctl <code> <in>/<out>" with " #k" for the
// requests about port k, "convert", "close", "list <paths listed>"; " fails" after each that
// failed.
inline std::vector<std::string> Trace(const UsbSimulator& sim) {
  std::vector<std::string> lines;
  for (const UsbSimulator::Call& c : sim.Calls()) {
    std::string line;
    switch (c.kind) {
      case UsbSimulator::Call::kOpen:
        line = "open " + c.path;
        break;
      case UsbSimulator::Call::kControl: {
        char text[64];
        std::snprintf(text, sizeof text, "ioctl %X %zu/%zu", static_cast<unsigned>(c.code),
                      c.inSize, c.outSize);
        line = text;
        if (c.code == kIoctlGetNodeConnectionInformation || c.code == kIoctlGetNodeConnectionName)
          line += " #" + std::to_string(c.index);
        break;
      }
      case UsbSimulator::Call::kClose:
        line = "close";
        break;
      case UsbSimulator::Call::kConvert:
        line = "convert";
        break;
      case UsbSimulator::Call::kList:
        line = "list " + std::to_string(c.index);
        break;
    }
    if (!c.ok) line += " fails";
    lines.push_back(line);
  }
  return lines;
}

// The example that every description of the walk's order uses: controller 0's root hub has
// a camera on port 1, an external hub on port 2 (a mouse on its port 1, its port 2 empty),
// port 3 empty; controller 1 cannot be opened; controller 2's root hub has two empty ports.
constexpr unsigned kCameraVid = 0x1b3b, kCameraPid = 0x2977;
constexpr unsigned kHubVid = 0x05e3, kHubPid = 0x0608;
constexpr unsigned kMouseVid = 0x046d, kMousePid = 0xc077;

inline void BuildOrderExample(UsbSimulator& sim) {
  SimHub& root0 = sim.AddController(0).root;
  root0.AddDevice(1, kCameraVid, kCameraPid);
  SimHub& external = root0.AddHub(2, kHubVid, kHubPid);
  external.AddDevice(1, kMouseVid, kMousePid);
  external.AddEmpty(2);
  root0.AddEmpty(3);
  sim.AddController(2).root.portCount = 2;
}

inline std::vector<Row> OrderExampleRows() {
  return {Dev(1, kCameraVid, kCameraPid), Hub(2, kHubVid, kHubPid), Dev(1, kMouseVid, kMousePid),
          Empty(2),                       Empty(3),                 Empty(1),
          Empty(2)};
}
