#include "device_links.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>

#include "app/device_match/device_match.h"
#include "usb/device_list.h"

namespace {

constexpr std::size_t kNoStep = static_cast<std::size_t>(-1);

// The one place the checker matches: a fresh dialog's first press with this camera alone.
void MatchOneCamera(DriverCatalogue& table, std::uint16_t vid, std::uint16_t pid,
                    const std::function<void(const CatalogueEntry&)>& onMatch) {
  DeviceList devices;
  auto port = std::make_unique<PortRecord>();
  std::memset(port.get(), 0, sizeof(PortRecord));
  port->ConnectionStatus = DeviceConnected;
  port->DeviceDescriptor.idVendor = vid;
  port->DeviceDescriptor.idProduct = pid;
  if (!devices.Append(std::move(port))) return;
  MatchCatalogue(table, devices, onMatch);
}

}  // namespace

DeviceLinks LinksForDevice(DriverCatalogue& table, std::uint16_t vid, std::uint16_t pid) {
  DeviceLinks answer;
  std::vector<LinkStep>& steps = answer.steps;
  // Each link's step still shown, so that a camera of many records costs one step each.
  std::size_t shown[kLinkCount];
  std::fill(std::begin(shown), std::end(shown), kNoStep);
  MatchOneCamera(table, vid, pid, [&](const CatalogueEntry& entry) {
    const auto number = static_cast<std::uint32_t>(&entry - table.entries) + 1;
    answer.matched.push_back(number);
    const auto addresses = LinkAddresses(entry);
    for (std::size_t link = 0; link < kLinkCount; ++link) {
      if (!ConfiguresLink(addresses[link])) continue;
      if (shown[link] != kNoStep) steps[shown[link]].replacedBy = number;
      shown[link] = steps.size();
      steps.push_back(LinkStep{number, link, addresses[link], 0});
    }
  });
  for (std::uint32_t number : answer.matched) table.entries[number - 1].found = 0;
  return answer;
}
