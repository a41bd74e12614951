// Walks the USB topology once and prints the device list, one port record a line.
// usb-walk.exe walks the real hub driver; usb-walk-sim the simulator fed from
// DETECTOR_USB_TOPOLOGY.
#include <cstdio>
#include <iostream>

#include "usb/walk.h"
#ifdef USB_WALK_REAL_DRIVER
#include "usb/win_hub_driver.h"
#else
#include "usb/sim/topology_file_driver.h"
#endif

int main() {
#ifdef USB_WALK_REAL_DRIVER
  Win32HubDriver driver;
#else
  TopologyFileDriver driver(std::cerr);
#endif
  DeviceList list;
  ScanHostControllers(driver, list);
  for (std::size_t p = 0; p < list.Count(); ++p) {
    const PortRecord& r = list.RecordAt(p);
    std::printf("%zu: port %u vid 0x%04x pid 0x%04x hub %u status %u\n", p,
                static_cast<unsigned>(r.ConnectionIndex), r.DeviceDescriptor.idVendor,
                r.DeviceDescriptor.idProduct, r.DeviceIsHub,
                static_cast<unsigned>(r.ConnectionStatus));
  }
  std::printf("%zu records\n", list.Count());
  return 0;
}
