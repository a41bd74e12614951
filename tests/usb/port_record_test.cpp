// The port record's layout and the list that owns the records.
#include <gtest/gtest.h>

#include <cstring>

#include "usb/device_list.h"
#include "usb/port_record.h"

namespace {

TEST(PortRecord, IsThePlatformsBlockOf365Bytes) {
  EXPECT_EQ(sizeof(PortRecord), 365u);
  EXPECT_EQ(offsetof(PortRecord, ConnectionIndex), 0u);
  EXPECT_EQ(offsetof(PortRecord, DeviceDescriptor), 4u);
  EXPECT_EQ(offsetof(PortRecord, DeviceDescriptor) + offsetof(UsbDeviceDescriptor, idVendor), 12u);
  EXPECT_EQ(offsetof(PortRecord, DeviceDescriptor) + offsetof(UsbDeviceDescriptor, idProduct), 14u);
  EXPECT_EQ(offsetof(PortRecord, DeviceIsHub), 24u);
  EXPECT_EQ(offsetof(PortRecord, ConnectionStatus), 31u);
  EXPECT_EQ(offsetof(PortRecord, PipeList), 35u);
  EXPECT_EQ(sizeof(UsbNodeInformation), 76u);
}

TEST(PortRecord, StartsZeroFilled) {
  auto record = std::make_unique<PortRecord>();
  unsigned char zero[sizeof(PortRecord)] = {};
  EXPECT_EQ(std::memcmp(record.get(), zero, sizeof zero), 0);
}

// The record is byte-packed: its members are read by value (a reference to one may be
// misaligned), hence the copies below.
TEST(PortRecord, ReadsTheMembersFromTheDriversBytes) {
  unsigned char bytes[sizeof(PortRecord)] = {};
  bytes[0] = 3;                    // ConnectionIndex
  bytes[12] = 0x34, bytes[13] = 0x12;  // idVendor, little-endian
  bytes[14] = 0x78, bytes[15] = 0x56;  // idProduct
  bytes[24] = 1;                   // DeviceIsHub
  bytes[31] = 8;                   // ConnectionStatus
  PortRecord record;
  std::memcpy(&record, bytes, sizeof record);
  EXPECT_EQ(unsigned{record.ConnectionIndex}, 3u);
  EXPECT_EQ(unsigned{record.DeviceDescriptor.idVendor}, 0x1234u);
  EXPECT_EQ(unsigned{record.DeviceDescriptor.idProduct}, 0x5678u);
  EXPECT_EQ(unsigned{record.DeviceIsHub}, 1u);
  EXPECT_EQ(unsigned{record.ConnectionStatus}, 8u);  // no name, kept as reported
}

TEST(ConnectionStatus, NamesTheFirstSixValues) {
  EXPECT_EQ(NoDeviceConnected, 0u);
  EXPECT_EQ(DeviceConnected, 1u);
  EXPECT_EQ(DeviceFailedEnumeration, 2u);
  EXPECT_EQ(DeviceGeneralFailure, 3u);
  EXPECT_EQ(DeviceCausedOvercurrent, 4u);
  EXPECT_EQ(DeviceNotEnoughPower, 5u);
}

std::unique_ptr<PortRecord> RecordFor(std::uint32_t port) {
  auto record = std::make_unique<PortRecord>();
  record->ConnectionIndex = port;
  return record;
}

TEST(DeviceList, StartsEmpty) {
  DeviceList list;
  EXPECT_EQ(list.Count(), 0u);
}

TEST(DeviceList, KeepsTheOrderOfAppending) {
  DeviceList list;
  for (std::uint32_t port : {3u, 1u, 2u}) ASSERT_TRUE(list.Append(RecordFor(port)));
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(unsigned{list.RecordAt(0).ConnectionIndex}, 3u);
  EXPECT_EQ(unsigned{list.RecordAt(1).ConnectionIndex}, 1u);
  EXPECT_EQ(unsigned{list.RecordAt(2).ConnectionIndex}, 2u);
}

TEST(DeviceList, EmptyingReleasesEveryRecord) {
  DeviceList list;
  for (std::uint32_t port = 1; port <= 50; ++port) ASSERT_TRUE(list.Append(RecordFor(port)));
  list.Empty();  // LeakSanitizer would name any record kept
  EXPECT_EQ(list.Count(), 0u);
  ASSERT_TRUE(list.Append(RecordFor(7)));
  EXPECT_EQ(unsigned{list.RecordAt(0).ConnectionIndex}, 7u);
}

TEST(DeviceList, TheProcessWideListKeepsWhatWasAppendedUntilEmptied) {
  TheDeviceList().Empty();
  ASSERT_TRUE(TheDeviceList().Append(RecordFor(5)));
  ASSERT_TRUE(TheDeviceList().Append(RecordFor(6)));
  ASSERT_EQ(TheDeviceList().Count(), 2u);
  EXPECT_EQ(unsigned{TheDeviceList().RecordAt(1).ConnectionIndex}, 6u);
  TheDeviceList().Empty();
  EXPECT_EQ(TheDeviceList().Count(), 0u);
}

}  // namespace
