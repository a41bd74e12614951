#pragma once
// The narrow set of hub-driver operations the walk relies on. One real implementation over
// CreateFileA/DeviceIoControl/CloseHandle/WideCharToMultiByte and SetupAPI, one simulator.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr std::uint32_t kIoctlGetRootHubName = 0x220408;        // sent to a host controller
constexpr std::uint32_t kIoctlGetNodeInformation = 0x220408;    // same code, sent to a hub
constexpr std::uint32_t kIoctlGetNodeConnectionInformation = 0x22040C;
constexpr std::uint32_t kIoctlGetNodeConnectionName = 0x220414;

// The longest device path CreateFileA opens: MAX_PATH less the terminator.
constexpr std::size_t kMaxDevicePathLength = 259;

class HubDriver {
 public:
  using Handle = std::intptr_t;
  static constexpr Handle kInvalidHandle = -1;

  virtual ~HubDriver() = default;
  // CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr).
  virtual Handle Open(const std::string& devicePath) = 0;
  // DeviceIoControl: true on success. `out` may be the same block as `in`.
  virtual bool Control(Handle handle, std::uint32_t code, const void* in, std::size_t inSize,
                       void* out, std::size_t outSize) = 0;
  virtual void Close(Handle handle) = 0;
  // WideCharToMultiByte(CP_ACP, 0, name, -1, ...). `wide` holds at most `maxUnits` UTF-16 units;
  // a name without a terminator inside them is a failure. Empty optional-like result: false.
  virtual bool WideToNarrow(const std::uint16_t* wide, std::size_t maxUnits, std::string& narrow) = 0;
  // Appends the device paths of the present host-controller interfaces
  // ({3ABF6F2D-71C4-462A-8A92-1E6861E6AF27}) in the platform's order, looking at no more than
  // `maxInterfaces` of them; a path longer than kMaxDevicePathLength may be left out. False
  // when there is no list at all.
  virtual bool ListHostControllers(std::size_t maxInterfaces, std::vector<std::string>& paths) = 0;
};
