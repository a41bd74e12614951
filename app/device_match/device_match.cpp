#include "app/device_match/device_match.h"

bool PortCarries(const PortRecord& port, const CatalogueEntry& entry) {
  // Ids are compared widened without sign, so a catalogue id above 65535 never matches.
  return port.ConnectionStatus == DeviceConnected &&
         static_cast<std::uint32_t>(port.DeviceDescriptor.idVendor) == entry.vid &&
         static_cast<std::uint32_t>(port.DeviceDescriptor.idProduct) == entry.pid;
}

void MatchCatalogue(DriverCatalogue& catalogue, const DeviceList& devices,
                    const std::function<void(const CatalogueEntry&)>& onMatch) {
  if (catalogue.entries == nullptr) return;
  for (std::uint32_t e = 0; e < catalogue.count; ++e) {
    CatalogueEntry& entry = catalogue.entries[e];
    for (std::size_t d = 0; d < devices.Count(); ++d) {
      if (!PortCarries(devices.RecordAt(d), entry) || entry.found != 0) continue;
      entry.found = 1;
      onMatch(entry);
    }
  }
}
