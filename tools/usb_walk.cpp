// Walks the USB topology once through PlatformHubDriver() and prints the device list, one
// port record a line. usb-walk.exe walks the real hub driver; usb-walk-sim the simulator fed
// from DETECTOR_USB_TOPOLOGY.
#include <cstdio>

#include "usb/walk.h"

int main() {
  DeviceList& list = TheDeviceList();
  list.Empty();
  ScanHostControllers(PlatformHubDriver(), list);
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
