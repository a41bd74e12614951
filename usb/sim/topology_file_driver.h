#pragma once
// The hub driver of the builds that run with a pretend USB machine: the simulator built from
// the file that DETECTOR_USB_TOPOLOGY names. The file is read when the first walk opens its
// first device, not at construction, so a program can own one from its start-up on.
#include <iosfwd>

#include "usb/sim/usb_simulator.h"

class TopologyFileDriver final : public HubDriver {
 public:
  // A malformed or unreadable file is reported to `errors` (one line) and walks as no
  // controllers at all.
  explicit TopologyFileDriver(std::ostream& errors);

  Handle Open(const std::string& devicePath) override;
  bool Control(Handle handle, std::uint32_t code, const void* in, std::size_t inSize, void* out,
               std::size_t outSize) override;
  void Close(Handle handle) override;
  bool WideToNarrow(const std::uint16_t* wide, std::size_t maxUnits, std::string& narrow) override;
  bool ListHostControllers(std::size_t maxInterfaces, std::vector<std::string>& paths) override;

  // For tests: every handle the walks opened has been closed.
  std::size_t OpenHandles() const { return simulator_.OpenHandles(); }

 private:
  std::ostream& errors_;
  UsbSimulator simulator_;
  bool loaded_ = false;
};
