#pragma once
// Replaces one entry of this program's import address table for the lifetime of the object, so
// that a test sees (and can stand in for) the system calls the link label makes.
#include <windows.h>

template <class Function>
class ImportPatch {
 public:
  ImportPatch(Function& slot, Function replacement) : m_slot(slot), m_original(slot) {
    Write(replacement);
  }
  ~ImportPatch() { Write(m_original); }
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;

  Function Original() const { return m_original; }

 private:
  void Write(Function value) {
    DWORD previous = 0;
    ::VirtualProtect(&m_slot, sizeof(m_slot), PAGE_READWRITE, &previous);
    *static_cast<Function volatile*>(&m_slot) = value;
    ::VirtualProtect(&m_slot, sizeof(m_slot), previous, &previous);
  }

  Function& m_slot;
  Function m_original;
};
