/* The registry entries through which SetupAPI lists a host controller's interfaces. */
#pragma once
#include <ntddk.h>

#include "tests/usb_driver/topology_model.h"

/* Controller `ordinal` listed `device->interfaces` times under the host-controller interface
 * class, present. */
NTSTATUS RegisterInterfaces(unsigned ordinal, const ModelDevice* device);
/* Removes what RegisterInterfaces made; missing entries are no error. */
void UnregisterInterfaces(unsigned ordinal, const ModelDevice* device);
