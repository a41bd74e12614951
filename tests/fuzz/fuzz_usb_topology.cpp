// Reads the fuzzer's bytes as a topology file, then walks what it built.
#include <sstream>

#include "tests/fuzz/usb_fuzz_checks.h"
#include "usb/sim/topology_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream text(std::string(reinterpret_cast<const char*>(data), size));
  std::ostringstream errors;
  UsbSimulator sim;
  const bool loaded = LoadTopology(text, "fuzz", sim, errors);
  if (loaded != errors.str().empty()) std::abort();
  if (!loaded && sim.ControllerCount() != 0) std::abort();
  CheckWalk(sim);
  return 0;
}
