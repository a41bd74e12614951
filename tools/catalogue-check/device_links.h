#pragma once
// What "Check Device" shows for one camera, replayed on the loaded table.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/catalogue_table.h"

struct LinkStep {
  std::uint32_t record;  // counted from 1
  std::size_t link;      // 0 to 3: the key kUrlKeys names
  std::string address;
  std::uint32_t replacedBy;  // a later record that configures the same link, else 0
};

struct DeviceLinks {
  std::vector<std::uint32_t> matched;  // counted from 1; none: the not-found message
  std::vector<LinkStep> steps;         // none while some match: no link and no message
};

// The records a fresh dialog's first press matches for this camera alone, and the links they
// configure in the order the program configures them. The table's found flags are as before
// afterwards.
DeviceLinks LinksForDevice(DriverCatalogue& table, std::uint16_t vid, std::uint16_t pid);
