#pragma once
// Replaces one entry of this program's import address table for the lifetime of the object, so
// that a test sees (and can stand in for) the system calls the link label makes.
#include <windows.h>

#include <shellapi.h>

// The import slots of the calls the link label makes, by their linker names, which 32-bit
// Windows decorates with the argument size.
#if defined(_WIN64)
#define LINK_LABEL_IMPORT(name, argumentBytes) "__imp_" #name
#else
#define LINK_LABEL_IMPORT(name, argumentBytes) "__imp__" #name "@" #argumentBytes
#endif
extern decltype(&::ShellExecuteA) g_shellExecuteSlot __asm__(LINK_LABEL_IMPORT(ShellExecuteA, 24));
extern decltype(&::WinExec) g_winExecSlot __asm__(LINK_LABEL_IMPORT(WinExec, 8));
extern decltype(&::MessageBeep) g_messageBeepSlot __asm__(LINK_LABEL_IMPORT(MessageBeep, 4));

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
