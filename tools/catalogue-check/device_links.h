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

// The links configured, in the order the program configures them; empty when the program
// shows the not-found message. The table's found flags are as before afterwards.
std::vector<LinkStep> LinksForDevice(DriverCatalogue& table, std::uint16_t vid,
                                     std::uint16_t pid);
