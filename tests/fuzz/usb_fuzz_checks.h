#pragma once
// What every walk must leave behind, whatever the driver answered: no handle open, none
// misused, every record of a real port, and the same list from a second walk.
#include <cstdlib>
#include <cstring>

#include "usb/sim/usb_simulator.h"
#include "usb/walk.h"

inline void CheckWalk(UsbSimulator& sim) {
  sim.KeepCalls(false);
  DeviceList first, second;
  ScanHostControllers(sim, first);
  ScanHostControllers(sim, second);
  if (sim.OpenHandles() != 0 || sim.BadHandleUses() != 0) std::abort();
  if (first.Count() != second.Count()) std::abort();
  for (std::size_t p = 0; p < first.Count(); ++p) {
    if (first.RecordAt(p).ConnectionIndex == 0) std::abort();
    if (std::memcmp(&first.RecordAt(p), &second.RecordAt(p), sizeof(PortRecord)) != 0) std::abort();
  }
}
