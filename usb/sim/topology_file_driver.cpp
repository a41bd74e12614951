#include "usb/sim/topology_file_driver.h"

#include "usb/sim/topology_file.h"

TopologyFileDriver::TopologyFileDriver(std::ostream& errors) : errors_(errors) {
  simulator_.KeepCalls(false);  // a long-running program must not grow with every walk
}

HubDriver::Handle TopologyFileDriver::Open(const std::string& devicePath) {
  if (!loaded_) {
    loaded_ = true;
    LoadTopologyFromEnvironment(simulator_, errors_);
  }
  return simulator_.Open(devicePath);
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
