#pragma once
// The hub driver of the builds that run with a pretend USB machine: the simulator built from
// the file that DETECTOR_USB_TOPOLOGY names. The file is read as each walk begins, not at
// construction, so a program can own one from its start-up on, and a device written into the
// file while the program runs is found by the next walk, as one plugged in would be.
#include <iosfwd>
#include <optional>
#include <string>

#include "usb/sim/usb_simulator.h"

class TopologyFileDriver final : public HubDriver {
 public:
  // A malformed, unreadable or oversized file is reported to `errors` (one line, once for
  // each new content) and walks as no controllers at all.
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
  // What the simulator was last built from: the variable's value and the file's bytes.
  struct Source {
    enum class State { kRead, kUnreadable, kTooLarge };
    std::string path;  // empty without the variable
    State state = State::kRead;
    std::string bytes;
    bool operator==(const Source& other) const {
      return path == other.path && state == other.state && bytes == other.bytes;
    }
  };

  // Builds the simulator again when the file differs from what it was last built from.
  void ReloadIfChanged();
  static void ReadSource(Source& source);

  std::ostream& errors_;
  UsbSimulator simulator_;
  std::optional<Source> loaded_;
};
