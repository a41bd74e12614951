#pragma once
// The one process-wide, ordered list of port records: emptied by the device check, filled by
// the walk, read by position.
#include <cstddef>
#include <memory>
#include <memory_resource>
#include <vector>

#include "usb/port_record.h"

class DeviceList {
 public:
  // The list's own block comes from `memory`; tests hand in memory that runs short.
  explicit DeviceList(std::pmr::memory_resource* memory = std::pmr::get_default_resource())
      : records_(memory) {}
  void Empty() { records_.clear(); }
  // Takes the record over. False (and the record released) when memory is short.
  bool Append(std::unique_ptr<PortRecord> record);
  std::size_t Count() const { return records_.size(); }
  const PortRecord& RecordAt(std::size_t position) const { return *records_[position]; }

 private:
  std::pmr::vector<std::unique_ptr<PortRecord>> records_;
};

DeviceList& TheDeviceList();
