// Windows builds: the layouts and codes the portable code defines for itself are the
// platform's own. Compiles to nothing; fails the build when they differ.
#include <windows.h>
#include <winioctl.h>
#include <usbioctl.h>

#include <cstddef>

#include "usb/driver_blocks.h"
#include "usb/hub_driver.h"

#define SAME_OFFSET(ours, theirs, member) \
  static_assert(offsetof(ours, member) == offsetof(theirs, member), #member)

// The port record: the platform structure followed by 30 pipe entries.
static_assert(sizeof(PortRecord) ==
                  sizeof(USB_NODE_CONNECTION_INFORMATION) + kPortRecordPipes * sizeof(USB_PIPE_INFO),
              "port record size");
static_assert(kPortRecordFixedSize == sizeof(USB_NODE_CONNECTION_INFORMATION), "fixed part");
SAME_OFFSET(PortRecord, USB_NODE_CONNECTION_INFORMATION, ConnectionIndex);
SAME_OFFSET(PortRecord, USB_NODE_CONNECTION_INFORMATION, DeviceDescriptor);
SAME_OFFSET(PortRecord, USB_NODE_CONNECTION_INFORMATION, CurrentConfigurationValue);
SAME_OFFSET(PortRecord, USB_NODE_CONNECTION_INFORMATION, LowSpeed);
SAME_OFFSET(PortRecord, USB_NODE_CONNECTION_INFORMATION, DeviceIsHub);
SAME_OFFSET(PortRecord, USB_NODE_CONNECTION_INFORMATION, DeviceAddress);
SAME_OFFSET(PortRecord, USB_NODE_CONNECTION_INFORMATION, NumberOfOpenPipes);
SAME_OFFSET(PortRecord, USB_NODE_CONNECTION_INFORMATION, ConnectionStatus);
SAME_OFFSET(PortRecord, USB_NODE_CONNECTION_INFORMATION, PipeList);
static_assert(sizeof(((PortRecord*)nullptr)->ConnectionStatus) == sizeof(USB_CONNECTION_STATUS),
              "status width");

static_assert(sizeof(UsbDeviceDescriptor) == sizeof(USB_DEVICE_DESCRIPTOR), "descriptor size");
SAME_OFFSET(UsbDeviceDescriptor, USB_DEVICE_DESCRIPTOR, bcdUSB);
SAME_OFFSET(UsbDeviceDescriptor, USB_DEVICE_DESCRIPTOR, idVendor);
SAME_OFFSET(UsbDeviceDescriptor, USB_DEVICE_DESCRIPTOR, idProduct);
SAME_OFFSET(UsbDeviceDescriptor, USB_DEVICE_DESCRIPTOR, bNumConfigurations);
static_assert(sizeof(UsbPipeInfo) == sizeof(USB_PIPE_INFO), "pipe size");
SAME_OFFSET(UsbPipeInfo, USB_PIPE_INFO, ScheduleOffset);

// The node information and where the port count sits in it.
static_assert(sizeof(UsbNodeInformation) == sizeof(USB_NODE_INFORMATION), "node information");
static_assert(offsetof(USB_NODE_INFORMATION, u.HubInformation.HubDescriptor.bNumberOfPorts) ==
                  kNodeInformationPortCountOffset,
              "port count offset");
static_assert(sizeof(UsbHubDescriptor) == sizeof(USB_HUB_DESCRIPTOR), "hub descriptor");

// The two name structures.
static_assert(sizeof(USB_ROOT_HUB_NAME) == kRootHubNameSize, "root hub name size");
static_assert(offsetof(USB_ROOT_HUB_NAME, RootHubName) == kRootHubNameOffset, "root hub name");
static_assert(sizeof(USB_NODE_CONNECTION_NAME) == kNodeConnectionNameSize, "node name size");
static_assert(offsetof(USB_NODE_CONNECTION_NAME, ActualLength) == kNodeConnectionNameLengthOffset,
              "node name length");
static_assert(offsetof(USB_NODE_CONNECTION_NAME, NodeName) == kNodeConnectionNameOffset,
              "node name");

// The control codes.
static_assert(IOCTL_USB_GET_ROOT_HUB_NAME == kIoctlGetRootHubName, "root hub name code");
static_assert(IOCTL_USB_GET_NODE_INFORMATION == kIoctlGetNodeInformation, "node info code");
static_assert(IOCTL_USB_GET_NODE_CONNECTION_INFORMATION == kIoctlGetNodeConnectionInformation,
              "connection information code");
static_assert(IOCTL_USB_GET_NODE_CONNECTION_NAME == kIoctlGetNodeConnectionName,
              "connection name code");
static_assert(NoDeviceConnected == 0 && DeviceConnected == 1 && DeviceNotEnoughPower == 5,
              "status values");
