#include "framework/system_functions.h"

#include <cstring>

namespace {

const char* g_lacking = nullptr;

HMODULE LoadFromSystemFolder(const char* dll) {
  char path[MAX_PATH];
  const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
  const size_t name = std::strlen(dll);
  if (length == 0 || length + 1 + name >= MAX_PATH) return nullptr;
  path[length] = '\\';
  std::memcpy(path + length + 1, dll, name + 1);
  return ::LoadLibraryA(path);
}

// Each DLL is loaded once and kept for the process's life: the functions found in it may be
// called at any time. The program asks for only a few.
HMODULE SystemModule(const char* dll) {
  struct Loaded {
    const char* dll;
    HMODULE module;
  };
  static Loaded loaded[8];
  for (Loaded& entry : loaded) {
    if (entry.dll == nullptr) {
      entry = {dll, LoadFromSystemFolder(dll)};
      return entry.module;
    }
    if (::lstrcmpiA(entry.dll, dll) == 0) return entry.module;
  }
  return LoadFromSystemFolder(dll);
}

}  // namespace

FARPROC FindSystemFunction(const char* dll, const char* name) {
  if (g_lacking != nullptr &&
      (std::strcmp(g_lacking, name) == 0 || ::lstrcmpiA(g_lacking, dll) == 0)) {
    return nullptr;
  }
  HMODULE module = SystemModule(dll);
  return module != nullptr ? ::GetProcAddress(module, name) : nullptr;
}

void PretendSystemLacks(const char* name) { g_lacking = name; }
