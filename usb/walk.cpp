#include "usb/walk.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "common/ascii.h"
#include "usb/little_endian.h"

namespace {

// A device handle that is closed however the scope that opened it ends.
class DeviceHandle {
 public:
  DeviceHandle(HubDriver& driver, HubDriver::Handle handle) : driver_(driver), handle_(handle) {}
  ~DeviceHandle() {
    if (handle_ != HubDriver::kInvalidHandle) driver_.Close(handle_);
  }
  DeviceHandle(const DeviceHandle&) = delete;
  DeviceHandle& operator=(const DeviceHandle&) = delete;

  explicit operator bool() const { return handle_ != HubDriver::kInvalidHandle; }
  HubDriver::Handle get() const { return handle_; }

 private:
  HubDriver& driver_;
  HubDriver::Handle handle_;
};

// A zero-filled block of `size` bytes, held as 16-bit units so that the name inside it is
// read as what it is. Null when memory is short.
std::unique_ptr<std::uint16_t[]> NewBlock(std::size_t size) {
  return std::unique_ptr<std::uint16_t[]>(new (std::nothrow) std::uint16_t[(size + 1) / 2]());
}

std::optional<std::string> DevicePath(const std::string& name) {
  try {
    return kDevicePathPrefix + name;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

// The root hub names of the controllers this walk has reached. False when memory is short.
bool Remember(std::vector<std::string>& walked, const std::string& rootHubName) {
  try {
    walked.push_back(rootHubName);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool AlreadyWalked(const std::vector<std::string>& walked, const std::string& rootHubName) {
  return std::any_of(walked.begin(), walked.end(), [&](const std::string& name) {
    return SameDeviceName(name, rootHubName);
  });
}

// The second pass: the controllers the platform lists under the host-controller interface.
// One controller is known by its root hub's name, which the walk asks for anyway: a controller
// reached through HCDn, or through another of its interfaces, is not walked again.
void ScanListedControllers(HubDriver& driver, DeviceList& list, std::vector<std::string>& walked,
                           HubWalk& walk) {
  std::vector<std::string> paths;
  if (!driver.ListHostControllers(kMaxListedInterfaces, paths)) return;
  std::size_t further = 0;
  for (std::size_t i = 0; i < paths.size() && i < kMaxListedInterfaces; ++i) {
    if (further == kMaxFurtherControllers || walk.stopped) return;
    const std::string& path = paths[i];
    if (path.empty() || path.size() > kMaxDevicePathLength) continue;
    DeviceHandle controller(driver, driver.Open(path));
    if (!controller) continue;  // gone since it was listed
    std::optional<std::string> name = QueryRootHubName(driver, controller.get());
    if (!name || AlreadyWalked(walked, *name)) continue;
    if (!Remember(walked, *name)) return;
    ++further;
    ScanHub(driver, list, std::move(*name), nullptr, walk);
  }
}

}  // namespace

bool SameDeviceName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

void ScanHostControllers(HubDriver& driver, DeviceList& list) {
  HubWalk walk;
  std::vector<std::string> walked;
  bool rememberedAll = true;
  for (int n = 0; n < kHostControllerCount && !walk.stopped; ++n) {
    char path[16];
    std::snprintf(path, sizeof path, "\\\\.\\HCD%d", n);
    DeviceHandle controller(driver, driver.Open(path));
    if (!controller) continue;
    if (std::optional<std::string> name = QueryRootHubName(driver, controller.get())) {
      rememberedAll = Remember(walked, *name) && rememberedAll;
      ScanHub(driver, list, std::move(*name), nullptr, walk);
    }
  }
  // Without the full record of what was walked, a second pass could walk a controller twice.
  if (rememberedAll && !walk.stopped) ScanListedControllers(driver, list, walked, walk);
}

std::optional<std::string> QueryRootHubName(HubDriver& driver, HubDriver::Handle controller) {
  std::uint16_t head[kRootHubNameSize / 2] = {};
  if (!driver.Control(controller, kIoctlGetRootHubName, nullptr, 0, head, sizeof head))
    return std::nullopt;
  const std::uint32_t length = ReadLe32(head, 0);
  // Shorter than the structure: no room for even a terminator. Longer than any name: not real.
  if (length < kRootHubNameSize || length > kRootHubNameOffset + kMaxNameBytes) return std::nullopt;
  std::unique_ptr<std::uint16_t[]> block = NewBlock(length);
  if (!block) return std::nullopt;
  if (!driver.Control(controller, kIoctlGetRootHubName, nullptr, 0, block.get(), length))
    return std::nullopt;
  return ConvertName(driver, block.get(), length, kRootHubNameOffset);
}

std::optional<std::string> QueryChildHubName(HubDriver& driver, HubDriver::Handle hub,
                                             std::uint32_t port) {
  std::uint16_t head[kNodeConnectionNameSize / 2] = {};
  WriteLe32(head, 0, port);
  if (!driver.Control(hub, kIoctlGetNodeConnectionName, head, sizeof head, head, sizeof head))
    return std::nullopt;
  const std::uint32_t length = ReadLe32(head, kNodeConnectionNameLengthOffset);
  if (length <= kNodeConnectionNameSize || length > kNodeConnectionNameOffset + kMaxNameBytes)
    return std::nullopt;
  std::unique_ptr<std::uint16_t[]> block = NewBlock(length);
  if (!block) return std::nullopt;
  WriteLe32(block.get(), 0, port);
  if (!driver.Control(hub, kIoctlGetNodeConnectionName, block.get(), length, block.get(), length))
    return std::nullopt;
  return ConvertName(driver, block.get(), length, kNodeConnectionNameOffset);
}

std::optional<std::string> ConvertName(HubDriver& driver, const std::uint16_t* block,
                                       std::size_t blockSize, std::size_t nameOffset) {
  if (blockSize <= nameOffset || nameOffset % 2 != 0) return std::nullopt;
  try {
    std::string narrow;
    if (!driver.WideToNarrow(block + nameOffset / 2, (blockSize - nameOffset) / 2, narrow))
      return std::nullopt;
    return narrow;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

void ScanHub(HubDriver& driver, DeviceList& list, std::string name,
             std::unique_ptr<PortRecord> record, HubWalk& walk) {
  // Giving the hub up is returning: `record`, `name` and every block are released, and every
  // handle closed, on the way out.
  if (walk.path.size() > kMaxHubNesting) return;
  const auto leadsBackUp = [&](const std::string& above) { return SameDeviceName(above, name); };
  if (std::any_of(walk.path.begin(), walk.path.end(), leadsBackUp)) return;
  if (walk.hubsOpened == kMaxHubsPerWalk) {
    walk.stopped = true;
    return;
  }
  ++walk.hubsOpened;

  std::optional<std::string> devicePath = DevicePath(name);
  if (!devicePath) return;
  DeviceHandle hub(driver, driver.Open(*devicePath));
  if (!hub) return;

  std::unique_ptr<UsbNodeInformation> info(new (std::nothrow) UsbNodeInformation());
  if (!info) return;
  if (!driver.Control(hub.get(), kIoctlGetNodeInformation, info.get(), sizeof *info, info.get(),
                      sizeof *info))
    return;
  const unsigned portCount = info->u.HubInformation.HubDescriptor.bNumberOfPorts;
  info.reset();

  try {
    walk.path.push_back(std::move(name));
  } catch (const std::bad_alloc&) {
    return;
  }
  // The hub's own record goes before the records of its ports.
  const bool appended = !record || list.Append(std::move(record));
  if (appended) ScanHubPorts(driver, list, hub.get(), portCount, walk);
  walk.path.pop_back();
}

void ScanHubPorts(HubDriver& driver, DeviceList& list, HubDriver::Handle hub,
                  unsigned portCount, HubWalk& walk) {
  for (unsigned k = 1; k <= portCount && !walk.stopped; ++k) {
    std::unique_ptr<PortRecord> record(new (std::nothrow) PortRecord());
    if (!record) return;
    record->ConnectionIndex = k;
    if (!driver.Control(hub, kIoctlGetNodeConnectionInformation, record.get(), sizeof *record,
                        record.get(), sizeof *record))
      continue;
    if (record->DeviceIsHub) {
      if (std::optional<std::string> child = QueryChildHubName(driver, hub, k)) {
        ScanHub(driver, list, std::move(*child), std::move(record), walk);
        continue;
      }
    }
    if (!list.Append(std::move(record))) return;
  }
}
