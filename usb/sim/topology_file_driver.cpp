#include "usb/sim/topology_file_driver.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "usb/sim/topology_file.h"

namespace {

// Every walk opens this one first, with nothing else open.
constexpr const char* kFirstControllerPath = "\\\\.\\HCD0";
// Far more than any pretend machine needs; a larger file is refused, not read into memory.
constexpr std::size_t kMaxTopologyBytes = 1 << 20;

constexpr std::size_t kReadChunk = 4096;

}  // namespace

TopologyFileDriver::TopologyFileDriver(std::ostream& errors) : errors_(errors) {
  simulator_.KeepCalls(false);  // a long-running program must not grow with every walk
}

HubDriver::Handle TopologyFileDriver::Open(const std::string& devicePath) {
  // Checked only where a walk begins, never inside one: a walk sees one machine throughout.
  if (!loaded_ || (devicePath == kFirstControllerPath && simulator_.OpenHandles() == 0)) {
    ReloadIfChanged();
  }
  return simulator_.Open(devicePath);
}

void TopologyFileDriver::ReloadIfChanged() {
  Source now;
  if (const char* variable = std::getenv(kTopologyVariable)) now.path = variable;
  if (!now.path.empty()) ReadSource(now);
  if (loaded_ && *loaded_ == now) return;
  simulator_.RemoveAllControllers();
  if (now.state == Source::State::kUnreadable) {
    errors_ << now.path << ":0: cannot read the topology file\n";
  } else if (now.state == Source::State::kTooLarge) {
    errors_ << now.path << ":0: the topology file is larger than " << kMaxTopologyBytes
            << " bytes\n";
  } else {
    std::istringstream text(now.bytes);
    LoadTopology(text, now.path, simulator_, errors_);
  }
  loaded_ = std::move(now);
}

void TopologyFileDriver::ReadSource(Source& source) {
  std::ifstream file(source.path, std::ios::binary);
  if (!file) {
    source.state = Source::State::kUnreadable;
    return;
  }
  char chunk[kReadChunk];
  while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
    if (source.bytes.size() + static_cast<std::size_t>(file.gcount()) > kMaxTopologyBytes) {
      source.state = Source::State::kTooLarge;
      source.bytes.clear();
      return;
    }
    source.bytes.append(chunk, static_cast<std::size_t>(file.gcount()));
  }
}

bool TopologyFileDriver::Control(Handle handle, std::uint32_t code, const void* in,
                                 std::size_t inSize, void* out, std::size_t outSize) {
  return simulator_.Control(handle, code, in, inSize, out, outSize);
}

void TopologyFileDriver::Close(Handle handle) { simulator_.Close(handle); }

bool TopologyFileDriver::WideToNarrow(const std::uint16_t* wide, std::size_t maxUnits,
                                      std::string& narrow) {
  return simulator_.WideToNarrow(wide, maxUnits, narrow);
}

// A walk lists after it has opened its first controller: the file has been read by then.
bool TopologyFileDriver::ListHostControllers(std::size_t maxInterfaces,
                                             std::vector<std::string>& paths) {
  return simulator_.ListHostControllers(maxInterfaces, paths);
}
