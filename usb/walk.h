#pragma once
// The host-controller and hub walk: appends one PortRecord per readable port, depth first.
#include "usb/device_list.h"
#include "usb/hub_driver.h"

void ScanHostControllers(HubDriver& driver, DeviceList& list);
