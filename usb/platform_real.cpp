// detector.exe walks the machine's real hub driver.
#include "usb/win_hub_driver.h"

HubDriver& PlatformHubDriver() {
  static Win32HubDriver driver;
  return driver;
}
