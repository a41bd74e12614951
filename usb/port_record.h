#pragma once
// The connection information of one USB port, laid out byte for byte like the hub driver's
// USB_NODE_CONNECTION_INFORMATION followed by room for 30 USB_PIPE_INFO entries.
#include <cstddef>
#include <cstdint>

enum ConnectionStatus : std::uint32_t {
  NoDeviceConnected = 0,
  DeviceConnected = 1,
  DeviceFailedEnumeration = 2,
  DeviceGeneralFailure = 3,
  DeviceCausedOvercurrent = 4,
  DeviceNotEnoughPower = 5,
  // Larger values are kept as the driver reported them; none counts as connected.
};

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
#pragma pack(pop)

static_assert(sizeof(UsbDeviceDescriptor) == 18, "device descriptor layout");
static_assert(sizeof(UsbPipeInfo) == 11, "pipe info layout");
static_assert(offsetof(PortRecord, ConnectionStatus) == 31, "fixed part layout");
static_assert(sizeof(PortRecord) == 365, "35 bytes fixed part + 30 pipes of 11 bytes");
