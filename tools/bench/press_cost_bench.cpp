// What one press of "Check Device" costs over the large topology on each path: the walk the
// press makes, through the platform (CreateFile, DeviceIoControl, SetupAPI) to the USB
// stand-in driver, and through the in-process simulator; and how many requests one press
// sends. The rest of a press (matching, showing the links) is the same code on the same list.
//   press-cost-bench --write FILE   writes the large topology
//   press-cost-bench FILE           measures (the stand-in driver must be serving FILE)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "large_topology.h"
#include "usb/sim/topology_file.h"
#include "usb/walk.h"
#include "usb/win_hub_driver.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPresses = 20;

// Counts what the walk asks of a driver, and passes it on.
class CountingDriver final : public HubDriver {
 public:
  explicit CountingDriver(HubDriver& inner) : inner_(inner) {}
  Handle Open(const std::string& path) override { ++requests; return inner_.Open(path); }
  bool Control(Handle h, std::uint32_t code, const void* in, std::size_t inSize, void* out,
               std::size_t outSize) override {
    ++requests;
    return inner_.Control(h, code, in, inSize, out, outSize);
  }
  void Close(Handle h) override { ++requests; inner_.Close(h); }
  bool WideToNarrow(const std::uint16_t* wide, std::size_t maxUnits,
                    std::string& narrow) override {
    return inner_.WideToNarrow(wide, maxUnits, narrow);
  }
  bool ListHostControllers(std::size_t maxInterfaces, std::vector<std::string>& paths) override {
    ++requests;
    return inner_.ListHostControllers(maxInterfaces, paths);
  }
  long requests = 0;

 private:
  HubDriver& inner_;
};

struct Press {
  double medianMs = 0;
  long requests = 0;
  std::size_t records = 0;
};

Press Measure(HubDriver& driver) {
  std::vector<double> times;
  Press press;
  DeviceList list;
  ScanHostControllers(driver, list);  // warm-up
  for (int i = 0; i < kPresses; ++i) {
    CountingDriver counting(driver);
    list.Empty();
    const auto start = Clock::now();
    ScanHostControllers(counting, list);
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    press.requests = counting.requests;
    press.records = list.Count();
  }
  std::sort(times.begin(), times.end());
  press.medianMs = times[times.size() / 2];
  return press;
}

}  // namespace

int main(int argc, char** argv) {
  int ports = 0;
  if (argc == 3 && std::strcmp(argv[1], "--write") == 0) {
    std::ofstream(argv[2], std::ios::binary) << LargeTopology(&ports);
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: press-cost-bench --write FILE | FILE\n");
    return 2;
  }
  LargeTopology(&ports);
  UsbSimulator simulator;
  simulator.KeepCalls(false);
  if (!LoadTopologyFile(argv[1], simulator, std::cerr)) return 1;
  Win32HubDriver platform;

  std::printf("large topology: %d controllers, hubs %d deep, %d ports; median of %d presses\n",
              kLargeControllers, kLargeNestedHubs, ports, kPresses);
  const Press driver = Measure(platform);
  const Press sim = Measure(simulator);
  std::printf("through the stand-in driver:   %8.2f ms, %ld requests, %zu records\n",
              driver.medianMs, driver.requests, driver.records);
  std::printf("through the in-process simulator: %5.2f ms, %ld requests, %zu records\n",
              sim.medianMs, sim.requests, sim.records);
  if (sim.medianMs > 0)
    std::printf("ratio driver / simulator: %.1f; per request through the driver: %.1f us\n",
                driver.medianMs / sim.medianMs,
                driver.requests ? 1000.0 * driver.medianMs / driver.requests : 0.0);
  return driver.records == sim.records && driver.requests == sim.requests ? 0 : 1;
}
