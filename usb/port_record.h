#pragma once
// The connection information of one USB port, laid out byte for byte like the hub driver's
// USB_NODE_CONNECTION_INFORMATION followed by room for 30 USB_PIPE_INFO entries (365 bytes,
// usb/driver_blocks.h), and the states a port reports.
#include <cstdint>

#include "usb/driver_blocks.h"

enum ConnectionStatus : std::uint32_t {
  NoDeviceConnected = 0,
  DeviceConnected = 1,
  DeviceFailedEnumeration = 2,
  DeviceGeneralFailure = 3,
  DeviceCausedOvercurrent = 4,
  DeviceNotEnoughPower = 5,
  // Larger values are kept as the driver reported them; none counts as connected.
};
