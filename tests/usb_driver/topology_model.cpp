#include "tests/usb_driver/topology_model.h"

#include <cstdio>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "usb/driver_blocks.h"
#include "usb/little_endian.h"
#include "usb/sim/topology_file.h"

struct TopologyModel {
  UsbSimulator sim;
  std::vector<ModelDevice> devices;
};

namespace {

// Copies `text` into a fixed field; false when it does not fit.
bool Fill(char* field, std::size_t room, const std::string& text) {
  if (text.size() >= room) return false;
  text.copy(field, text.size());
  field[text.size()] = '\0';
  return true;
}

std::string Narrow(const std::u16string& wide) {
  std::string narrow;
  for (char16_t unit : wide) narrow += unit < 0x80 ? static_cast<char>(unit) : '?';
  return narrow;
}

void AddHubs(const SimHub& hub, std::vector<ModelDevice>& devices) {
  ModelDevice device{};
  device.hub = &hub;
  device.openable = !hub.faults.open;
  device.legacyNumber = -1;
  if (!Fill(device.path, sizeof device.path, Narrow(hub.name))) device.openable = 0;
  devices.push_back(device);
  for (const auto& [number, port] : hub.ports)
    if (port.hub) AddHubs(*port.hub, devices);
}

void Describe(UsbSimulator& sim, std::vector<ModelDevice>& devices) {
  for (unsigned number : sim.ListOrder()) {
    const SimController& controller = *sim.FindController(number);
    ModelDevice device{};
    device.controller = &controller;
    device.openable = !controller.openFails;
    device.legacyNumber = controller.legacyName ? static_cast<int>(number) : -1;
    device.interfaces = sim.ListFails() ? 0 : controller.interfaces;
    if (!Fill(device.path, sizeof device.path, controller.interfacePath)) device.interfaces = 0;
    devices.push_back(device);
    AddHubs(controller.root, devices);
  }
}

// The status the platform's driver gives a request the simulator refuses for its sizes or its
// port number; anything else it refuses is a plain failure.
ModelOutcome Refusal(const ModelDevice& device, std::uint32_t code, const void* buffer,
                     std::size_t inSize, std::size_t outSize) {
  if (device.controller) {
    if (code != kIoctlGetRootHubName) return kModelInvalidRequest;
    return outSize < kRootHubNameSize ? kModelBufferTooSmall : kModelOk;
  }
  const auto& hub = *static_cast<const SimHub*>(device.hub);
  std::size_t fixed = 0;
  if (code == kIoctlGetNodeInformation)
    return outSize < sizeof(UsbNodeInformation) ? kModelBufferTooSmall : kModelOk;
  if (code == kIoctlGetNodeConnectionInformation) fixed = kPortRecordFixedSize;
  else if (code == kIoctlGetNodeConnectionName) fixed = kNodeConnectionNameSize;
  else return kModelInvalidRequest;
  if (inSize < fixed || outSize < fixed) return kModelBufferTooSmall;
  const std::uint32_t k = ReadLe32(buffer, 0);
  return k == 0 || k > hub.PortCount() ? kModelInvalidParameter : kModelOk;
}

}  // namespace

extern "C" TopologyModel* ModelLoad(const char* bytes, std::size_t size, const char* source,
                                    char* error, std::size_t errorRoom) {
  if (errorRoom) error[0] = '\0';
  try {
    auto model = std::make_unique<TopologyModel>();
    model->sim.KeepCalls(false);
    std::istringstream text(std::string(bytes, size));
    std::ostringstream errors;
    if (!LoadTopology(text, source, model->sim, errors)) {
      std::string line = errors.str();
      if (!line.empty() && line.back() == '\n') line.pop_back();
      if (errorRoom) std::snprintf(error, errorRoom, "%s", line.c_str());
    }
    Describe(model->sim, model->devices);
    return model.release();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

extern "C" void ModelFree(TopologyModel* model) { delete model; }

extern "C" std::size_t ModelDeviceCount(const TopologyModel* model) {
  return model->devices.size();
}

extern "C" int ModelDeviceAt(const TopologyModel* model, std::size_t index, ModelDevice* device) {
  if (index >= model->devices.size()) return 0;
  *device = model->devices[index];
  return 1;
}

extern "C" ModelOutcome ModelAnswer(TopologyModel* model, const ModelDevice* device,
                                    std::uint32_t code, void* buffer, std::size_t inSize,
                                    std::size_t outSize, std::size_t* written) {
  *written = 0;
  const ModelOutcome refusal = Refusal(*device, code, buffer, inSize, outSize);
  if (refusal != kModelOk) return refusal;
  try {
    const bool ok = model->sim.AnswerDirect(
        static_cast<const SimController*>(device->controller),
        static_cast<const SimHub*>(device->hub), code, buffer, inSize, buffer, outSize, *written);
    return ok ? kModelOk : kModelFailed;
  } catch (const std::bad_alloc&) {  // nothing may leave for the C side
    *written = 0;
    return kModelFailed;
  }
}
