#include "large_topology.h"

#include <cstddef>
#include <sstream>

namespace {

constexpr int kPortsPerHub = 7;
constexpr int kRootPorts = 4;
// The last record that fits whole into the 102400 bytes of the worst catalogue.
constexpr int kCameraRecord = 300;
// The sample catalogue's first camera, so that both catalogues find something.
constexpr int kSampleVid = 0x1234, kSamplePid = 0x5678;

std::string Indent(int level) { return std::string(static_cast<std::size_t>(2 * level), ' '); }

}  // namespace

std::string LargeTopology(int* ports) {
  std::ostringstream text;
  *ports = 0;
  for (int c = 0; c < kLargeControllers; ++c) {
    text << "controller " << c << "\n";
    for (int level = 1; level <= kLargeNestedHubs; ++level, ++*ports)
      text << Indent(level) << "port 1 hub 0x05e3 0x0608\n";
    // Back up the chain: the deepest hub's ports first, then the rest of each hub's ports.
    for (int level = kLargeNestedHubs + 1; level >= 1; --level) {
      int first = level == kLargeNestedHubs + 1 ? 1 : 2;
      int last = level == 1 ? kRootPorts : kPortsPerHub;
      for (int k = first; k <= last; ++k, ++*ports) {
        const bool lastController = c == kLargeControllers - 1;
        const bool camera = lastController && level == kLargeNestedHubs + 1 && k == last;
        const bool sampleCamera = lastController && level == 1 && k == last;
        const int vid = camera ? 0x1000 + kCameraRecord : sampleCamera ? kSampleVid : 0x046d;
        const int pid = camera ? 0x2000 + kCameraRecord : sampleCamera ? kSamplePid : 0x7000 + k;
        text << Indent(level) << "port " << k << " device 0x" << std::hex << vid << " 0x" << pid
             << std::dec << "\n";
      }
    }
  }
  return text.str();
}
