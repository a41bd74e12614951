// What one press of "Check Device" costs over the large topology on each path: a press of the
// real main dialog (walk, matching, the links shown) and its walk alone, through the platform
// (CreateFile, DeviceIoControl, SetupAPI) to the USB stand-in driver, and through the
// in-process simulator; and how many requests one press sends. The dialog gets the sample
// catalogue from 127.0.0.1:80, served here (run as root, with nothing else on that port).
//   press-cost-bench --write FILE   writes the large topology
//   press-cost-bench FILE           measures (the stand-in driver must be serving FILE)
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/detector_dlg.h"
#include "bench_figures.h"
#include "files.h"
#include "large_topology.h"
#include "loopback_server.h"
#include "res/resource.h"
#include "ui_driver.h"
#include "usb/sim/topology_file.h"
#include "usb/walk.h"
#include "usb/win_hub_driver.h"
#include "window_text.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPresses = 20;
constexpr int kDialogs = 5;
constexpr DWORD kDialogTimeoutMs = 120000;

double MsSince(Clock::time_point start) { return Ms(Clock::now() - start); }

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

struct Walk {
  double medianMs = 0;
  long requests = 0;
  std::size_t records = 0;
};

// The walk alone, as a press makes it.
Walk MeasureWalk(HubDriver& driver) {
  std::vector<double> times;
  Walk walk;
  DeviceList list;
  ScanHostControllers(driver, list);  // warm-up
  for (int i = 0; i < kPresses; ++i) {
    CountingDriver counting(driver);
    list.Empty();
    const auto start = Clock::now();
    ScanHostControllers(counting, list);
    times.push_back(MsSince(start));
    walk.requests = counting.requests;
    walk.records = list.Count();
  }
  walk.medianMs = Median(times);
  return walk;
}

struct Presses {
  double firstMs = 0;  // the press that finds the camera and shows its links
  double laterMs = 0;  // a press that finds nothing new
  long requests = 0;
  bool linksShown = true;
};

// Whole presses of the real main dialog: each dialog downloads the catalogue, then its first
// press shows the links and the later ones only look.
Presses MeasurePresses(HubDriver& driver, const std::string& catalogue) {
  std::vector<double> first, later;
  Presses presses;
  for (int d = 0; d <= kDialogs; ++d) {  // the first dialog warms up
    LoopbackServer server;
    ServerScript script;
    script.pieces = {catalogue};
    script.pauseMilliseconds = 0;
    if (!server.Start(script)) {
      std::fprintf(stderr, "press-cost-bench: could not serve the catalogue on 127.0.0.1:80\n");
      presses.linksShown = false;
      return presses;
    }
    CountingDriver counting(driver);
    CDetectorDlg dialog({counting, kLoopbackAddress});
    UiDriver ui(
        [&] {
          if (dialog.m_hWnd == nullptr || !::IsWindowVisible(dialog.m_hWnd)) return false;
          for (int i = 0; i <= kPresses / 2; ++i) {
            counting.requests = 0;
            const auto start = Clock::now();
            PressButton(dialog.m_hWnd, IDC_CHECK_DEVICE);
            const double ms = MsSince(start);
            if (d == 0) continue;
            (i == 0 ? first : later).push_back(ms);
            if (i == 0) presses.linksShown &= ViewControl(dialog.m_hWnd, IDC_LINK_XP32).visible;
            presses.requests = counting.requests;
          }
          ::PostMessageA(dialog.m_hWnd, WM_COMMAND, IDCANCEL, 0);
          return true;
        },
        kDialogTimeoutMs);
    dialog.DoModal();
    server.Stop();
    if (ui.TimedOut()) presses.linksShown = false;
  }
  if (first.empty()) presses.linksShown = false;  // no dialog came up (no display?)
  presses.firstMs = Median(first);
  presses.laterMs = Median(later);
  return presses;
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
  const std::string catalogue = ReadBytes(DETECTOR_SAMPLE_CATALOGUE);
  WSADATA data;
  WSAStartup(0x0101, &data);

  std::printf("large topology: %d controllers, hubs %d deep, %d ports; sample catalogue\n",
              kLargeControllers, kLargeNestedHubs, ports);
  std::printf("median of %d walks, and of %d dialogs' first presses and %d later ones\n",
              kPresses, kDialogs, kDialogs * kPresses / 2);
  const Walk driverWalk = MeasureWalk(platform);
  const Walk simWalk = MeasureWalk(simulator);
  const Presses driverPress = MeasurePresses(platform, catalogue);
  const Presses simPress = MeasurePresses(simulator, catalogue);
  const auto row = [](const char* path, const Presses& press, const Walk& walk) {
    std::printf("%-34s first press %8.2f ms (%s), later press %8.2f ms, walk %8.2f ms; "
                "%ld requests a press, %zu records\n",
                path, press.firstMs, press.linksShown ? "links shown" : "NO LINKS",
                press.laterMs, walk.medianMs, press.requests, walk.records);
  };
  row("through the stand-in driver:", driverPress, driverWalk);
  row("through the in-process simulator:", simPress, simWalk);
  if (simPress.laterMs > 0 && simWalk.medianMs > 0)
    std::printf("ratio driver / simulator: first press %.1f, later press %.1f, walk %.1f; "
                "per request through the driver %.1f us\n",
                driverPress.firstMs / simPress.firstMs, driverPress.laterMs / simPress.laterMs,
                driverWalk.medianMs / simWalk.medianMs,
                driverWalk.requests ? 1000.0 * driverWalk.medianMs / driverWalk.requests : 0.0);
  WSACleanup();
  const bool same = driverWalk.records == simWalk.records &&
                    driverWalk.requests == simWalk.requests &&
                    driverPress.requests == simPress.requests;
  return same && driverPress.linksShown && simPress.linksShown ? 0 : 1;
}
