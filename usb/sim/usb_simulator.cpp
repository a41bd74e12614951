#include "usb/sim/usb_simulator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "usb/driver_blocks.h"
#include "usb/little_endian.h"
#include "usb/walk.h"

namespace {

constexpr const char* kHubInterfaceGuid = "{f18a0e88-c30c-11d0-8815-00a0c906bed8}";

std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::string Narrow(const std::u16string& wide) {
  std::string narrow;
  for (char16_t unit : wide) narrow += unit < 0x80 ? static_cast<char>(unit) : '?';
  return narrow;
}

// A block given, of at least `needed` bytes.
bool Holds(const void* block, std::size_t size, std::size_t needed) {
  return block && size >= needed;
}

bool PortInCount(const SimHub& hub, std::uint32_t k) { return k >= 1 && k <= hub.PortCount(); }

const SimPort* PortAt(const SimHub& hub, std::uint32_t k) {
  const auto found = hub.ports.find(k);
  return found == hub.ports.end() ? nullptr : &found->second;
}

// What is on the port, as its connection information describes it.
void DescribeDevice(const SimPort& port, PortRecord& record) {
  UsbDeviceDescriptor& d = record.DeviceDescriptor;
  d.bLength = 18;
  d.bDescriptorType = 1;
  d.bcdUSB = 0x0200;
  d.bDeviceClass = port.kind == SimPortKind::Hub ? 9 : 0;
  d.bMaxPacketSize0 = 64;
  d.idVendor = port.vid;
  d.idProduct = port.pid;
  d.bNumConfigurations = 1;
  record.CurrentConfigurationValue = 1;
  record.DeviceIsHub = port.kind == SimPortKind::Hub ? 1 : 0;
  record.DeviceAddress = static_cast<std::uint16_t>(record.ConnectionIndex + 1);
}

// Legacy names "\\.\HCDn" exist for these controller numbers only.
constexpr unsigned kLegacyNames = 10;

template <typename Visit>
SimHub* FindHub(SimHub& hub, const Visit& match) {
  if (match(hub)) return &hub;
  for (auto& [number, port] : hub.ports) {
    if (port.hub)
      if (SimHub* found = FindHub(*port.hub, match)) return found;
  }
  return nullptr;
}

}  // namespace

unsigned SimHub::PortCount() const {
  if (portCount) return *portCount;
  return ports.empty() ? 0 : ports.rbegin()->first;
}

SimPort& SimHub::AddEmpty(unsigned k) {
  SimPort& port = ports[k];
  port = SimPort();
  port.number = k;
  return port;
}

SimPort& SimHub::AddDevice(unsigned k, std::uint16_t vid, std::uint16_t pid, std::uint32_t status) {
  SimPort& port = AddEmpty(k);
  port.kind = SimPortKind::Device;
  port.vid = vid;
  port.pid = pid;
  port.status = status;
  return port;
}

SimHub& SimHub::AddHub(unsigned k, std::uint16_t vid, std::uint16_t pid, std::uint32_t status) {
  SimPort& port = AddDevice(k, vid, pid, status);
  port.kind = SimPortKind::Hub;
  port.hub = std::make_unique<SimHub>();
  SimHub& hub = *port.hub;
  hub.parent = this;
  hub.seat = &port;
  hub.tag = tag + "." + std::to_string(k);
  char text[160];
  std::snprintf(text, sizeof text, "USB#VID_%04X&PID_%04X#%s#%s", vid, pid, hub.tag.c_str(),
                kHubInterfaceGuid);
  hub.name = Widen(text);
  return hub;
}

const std::u16string& ReportedName(const SimHub& hub) {
  const SimHub* named = &hub;
  for (unsigned up = hub.faults.loop; up > 0 && named->parent; --up) named = named->parent;
  return named->name;
}

std::string SimController::InterfacePath(unsigned i) const {
  return i <= 1 ? interfacePath : interfacePath + "\\" + std::to_string(i);
}

SimController& UsbSimulator::AddController(unsigned n) {
  auto controller = std::make_unique<SimController>();
  controller->number = n;
  controller->legacyName = n < kLegacyNames;
  controller->root.tag = "4&" + std::to_string(n);
  char name[160];
  std::snprintf(name, sizeof name, "USB#ROOT_HUB20#%s#%s", controller->root.tag.c_str(),
                kHubInterfaceGuid);
  controller->root.name = Widen(name);
  std::snprintf(name, sizeof name, "\\\\?\\pci#ven_1b3b&dev_0c%02x#3&%u&0#%s", n & 0xFF, n,
                kHostControllerInterfaceGuid);
  controller->interfacePath = name;
  SimController& added = *controller;
  controllers_[n] = std::move(controller);
  listOrder_.erase(std::remove(listOrder_.begin(), listOrder_.end(), n), listOrder_.end());
  listOrder_.push_back(n);
  return added;
}

SimController* UsbSimulator::FindController(unsigned n) {
  auto it = controllers_.find(n);
  return it == controllers_.end() ? nullptr : it->second.get();
}

void UsbSimulator::RemoveAllControllers() {
  controllers_.clear();
  listOrder_.clear();
  listFails_ = false;
  handles_.clear();
}

// A hub by the tag its default name carries ("...#4&<controller>.<port>.<port>#..."): a few
// steps down instead of a search of every hub, which large topologies need.
SimHub* UsbSimulator::FindHubByTag(const std::string& narrowName) {
  const std::size_t first = narrowName.find('#');
  const std::size_t start = first == std::string::npos ? first : narrowName.find('#', first + 1);
  if (start == std::string::npos || narrowName.compare(start + 1, 2, "4&") != 0) return nullptr;
  const std::size_t end = narrowName.find('#', start + 1);
  std::istringstream tag(narrowName.substr(start + 3, end - start - 3));
  unsigned number = 0;
  if (!(tag >> number)) return nullptr;
  SimController* controller = FindController(number);
  SimHub* hub = controller ? &controller->root : nullptr;
  for (unsigned k = 0; hub && tag.peek() == '.';) {
    tag.get();
    if (!(tag >> k)) return nullptr;
    const auto port = hub->ports.find(k);
    hub = port == hub->ports.end() ? nullptr : port->second.hub.get();
  }
  if (!hub || !tag.eof() || !SameDeviceName(Narrow(hub->name), narrowName)) return nullptr;
  return hub;
}

SimHub* UsbSimulator::FindHubByPath(const std::string& narrowName) {
  if (SimHub* hub = FindHubByTag(narrowName)) return hub;
  for (auto& [number, controller] : controllers_) {
    if (SimHub* hub = FindHub(controller->root, [&](const SimHub& h) {
          return SameDeviceName(Narrow(h.name), narrowName);
        }))
      return hub;
  }
  return nullptr;
}

SimController* UsbSimulator::FindControllerByPath(const std::string& devicePath) {
  for (unsigned number : listOrder_) {
    SimController& controller = *controllers_.at(number);
    for (unsigned i = 1; i <= controller.interfaces; ++i)
      if (SameDeviceName(controller.InterfacePath(i), devicePath)) return &controller;
  }
  return nullptr;
}

bool UsbSimulator::ListHostControllers(std::size_t maxInterfaces,
                                       std::vector<std::string>& paths) {
  Call call;
  call.kind = Call::kList;
  try {
    for (unsigned number : listOrder_) {
      const SimController& controller = *controllers_.at(number);
      for (unsigned i = 1; !listFails_ && i <= controller.interfaces && call.index < maxInterfaces;
           ++i) {
        paths.push_back(controller.InterfacePath(i));
        ++call.index;
      }
    }
    call.ok = !listFails_;
  } catch (const std::bad_alloc&) {
    call.ok = false;
  }
  Record(call);
  return call.ok;
}

void UsbSimulator::Record(Call call) {
  if (keepCalls_) calls_.push_back(std::move(call));
}

HubDriver::Handle UsbSimulator::Open(const std::string& devicePath) {
  Target target;
  const std::string prefix = "\\\\.\\";
  if (devicePath.compare(0, prefix.size(), prefix) == 0) {
    const std::string rest = devicePath.substr(prefix.size());
    unsigned n = 0;
    char tail = 0;
    if (rest.size() > 3 && SameDeviceName(rest.substr(0, 3), "HCD") &&
        rest.find_first_not_of("0123456789", 3) == std::string::npos &&
        std::sscanf(rest.c_str() + 3, "%u%c", &n, &tail) == 1) {
      SimController* controller = FindController(n);
      if (controller && controller->legacyName && !controller->openFails)
        target.controller = controller;
    } else if (SimHub* hub = rest.empty() ? nullptr : FindHubByPath(rest)) {
      if (!hub->faults.open) target.hub = hub;
    }
  } else if (SimController* controller = FindControllerByPath(devicePath)) {
    if (!controller->openFails) target.controller = controller;
  }
  Call call;
  call.kind = Call::kOpen;
  call.path = devicePath;
  if (!target.controller && !target.hub) {
    Record(call);
    return kInvalidHandle;
  }
  const Handle handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = target;
  call.ok = true;
  Record(call);
  return handle;
}

void UsbSimulator::Close(Handle handle) {
  Call call;
  call.kind = Call::kClose;
  call.ok = handles_.erase(handle) == 1;
  if (!call.ok) ++badHandleUses_;
  Record(call);
}

bool UsbSimulator::AnswerName(const SimHub& hub, unsigned char* out, std::size_t outSize,
                              std::size_t nameOffset, std::size_t lengthOffset,
                              std::size_t fixedSize) {
  if (hub.faults.name || (hub.faults.name2 && outSize > fixedSize)) return false;
  std::u16string units = ReportedName(hub);
  if (!hub.faults.unterminated) units.push_back(u'\0');
  const auto trueLength = static_cast<std::uint32_t>(nameOffset + 2 * units.size());
  WriteLe32(out, lengthOffset, hub.faults.actualLength.value_or(trueLength));
  const std::size_t room = (outSize - nameOffset) / 2;
  std::size_t i = 0;
  for (; i < units.size() && i < room; ++i) {
    const auto unit = static_cast<std::uint16_t>(units[i]);
    std::memcpy(out + nameOffset + 2 * i, &unit, sizeof unit);
  }
  written_ = nameOffset + 2 * i;
  return true;
}

bool UsbSimulator::Control(Handle handle, std::uint32_t code, const void* in, std::size_t inSize,
                           void* outBlock, std::size_t outSize) {
  Call call;
  call.kind = Call::kControl;
  call.code = code;
  call.inSize = inSize;
  call.outSize = outSize;
  if (in && inSize >= 4) call.index = ReadLe32(in, 0);

  auto it = handles_.find(handle);
  if (it == handles_.end()) {
    ++badHandleUses_;
    Record(call);
    return false;
  }
  auto* out = static_cast<unsigned char*>(outBlock);
  const Target target = it->second;
  const bool ok = target.controller
                      ? AnswerController(*target.controller, code, out, outSize)
                      : AnswerHub(*target.hub, code, call.index, in, inSize, out, outSize);
  call.ok = ok;
  Record(call);
  return ok;
}

// A host controller answers one request: the name of its root hub.
bool UsbSimulator::AnswerController(const SimController& controller, std::uint32_t code,
                                    unsigned char* out, std::size_t outSize) {
  if (code != kIoctlGetRootHubName || !Holds(out, outSize, kRootHubNameSize)) return false;
  return AnswerName(controller.root, out, outSize, kRootHubNameOffset, 0, kRootHubNameSize);
}

bool UsbSimulator::AnswerHub(const SimHub& hub, std::uint32_t code, std::uint32_t k,
                             const void* in, std::size_t inSize, unsigned char* out,
                             std::size_t outSize) {
  if (code == kIoctlGetNodeInformation) return AnswerNodeInformation(hub, out, outSize);
  if (code == kIoctlGetNodeConnectionInformation)
    return AnswerConnectionInformation(hub, k, in, inSize, out, outSize);
  if (code == kIoctlGetNodeConnectionName)
    return AnswerConnectionName(hub, k, in, inSize, out, outSize);
  return false;
}

bool UsbSimulator::AnswerNodeInformation(const SimHub& hub, unsigned char* out,
                                         std::size_t outSize) {
  if (!Holds(out, outSize, sizeof(UsbNodeInformation)) || hub.faults.info) return false;
  UsbNodeInformation info{};
  info.NodeType = 0;  // UsbHub
  info.u.HubInformation.HubDescriptor.bDescriptorLength = 9;
  info.u.HubInformation.HubDescriptor.bDescriptorType = 0x29;
  info.u.HubInformation.HubDescriptor.bNumberOfPorts =
      static_cast<std::uint8_t>(std::min(hub.PortCount(), 255u));
  info.u.HubInformation.HubDescriptor.bPowerOnToPowerGood = 50;
  info.u.HubInformation.HubIsBusPowered = hub.parent ? 1 : 0;
  std::memcpy(out, &info, sizeof info);
  written_ = sizeof info;
  return true;
}

bool UsbSimulator::AnswerConnectionInformation(const SimHub& hub, std::uint32_t k,
                                               const void* in, std::size_t inSize,
                                               unsigned char* out, std::size_t outSize) {
  const SimPort* port = PortAt(hub, k);
  if (!Holds(in, inSize, kPortRecordFixedSize) || !Holds(out, outSize, kPortRecordFixedSize) ||
      !PortInCount(hub, k) || (port && port->queryFails))
    return false;
  PortRecord record{};
  record.ConnectionIndex = k;
  if (port && port->kind != SimPortKind::Empty) DescribeDevice(*port, record);
  record.ConnectionStatus = port ? port->status : 0;
  std::memcpy(out, &record, kPortRecordFixedSize);  // no open pipes: the fixed part only
  written_ = kPortRecordFixedSize;
  return true;
}

bool UsbSimulator::AnswerConnectionName(const SimHub& hub, std::uint32_t k, const void* in,
                                        std::size_t inSize, unsigned char* out,
                                        std::size_t outSize) {
  if (!Holds(in, inSize, kNodeConnectionNameSize) ||
      !Holds(out, outSize, kNodeConnectionNameSize) || !PortInCount(hub, k))
    return false;
  WriteLe32(out, 0, k);
  const SimPort* port = PortAt(hub, k);
  if (port && port->hub)
    return AnswerName(*port->hub, out, outSize, kNodeConnectionNameOffset,
                      kNodeConnectionNameLengthOffset, kNodeConnectionNameSize);
  // No hub on the port: an empty name in the fixed structure.
  WriteLe32(out, kNodeConnectionNameLengthOffset,
            static_cast<std::uint32_t>(kNodeConnectionNameSize));
  out[kNodeConnectionNameOffset] = 0;
  out[kNodeConnectionNameOffset + 1] = 0;
  written_ = kNodeConnectionNameSize;
  return true;
}

bool UsbSimulator::AnswerDirect(const SimController* controller, const SimHub* hub,
                                std::uint32_t code, const void* in, std::size_t inSize,
                                void* outBlock, std::size_t outSize, std::size_t& written) {
  auto* out = static_cast<unsigned char*>(outBlock);
  const std::uint32_t k = in && inSize >= 4 ? ReadLe32(in, 0) : 0;
  written_ = 0;
  const bool ok = controller ? AnswerController(*controller, code, out, outSize)
                  : hub      ? AnswerHub(*hub, code, k, in, inSize, out, outSize)
                             : false;
  written = ok ? written_ : 0;
  return ok;
}

bool UsbSimulator::WideToNarrow(const std::uint16_t* wide, std::size_t maxUnits,
                                std::string& narrow) {
  Call call;
  call.kind = Call::kConvert;
  std::size_t units = 0;
  while (units < maxUnits && wide[units] != 0) ++units;
  if (units < maxUnits) {
    narrow.clear();
    for (std::size_t i = 0; i < units; ++i)
      narrow += wide[i] < 0x80 ? static_cast<char>(wide[i]) : '?';
    call.ok = true;
  }
  Record(call);
  return call.ok;
}
