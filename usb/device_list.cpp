#include "usb/device_list.h"

#include <cstdlib>
#include <new>

namespace {

class HeapMemory final : public ListMemory {
 public:
  void* Allocate(std::size_t bytes) override { return std::malloc(bytes == 0 ? 1 : bytes); }
  void Release(void* block) override { std::free(block); }
};

}  // namespace

ListMemory* HeapListMemory() {
  static HeapMemory memory;
  return &memory;
}

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
