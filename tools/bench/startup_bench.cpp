// Start-up and "Check Device" timings of the simulator program, driven from outside: the demo
// setup, and a large topology with the worst catalogue. A bare dialog of the same framework,
// started the same way, is the floor. Prints figures.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench_figures.h"
#include "files.h"
#include "loopback_server.h"
#include "program_driver.h"
#include "res/resource.h"
#include "large_topology.h"
#include "worst_catalogue.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kWindowTimeout = std::chrono::seconds(120);
constexpr int kRuns = 5;

std::string Beside(const char* name) {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string self(path, length);
  return self.substr(0, self.find_last_of('\\') + 1) + name;
}

struct Figures {
  double toDialog = 0;
  double toLinks = 0;
  double secondPress = 0;
  bool linksShown = false;
  SIZE_T peakKiB = 0;
};

// One run: serve the catalogue, start the program, time the dialog and one press.
Figures RunOnce(const std::string& program, const std::string& catalogue,
                const std::string& topologyPath, bool press) {
  Figures figures;
  LoopbackServer server;
  ServerScript script;
  script.pieces = {catalogue};
  script.pauseMilliseconds = 0;
  if (!catalogue.empty() && !server.Start(script)) {
    std::printf("  (could not serve the catalogue on 127.0.0.1:80)\n");
    return figures;
  }
  ProgramDriver driver;
  auto start = Clock::now();
  if (!driver.Start(program, {"DETECTOR_USB_TOPOLOGY=" + topologyPath})) return figures;
  HWND dialog = driver.WaitForWindow("#32770", "", kWindowTimeout);
  figures.toDialog = Ms(Clock::now() - start);
  if (dialog && press) {
    auto pressed = Clock::now();
    PressButton(dialog, IDC_CHECK_DEVICE);
    figures.toLinks = Ms(Clock::now() - pressed);
    figures.linksShown = ViewControl(dialog, IDC_LINK_XP32).visible;
    // The first press is the first to read the whole table, and pays for its pages; the
    // second shows what the check itself costs.
    pressed = Clock::now();
    PressButton(dialog, IDC_CHECK_DEVICE);
    figures.secondPress = Ms(Clock::now() - pressed);
  }
  PROCESS_MEMORY_COUNTERS memory{};
  if (GetProcessMemoryInfo(driver.Process(), &memory, sizeof memory))
    figures.peakKiB = memory.PeakWorkingSetSize / 1024;
  if (dialog) PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  driver.WaitForExit(std::chrono::seconds(30));
  return figures;
}

Figures Measure(const char* name, const std::string& program, const std::string& catalogue,
                const std::string& topologyPath, bool press) {
  std::vector<double> toDialog, toLinks, secondPress;
  Figures last;
  RunOnce(program, catalogue, topologyPath, press);  // warm-up: Wine loads its DLLs once
  for (int i = 0; i < kRuns; ++i) {
    last = RunOnce(program, catalogue, topologyPath, press);
    toDialog.push_back(last.toDialog);
    toLinks.push_back(last.toLinks);
    secondPress.push_back(last.secondPress);
  }
  Figures median = last;
  median.toDialog = Median(toDialog);
  median.toLinks = Median(toLinks);
  median.secondPress = Median(secondPress);
  std::printf("%-34s start to dialog %8.1f ms", name, median.toDialog);
  if (press) std::printf(", press to links %8.1f ms (%s), second press %6.1f ms", median.toLinks,
                         median.linksShown ? "links shown" : "NO LINKS", median.secondPress);
  std::printf(", peak working set %zu KiB\n", static_cast<size_t>(median.peakKiB));
  return median;
}

}  // namespace

int main() {
  WSADATA data;
  WSAStartup(0x0101, &data);
  std::string sim = Beside("detector-sim.exe");
  std::string bare = Beside("bare-dialog.exe");
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  std::string demoTopology = std::string(temp) + "bench-demo-topology.txt";
  std::string largeTopology = std::string(temp) + "bench-large-topology.txt";

  std::ofstream(demoTopology, std::ios::binary)
      << "controller 0\n  port 1 device 0x046d 0xc077\n  port 2 hub 0x05e3 0x0608\n"
         "    port 1 empty\n    port 2 device 0x1234 0x5678\n";
  int ports = 0;
  std::ofstream(largeTopology, std::ios::binary) << LargeTopology(&ports);
  std::string sample = ReadBytes(DETECTOR_SAMPLE_CATALOGUE);

  std::printf("runs: median of %d after one warm-up, under Wine\n", kRuns);
  Figures floor = Measure("bare dialog (the floor)", bare, "", demoTopology, false);
  Figures demo = Measure("demo (sample catalogue, 1 hub)", sim, sample, demoTopology, true);
  std::printf("large topology: %d controllers, hubs %d deep, %d ports\n", kLargeControllers,
              kLargeNestedHubs, ports);
  Figures largeSample = Measure("large topology, sample catalogue", sim, sample, largeTopology, true);
  Figures large = Measure("large topology, worst catalogue", sim, CatalogueFile(kWorstCount),
                          largeTopology, true);
  std::printf("the worst catalogue adds %.1f ms to a first press over the large topology, "
              "%.1f ms to a second\n",
              large.toLinks - largeSample.toLinks, large.secondPress - largeSample.secondPress);
  if (floor.toDialog > 0) {
    std::printf("ratio to the floor (start to dialog): demo %.2f, large %.2f\n",
                demo.toDialog / floor.toDialog, large.toDialog / floor.toDialog);
  }
  DeleteFileA(demoTopology.c_str());
  DeleteFileA(largeTopology.c_str());
  WSACleanup();
  return 0;
}
