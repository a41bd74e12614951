#pragma once
// The one process-wide, ordered list of port records: emptied by the device check, filled by
// the walk, read by position.
#include <cstddef>
#include <memory>
#include <new>
#include <vector>

#include "usb/port_record.h"

// Where the list's block comes from. Not a polymorphic memory resource: deriving from one
// links the library's default resource, whose aligned operator new imports msvcrt's
// _aligned_malloc, which Windows 2000 lacks.
class ListMemory {
 public:
  // Null when there is no room.
  virtual void* Allocate(std::size_t bytes) = 0;
  virtual void Release(void* block) = 0;

 protected:
  ~ListMemory() = default;
};

// The C library's heap.
ListMemory* HeapListMemory();

template <typename T>
class ListAllocator {
 public:
  using value_type = T;
  explicit ListAllocator(ListMemory* memory) : memory_(memory) {}
  template <typename U>
  ListAllocator(const ListAllocator<U>& other) : memory_(other.memory()) {}
  T* allocate(std::size_t count) {
    void* block = count <= static_cast<std::size_t>(-1) / sizeof(T)
                      ? memory_->Allocate(count * sizeof(T))
                      : nullptr;
    if (block == nullptr) throw std::bad_alloc();
    return static_cast<T*>(block);
  }
  void deallocate(T* block, std::size_t) { memory_->Release(block); }
  ListMemory* memory() const { return memory_; }
  friend bool operator==(const ListAllocator& a, const ListAllocator& b) {
    return a.memory_ == b.memory_;
  }
  friend bool operator!=(const ListAllocator& a, const ListAllocator& b) { return !(a == b); }

 private:
  ListMemory* memory_;
};

class DeviceList {
 public:
  // The list's own block comes from `memory`; tests hand in memory that runs short.
  explicit DeviceList(ListMemory* memory = HeapListMemory())
      : records_(ListAllocator<std::unique_ptr<PortRecord>>(memory)) {}
  void Empty() { records_.clear(); }
  // Takes the record over. False (and the record released) when memory is short.
  bool Append(std::unique_ptr<PortRecord> record);
  std::size_t Count() const { return records_.size(); }
  const PortRecord& RecordAt(std::size_t position) const { return *records_[position]; }

 private:
  std::vector<std::unique_ptr<PortRecord>, ListAllocator<std::unique_ptr<PortRecord>>> records_;
};

DeviceList& TheDeviceList();
