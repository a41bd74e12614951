#include "device_links.h"

#include <cstring>
#include <memory>

#include "app/device_match/device_match.h"
#include "usb/device_list.h"

namespace {

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

std::vector<LinkStep> LinksForDevice(DriverCatalogue& table, std::uint16_t vid,
                                     std::uint16_t pid) {
  std::vector<LinkStep> steps;
  std::vector<std::uint32_t> matched;
  MatchOneCamera(table, vid, pid, [&](const CatalogueEntry& entry) {
    const auto number = static_cast<std::uint32_t>(&entry - table.entries) + 1;
    matched.push_back(number);
    const auto addresses = LinkAddresses(entry);
    for (std::size_t link = 0; link < kLinkCount; ++link) {
      if (!ConfiguresLink(addresses[link])) continue;
      for (LinkStep& earlier : steps)
        if (earlier.link == link && earlier.replacedBy == 0) earlier.replacedBy = number;
      steps.push_back(LinkStep{number, link, addresses[link], 0});
    }
  });
  for (std::uint32_t number : matched) table.entries[number - 1].found = 0;
  return steps;
}
