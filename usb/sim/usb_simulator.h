#pragma once
// A simulated hub driver: host controllers by number, their root hubs, hubs behind ports and
// the devices on them. It answers the walk's control requests byte for byte as the platform's
// hub driver does, including the two-step sizing of names, and can be told to misbehave per
// node. It counts handles so that tests can demand that every one was closed.
//
// The topology text format that builds one is described in usb/sim/README.md.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "usb/hub_driver.h"

// What a hub, or the driver asked about it, does wrong.
struct SimFaults {
  bool open = false;          // the hub cannot be opened
  bool info = false;          // its node information query fails
  bool name = false;          // every query of its name fails
  bool name2 = false;         // the sizing query succeeds, the query of the whole name fails
  bool unterminated = false;  // the name is reported without its terminator
  std::optional<std::uint32_t> actualLength;  // reported instead of the true ActualLength
  unsigned loop = 0;  // when nonzero, its name is that of the hub this many levels up
};

struct SimHub;

enum class SimPortKind { Empty, Device, Hub };

struct SimPort {
  unsigned number = 0;
  SimPortKind kind = SimPortKind::Empty;
  std::uint16_t vid = 0;
  std::uint16_t pid = 0;
  std::uint32_t status = 0;
  bool queryFails = false;      // the connection information query of this port fails
  std::unique_ptr<SimHub> hub;  // for SimPortKind::Hub
};

struct SimHub {
  std::u16string name;  // as the driver reports it, without the device-path prefix
  std::string tag;      // what sets its default name apart: "4&<controller>.<port>..."
  std::optional<unsigned> portCount;  // when absent: the highest listed port
  SimFaults faults;
  SimHub* parent = nullptr;    // null for a root hub
  SimPort* seat = nullptr;     // the port it sits on; null for a root hub
  std::map<unsigned, SimPort> ports;

  unsigned PortCount() const;
  // Port k with nothing on it (status 0), a device, or a hub (status 1 unless changed).
  SimPort& AddEmpty(unsigned k);
  SimPort& AddDevice(unsigned k, std::uint16_t vid, std::uint16_t pid, std::uint32_t status = 1);
  SimHub& AddHub(unsigned k, std::uint16_t vid, std::uint16_t pid, std::uint32_t status = 1);
};

// The interface class the platform lists host controllers under, as it spells it in paths.
constexpr const char* kHostControllerInterfaceGuid = "{3abf6f2d-71c4-462a-8a92-1e6861e6af27}";

// A host controller is reachable the two ways a real one is: by its legacy name "\\.\HCDn"
// (numbers 0 to 9 only) and by the paths of its host-controller interfaces.
struct SimController {
  unsigned number = 0;
  bool openFails = false;   // opening it fails, either way
  bool legacyName = true;   // "\\.\HCDn" opens it, for n from 0 to 9
  unsigned interfaces = 1;  // how many times the platform lists it
  std::string interfacePath;  // its first interface's path; interface i > 1 appends "\i"
  SimHub root;  // its root hub; root.faults apply to the root hub and to the query of its name

  std::string InterfacePath(unsigned i) const;  // i from 1 to `interfaces`
};

class UsbSimulator final : public HubDriver {
 public:
  // One request as the driver saw it, for tests of the calling order and the block sizes.
  struct Call {
    enum Kind { kOpen, kControl, kClose, kConvert, kList } kind = kOpen;
    std::string path;  // kOpen: the device path
    std::uint32_t code = 0;
    std::size_t inSize = 0, outSize = 0;
    std::uint32_t index = 0;  // the ConnectionIndex sent in, where the request has one; kList:
                              // how many paths were listed
    bool ok = false;
  };

  UsbSimulator() = default;
  UsbSimulator(const UsbSimulator&) = delete;
  UsbSimulator& operator=(const UsbSimulator&) = delete;

  // Adds controller n (replacing one of that number) with a root hub of a distinct name. The
  // platform lists the controllers in the order they were added.
  SimController& AddController(unsigned n);
  SimController* FindController(unsigned n);
  void RemoveAllControllers();
  std::size_t ControllerCount() const { return controllers_.size(); }

  Handle Open(const std::string& devicePath) override;
  bool Control(Handle handle, std::uint32_t code, const void* in, std::size_t inSize, void* out,
               std::size_t outSize) override;
  void Close(Handle handle) override;
  // Like WideCharToMultiByte to a single-byte code page: units below 0x80 as they are, every
  // other unit as '?'. A name without a terminator within maxUnits fails.
  bool WideToNarrow(const std::uint16_t* wide, std::size_t maxUnits, std::string& narrow) override;
  // Every interface of every controller, in the order the controllers were added; fails as a
  // whole when told to.
  bool ListHostControllers(std::size_t maxInterfaces, std::vector<std::string>& paths) override;
  void SetListFails(bool fails) { listFails_ = fails; }
  bool ListFails() const { return listFails_; }
  // The controller numbers in the order the platform lists them.
  const std::vector<unsigned>& ListOrder() const { return listOrder_; }

  // One request answered by a controller (`hub` null) or a hub reached without a handle, for a
  // transport that keeps handles of its own (the test driver); not logged. `written`: how many
  // bytes of `out` the answer filled, the count the platform returns.
  bool AnswerDirect(const SimController* controller, const SimHub* hub, std::uint32_t code,
                    const void* in, std::size_t inSize, void* out, std::size_t outSize,
                    std::size_t& written);

  std::size_t OpenHandles() const { return handles_.size(); }
  // Closes of handles that were not open, and requests sent to them.
  std::size_t BadHandleUses() const { return badHandleUses_; }
  const std::vector<Call>& Calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }
  void KeepCalls(bool keep) { keepCalls_ = keep; }

 private:
  struct Target {
    SimController* controller = nullptr;  // a host controller's handle
    SimHub* hub = nullptr;                // a hub's handle
  };

  SimHub* FindHubByPath(const std::string& narrowName);
  SimHub* FindHubByTag(const std::string& narrowName);
  SimController* FindControllerByPath(const std::string& devicePath);
  bool AnswerName(const SimHub& hub, unsigned char* out, std::size_t outSize,
                  std::size_t nameOffset, std::size_t lengthOffset, std::size_t fixedSize);
  // One function per request kind; each answers false where the driver's request fails.
  bool AnswerController(const SimController& controller, std::uint32_t code, unsigned char* out,
                        std::size_t outSize);
  bool AnswerHub(const SimHub& hub, std::uint32_t code, std::uint32_t k, const void* in,
                 std::size_t inSize, unsigned char* out, std::size_t outSize);
  bool AnswerNodeInformation(const SimHub& hub, unsigned char* out, std::size_t outSize);
  bool AnswerConnectionInformation(const SimHub& hub, std::uint32_t k, const void* in,
                                   std::size_t inSize, unsigned char* out, std::size_t outSize);
  bool AnswerConnectionName(const SimHub& hub, std::uint32_t k, const void* in,
                            std::size_t inSize, unsigned char* out, std::size_t outSize);
  void Record(Call call);

  std::map<unsigned, std::unique_ptr<SimController>> controllers_;
  std::vector<unsigned> listOrder_;  // controller numbers, in the order they were added
  bool listFails_ = false;
  std::map<Handle, Target> handles_;
  Handle nextHandle_ = 0x100;
  std::size_t badHandleUses_ = 0;
  std::vector<Call> calls_;
  bool keepCalls_ = true;
  std::size_t written_ = 0;  // by the last answer that succeeded
};

// The name a hub reports, after the loop fault is applied.
const std::u16string& ReportedName(const SimHub& hub);
