#include "catalogue/temp_folder.h"

#include <cstdlib>
#include <cstring>

#include "catalogue/catalogue_seams.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

catalogue_seams::TempFolderFn g_override = nullptr;

unsigned PlatformTempFolder(unsigned size, char* buffer) {
#ifdef _WIN32
  return GetTempPathA(size, buffer);
#else
  // Mirrors GetTempPathA: TMPDIR when set, else /tmp; always with a trailing separator.
  const char* dir = std::getenv("TMPDIR");
  if (dir == nullptr || *dir == '\0') dir = "/tmp";
  std::size_t length = std::strlen(dir);
  bool needsSlash = dir[length - 1] != '/';
  std::size_t total = length + (needsSlash ? 1 : 0);
  if (total + 1 > size) return static_cast<unsigned>(total + 1);
  std::memcpy(buffer, dir, length);
  if (needsSlash) buffer[length] = '/';
  buffer[total] = '\0';
  return static_cast<unsigned>(total);
#endif
}

}  // namespace

unsigned TempFolder(unsigned size, char* buffer) {
  return g_override != nullptr ? g_override(size, buffer) : PlatformTempFolder(size, buffer);
}

void catalogue_seams::SetTempFolder(TempFolderFn fn) { g_override = fn; }
