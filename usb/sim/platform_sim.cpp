// The builds that run with a pretend USB topology walk the simulator, built once from the file
// that DETECTOR_USB_TOPOLOGY names. Never linked into the product.
#include <iostream>

#include "usb/sim/topology_file.h"

HubDriver& PlatformHubDriver() {
  static UsbSimulator simulator;
  static const bool loaded = [] {
    simulator.KeepCalls(false);
    return LoadTopologyFromEnvironment(simulator, std::cerr);
  }();
  (void)loaded;
  return simulator;
}
