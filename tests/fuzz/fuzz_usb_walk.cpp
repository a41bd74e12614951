// Drives the walk with a simulated hub driver built from the fuzzer's bytes: any topology,
// any misbehaviour per node, any ActualLength, any name, any way of reaching a controller.
#include <fuzzer/FuzzedDataProvider.h>

#include "tests/fuzz/usb_fuzz_checks.h"

namespace {

void Misbehave(FuzzedDataProvider& in, SimHub& hub, unsigned level) {
  const auto bits = in.ConsumeIntegral<std::uint8_t>();
  hub.faults.open = bits & 0x01;
  hub.faults.info = bits & 0x02;
  hub.faults.name = bits & 0x04;
  hub.faults.name2 = bits & 0x08;
  hub.faults.unterminated = bits & 0x10;
  if (bits & 0x20) hub.faults.actualLength = in.ConsumeIntegral<std::uint32_t>();
  if ((bits & 0x40) && level > 0) hub.faults.loop = in.ConsumeIntegralInRange<unsigned>(1, level);
  if (bits & 0x80) {
    // Any UTF-16 units: embedded terminators, units no code page maps, any length.
    const std::string bytes = in.ConsumeRandomLengthString(256);
    hub.name.clear();
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
      hub.name.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                               static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
}

void Populate(FuzzedDataProvider& in, SimHub& hub, unsigned level, int& budget) {
  if (in.ConsumeBool()) hub.portCount = in.ConsumeIntegral<std::uint8_t>();
  const int listed = in.ConsumeIntegralInRange(0, 6);
  for (int i = 0; i < listed && budget > 0; ++i, --budget) {
    const unsigned k = in.ConsumeIntegralInRange<unsigned>(1, 12);
    const int kind = in.ConsumeIntegralInRange(0, 2);
    const auto vid = in.ConsumeIntegral<std::uint16_t>();
    const auto pid = in.ConsumeIntegral<std::uint16_t>();
    SimPort* port;
    if (kind == 2 && level < 10) {
      SimHub& child = hub.AddHub(k, vid, pid);
      Misbehave(in, child, level + 1);
      Populate(in, child, level + 1, budget);
      port = child.seat;
    } else if (kind == 1) {
      port = &hub.AddDevice(k, vid, pid);
    } else {
      port = &hub.AddEmpty(k);
    }
    if (in.ConsumeBool()) port->status = in.ConsumeIntegral<std::uint32_t>();
    port->queryFails = in.ConsumeIntegralInRange(0, 7) == 0;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  UsbSimulator sim;
  int budget = 48;  // ports in all
  sim.SetListFails(in.ConsumeIntegralInRange(0, 15) == 0);
  for (unsigned n = 0; n < 12 && in.remaining_bytes() > 0; ++n) {
    if (!in.ConsumeBool()) continue;
    SimController& controller = sim.AddController(n);
    controller.openFails = in.ConsumeIntegralInRange(0, 7) == 0;
    // Reached by its legacy name, by any number of interfaces, or both.
    const auto reach = in.ConsumeIntegral<std::uint8_t>();
    controller.legacyName = controller.legacyName && (reach & 0x08) == 0;
    controller.interfaces = reach & 0x07;
    Misbehave(in, controller.root, 0);
    Populate(in, controller.root, 0, budget);
  }
  CheckWalk(sim);
  return 0;
}
