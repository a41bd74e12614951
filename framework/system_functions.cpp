#include "framework/system_functions.h"

#include <cstring>

namespace {

std::vector<const char*> g_lacking;

struct StandIn {
  const char* name;
  FARPROC function;
};
std::vector<StandIn> g_standIns;

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
  for (const char* lacking : g_lacking) {
    if (std::strcmp(lacking, name) == 0 || ::lstrcmpiA(lacking, dll) == 0) return nullptr;
  }
  for (const StandIn& standIn : g_standIns) {
    if (std::strcmp(standIn.name, name) == 0) return standIn.function;
  }
  HMODULE module = SystemModule(dll);
  return module != nullptr ? ::GetProcAddress(module, name) : nullptr;
}

void PretendSystemLacks(const std::vector<const char*>& names) { g_lacking = names; }

void PretendSystemHas(const char* name, FARPROC standIn) {
  for (auto entry = g_standIns.begin(); entry != g_standIns.end(); ++entry) {
    if (std::strcmp(entry->name, name) == 0) {
      g_standIns.erase(entry);
      break;
    }
  }
  if (standIn != nullptr) g_standIns.push_back({name, standIn});
}
