#include "app/device_match/device_match.h"

#include <algorithm>
#include <new>
#include <optional>
#include <vector>

namespace {

std::uint32_t IdKey(std::uint32_t vid, std::uint32_t pid) { return vid << 16 | pid; }

// The ids of every connected device, sorted, so that each entry is one lookup instead of a
// pass over the list: with the largest catalogue that is the difference between tens of
// millions of comparisons and under a million. None when memory is short.
std::optional<std::vector<std::uint32_t>> ConnectedIds(const DeviceList& devices) {
  try {
    std::vector<std::uint32_t> ids;
    ids.reserve(devices.Count());
    for (std::size_t d = 0; d < devices.Count(); ++d) {
      const PortRecord& port = devices.RecordAt(d);
      if (port.ConnectionStatus == DeviceConnected)
        ids.push_back(IdKey(port.DeviceDescriptor.idVendor, port.DeviceDescriptor.idProduct));
    }
    std::sort(ids.begin(), ids.end());
    return ids;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

bool PortCarriesIds(const PortRecord& port, RecordIds ids) {
  // Ids are compared widened without sign, so a catalogue id above 65535 never matches.
  return port.ConnectionStatus == DeviceConnected &&
         static_cast<std::uint32_t>(port.DeviceDescriptor.idVendor) == ids.vid &&
         static_cast<std::uint32_t>(port.DeviceDescriptor.idProduct) == ids.pid;
}

// Short of memory for the sorted ids, the list itself is searched: slower, the same result.
bool Carried(const std::optional<std::vector<std::uint32_t>>& connected, const DeviceList& devices,
             RecordIds ids) {
  if (connected)
    return ids.vid <= 0xFFFF && ids.pid <= 0xFFFF &&
           std::binary_search(connected->begin(), connected->end(), IdKey(ids.vid, ids.pid));
  for (std::size_t d = 0; d < devices.Count(); ++d)
    if (PortCarriesIds(devices.RecordAt(d), ids)) return true;
  return false;
}

}  // namespace

bool PortCarries(const PortRecord& port, const CatalogueEntry& entry) {
  return PortCarriesIds(port, {entry.vid, entry.pid});
}

void MatchCatalogue(DriverCatalogue& catalogue, const DeviceList& devices,
                    const std::function<void(const CatalogueEntry&)>& onMatch) {
  if (catalogue.entries == nullptr) return;
  const std::optional<std::vector<std::uint32_t>> connected = ConnectedIds(devices);
  // With the ids the load kept, a record is read only when a device carries it.
  const RecordIds* kept = KeptIds(catalogue);
  for (std::uint32_t e = 0; e < catalogue.count; ++e) {
    const RecordIds ids =
        kept != nullptr ? kept[e] : RecordIds{catalogue.entries[e].vid, catalogue.entries[e].pid};
    if (!Carried(connected, devices, ids)) continue;
    CatalogueEntry& entry = catalogue.entries[e];
    if (entry.found != 0) continue;
    entry.found = 1;
    onMatch(entry);
  }
}

std::array<const char*, kLinkCount> LinkAddresses(const CatalogueEntry& entry) {
  return {entry.urlXp32, entry.urlXp64, entry.urlVista32, entry.urlVista64};
}

bool ConfiguresLink(const char* address) { return address[0] != '\0'; }
