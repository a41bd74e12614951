// detector.exe: the machine's own USB hub driver and the maker's catalogue server.
#include "app/detector_app.h"
#include "usb/win_hub_driver.h"

namespace {
Win32HubDriver g_hubDriver;
}  // namespace

// The one application object; WinMain finds it through AfxGetApp.
CDetectorApp theApp(PlatformParts{g_hubDriver, DETECTOR_CATALOGUE_HOST});
