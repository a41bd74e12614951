#pragma once
// The hub driver of a real Windows machine: CreateFileA, DeviceIoControl, CloseHandle,
// WideCharToMultiByte, and SetupAPI for the list of host controllers. Windows builds only.
#include "usb/hub_driver.h"

class Win32HubDriver final : public HubDriver {
 public:
  Handle Open(const std::string& devicePath) override;
  bool Control(Handle handle, std::uint32_t code, const void* in, std::size_t inSize, void* out,
               std::size_t outSize) override;
  void Close(Handle handle) override;
  bool WideToNarrow(const std::uint16_t* wide, std::size_t maxUnits, std::string& narrow) override;
  bool ListHostControllers(std::size_t maxInterfaces, std::vector<std::string>& paths) override;
};
