#include "usb/device_list.h"

#include <new>

bool DeviceList::Append(std::unique_ptr<PortRecord> record) {
  try {
    records_.push_back(std::move(record));
  } catch (const std::bad_alloc&) {
    return false;  // `record` still owns the record and releases it
  }
  return true;
}

DeviceList& TheDeviceList() {
  static DeviceList list;
  return list;
}
