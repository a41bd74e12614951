#pragma once
// Matching connected devices against the catalogue: which entries a check newly finds.
#include <array>
#include <cstddef>
#include <functional>

#include "catalogue/catalogue_ids.h"
#include "catalogue/catalogue_table.h"
#include "usb/device_list.h"

// A record carries an entry's device when the port is connected and both ids are equal.
bool PortCarries(const PortRecord& port, const CatalogueEntry& entry);

// Every entry (catalogue order) not found before is matched by the first port (list order)
// that carries it: the entry is marked found, then handed to onMatch. Entries found earlier
// never match again. The ids the load kept for the table are used when there are any (see
// catalogue_ids.h), so that only the records a device carries are read.
void MatchCatalogue(DriverCatalogue& catalogue, const DeviceList& devices,
                    const std::function<void(const CatalogueEntry&)>& onMatch);

// A match configures the four labels in this order: XP 32-bit, XP 64-bit, Vista 32-bit,
// Vista 64-bit.
constexpr std::size_t kLinkCount = 4;
std::array<const char*, kLinkCount> LinkAddresses(const CatalogueEntry& entry);
// An empty address leaves its label as it was: hidden, or showing an earlier match's link.
bool ConfiguresLink(const char* address);
