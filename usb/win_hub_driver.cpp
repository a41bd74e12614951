#include "usb/win_hub_driver.h"

#include <windows.h>

#include <vector>

static_assert(sizeof(wchar_t) == sizeof(std::uint16_t), "UTF-16 wide characters");

HubDriver::Handle Win32HubDriver::Open(const std::string& devicePath) {
  HANDLE handle = CreateFileA(devicePath.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return kInvalidHandle;
  return reinterpret_cast<Handle>(handle);
}

bool Win32HubDriver::Control(Handle handle, std::uint32_t code, const void* in, std::size_t inSize,
                             void* out, std::size_t outSize) {
  if (inSize > MAXDWORD || outSize > MAXDWORD) return false;
  DWORD returned = 0;
  return DeviceIoControl(reinterpret_cast<HANDLE>(handle), code, const_cast<void*>(in),
                         static_cast<DWORD>(inSize), out, static_cast<DWORD>(outSize), &returned,
                         nullptr) != 0;
}

void Win32HubDriver::Close(Handle handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

bool Win32HubDriver::WideToNarrow(const std::uint16_t* wide, std::size_t maxUnits,
                                  std::string& narrow) {
  // Source length -1 makes the platform read up to the terminator: make sure there is one
  // within the units we were given before it is asked.
  std::size_t units = 0;
  while (units < maxUnits && wide[units] != 0) ++units;
  if (units == maxUnits) return false;

  const auto* source = reinterpret_cast<const wchar_t*>(wide);
  const int size = WideCharToMultiByte(CP_ACP, 0, source, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  std::vector<char> buffer(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, source, -1, buffer.data(), size, nullptr, nullptr) == 0)
    return false;
  narrow.assign(buffer.data());
  return true;
}
