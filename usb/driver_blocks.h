#pragma once
// The blocks the hub driver reads and writes, laid out byte for byte like the platform's
// structures (byte-packed). Defined here so that the portable logic builds without the
// platform headers; the Windows build proves the layouts equal (usb/platform_layout.cpp).
// Nothing here names the connection-status values: the platform header names them too.
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct UsbDeviceDescriptor {
  std::uint8_t bLength;
  std::uint8_t bDescriptorType;
  std::uint16_t bcdUSB;
  std::uint8_t bDeviceClass;
  std::uint8_t bDeviceSubClass;
  std::uint8_t bDeviceProtocol;
  std::uint8_t bMaxPacketSize0;
  std::uint16_t idVendor;
  std::uint16_t idProduct;
  std::uint16_t bcdDevice;
  std::uint8_t iManufacturer;
  std::uint8_t iProduct;
  std::uint8_t iSerialNumber;
  std::uint8_t bNumConfigurations;
};

struct UsbEndpointDescriptor {
  std::uint8_t bLength;
  std::uint8_t bDescriptorType;
  std::uint8_t bEndpointAddress;
  std::uint8_t bmAttributes;
  std::uint16_t wMaxPacketSize;
  std::uint8_t bInterval;
};

struct UsbPipeInfo {
  UsbEndpointDescriptor EndpointDescriptor;
  std::uint32_t ScheduleOffset;
};

constexpr std::size_t kPortRecordPipes = 30;

// USB_NODE_CONNECTION_INFORMATION with room for 30 pipe entries.
struct PortRecord {
  std::uint32_t ConnectionIndex;
  UsbDeviceDescriptor DeviceDescriptor;
  std::uint8_t CurrentConfigurationValue;
  std::uint8_t LowSpeed;
  std::uint8_t DeviceIsHub;
  std::uint16_t DeviceAddress;
  std::uint32_t NumberOfOpenPipes;
  std::uint32_t ConnectionStatus;  // a ConnectionStatus value, or any other value as reported
  UsbPipeInfo PipeList[kPortRecordPipes];
};

// USB_HUB_DESCRIPTOR.
struct UsbHubDescriptor {
  std::uint8_t bDescriptorLength;
  std::uint8_t bDescriptorType;
  std::uint8_t bNumberOfPorts;
  std::uint16_t wHubCharacteristics;
  std::uint8_t bPowerOnToPowerGood;
  std::uint8_t bHubControlCurrent;
  std::uint8_t bRemoveAndPowerMask[64];
};

// USB_NODE_INFORMATION; the walk reads only u.HubInformation.HubDescriptor.bNumberOfPorts.
struct UsbNodeInformation {
  std::uint32_t NodeType;  // USB_HUB_NODE: 0 a hub, 1 a composite device's parent
  union {
    struct {
      UsbHubDescriptor HubDescriptor;
      std::uint8_t HubIsBusPowered;
    } HubInformation;
    std::uint32_t NumberOfInterfaces;  // USB_MI_PARENT_INFORMATION
  } u;
};
#pragma pack(pop)

static_assert(sizeof(UsbDeviceDescriptor) == 18, "device descriptor layout");
static_assert(sizeof(UsbPipeInfo) == 11, "pipe info layout");
static_assert(offsetof(PortRecord, DeviceIsHub) == 24, "fixed part layout");
static_assert(offsetof(PortRecord, ConnectionStatus) == 31, "fixed part layout");
static_assert(offsetof(PortRecord, PipeList) == 35, "fixed part layout");
static_assert(sizeof(PortRecord) == 365, "35 bytes fixed part + 30 pipes of 11 bytes");
static_assert(sizeof(UsbNodeInformation) == 76, "node information layout");

constexpr std::size_t kPortRecordFixedSize = offsetof(PortRecord, PipeList);  // 35
constexpr std::size_t kNodeInformationPortCountOffset = 6;  // u.HubInformation.HubDescriptor.bNumberOfPorts
static_assert(offsetof(UsbNodeInformation, u) + offsetof(UsbHubDescriptor, bNumberOfPorts) ==
                  kNodeInformationPortCountOffset,
              "port count offset");

// USB_ROOT_HUB_NAME: ULONG ActualLength, then the UTF-16 name (one unit in the fixed size).
constexpr std::size_t kRootHubNameSize = 6;
constexpr std::size_t kRootHubNameOffset = 4;
// USB_NODE_CONNECTION_NAME: ULONG ConnectionIndex, ULONG ActualLength, then the UTF-16 name.
constexpr std::size_t kNodeConnectionNameSize = 10;
constexpr std::size_t kNodeConnectionNameLengthOffset = 4;
constexpr std::size_t kNodeConnectionNameOffset = 8;
