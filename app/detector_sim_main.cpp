// detector-sim.exe: the pretend USB machine that DETECTOR_USB_TOPOLOGY names, and a catalogue
// server on this machine. Never shipped.
#include <iostream>

#include "app/detector_app.h"
#include "usb/sim/topology_file_driver.h"

namespace {
TopologyFileDriver g_hubDriver(std::cerr);
}  // namespace

// The one application object; WinMain finds it through AfxGetApp.
CDetectorApp theApp(PlatformParts{g_hubDriver, "127.0.0.1", true});
