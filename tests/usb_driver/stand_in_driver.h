/* The USB stand-in driver: host controllers and hubs of one topology file, as devices. */
#pragma once
#include <ntddk.h>

/* Reads the file named by the service key's value "TopologyFile", makes the devices and their
 * names, registers the controllers' interfaces, and answers their requests. */
NTSTATUS NTAPI StartStandIn(PDRIVER_OBJECT driver, PUNICODE_STRING serviceKey);
