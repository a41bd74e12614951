#include "app/device_match/device_match.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<PortRecord> Port(std::uint16_t vid, std::uint16_t pid,
                                 std::uint32_t status = DeviceConnected, bool hub = false) {
  auto record = std::make_unique<PortRecord>();
  std::memset(record.get(), 0, sizeof(PortRecord));
  record->DeviceDescriptor.idVendor = vid;
  record->DeviceDescriptor.idProduct = pid;
  record->ConnectionStatus = status;
  record->DeviceIsHub = hub ? 1 : 0;
  return record;
}

struct Catalogue {
  explicit Catalogue(std::vector<std::pair<std::uint32_t, std::uint32_t>> ids)
      : entries(ids.size()) {
    for (std::size_t i = 0; i < ids.size(); ++i) {
      std::memset(&entries[i], 0, sizeof(CatalogueEntry));
      entries[i].vid = ids[i].first;
      entries[i].pid = ids[i].second;
    }
    table.count = static_cast<std::uint32_t>(entries.size());
    table.entries = entries.empty() ? nullptr : entries.data();
  }
  std::vector<CatalogueEntry> entries;
  DriverCatalogue table{};
};

// Indices of the entries handed out, in order.
std::vector<std::size_t> Match(Catalogue& catalogue, const DeviceList& devices) {
  std::vector<std::size_t> matched;
  MatchCatalogue(catalogue.table, devices, [&](const CatalogueEntry& entry) {
    EXPECT_EQ(entry.found, 1) << "an entry is marked found before it is presented";
    matched.push_back(static_cast<std::size_t>(&entry - catalogue.entries.data()));
  });
  return matched;
}

TEST(DeviceMatch, EmptyPortsAndFailureStatesNeverMatch) {
  DeviceList devices;
  devices.Append(Port(0, 0, NoDeviceConnected));
  devices.Append(Port(0x1234, 0x5678, DeviceFailedEnumeration));
  devices.Append(Port(0x1234, 0x5678, DeviceNotEnoughPower));
  devices.Append(Port(0x1234, 0x5678, 8));
  devices.Append(Port(0x1234, 0x9999));
  Catalogue catalogue({{0, 0}, {0x1234, 0x5678}});
  EXPECT_TRUE(Match(catalogue, devices).empty());
  EXPECT_EQ(catalogue.entries[0].found, 0);
  EXPECT_EQ(catalogue.entries[1].found, 0);
}

TEST(DeviceMatch, IdsAboveSixteenBitsNeverMatch) {
  DeviceList devices;
  devices.Append(Port(0x1234, 0x5678));
  Catalogue catalogue({{0x11234, 0x5678}, {0x1234, 0x15678}});
  EXPECT_TRUE(Match(catalogue, devices).empty());
}

TEST(DeviceMatch, HubsTakePartLikeAnyConnectedDevice) {
  DeviceList devices;
  devices.Append(Port(0x05e3, 0x0608, DeviceConnected, /*hub=*/true));
  Catalogue catalogue({{0x05e3, 0x0608}});
  EXPECT_EQ(Match(catalogue, devices), std::vector<std::size_t>{0});
}

TEST(DeviceMatch, EntriesMatchInCatalogueOrderEachOnce) {
  DeviceList devices;
  devices.Append(Port(0x0001, 0x0001));
  devices.Append(Port(0x1234, 0x5678));
  devices.Append(Port(0x1234, 0x5678));  // a second camera of the same kind
  Catalogue catalogue({{0x1234, 0x5678}, {0x9999, 0x9999}, {0x1234, 0x5678}, {1, 1}});
  EXPECT_EQ(Match(catalogue, devices), (std::vector<std::size_t>{0, 2, 3}));
}

TEST(DeviceMatch, FoundEntriesStayFoundAcrossChecks) {
  DeviceList devices;
  devices.Append(Port(0x1234, 0x5678));
  Catalogue catalogue({{0x1234, 0x5678}});
  EXPECT_EQ(Match(catalogue, devices).size(), 1u);
  EXPECT_TRUE(Match(catalogue, devices).empty()) << "a second check must not match again";

  DeviceList unplugged;
  EXPECT_TRUE(Match(catalogue, unplugged).empty());
  EXPECT_EQ(catalogue.entries[0].found, 1) << "nothing is ever cleared";
}

TEST(DeviceMatch, LaterCheckFindsNewlyPluggedDevice) {
  Catalogue catalogue({{0x1234, 0x5678}});
  DeviceList before;
  before.Append(Port(0x1111, 0x2222));
  EXPECT_TRUE(Match(catalogue, before).empty());
  DeviceList after;
  after.Append(Port(0x1111, 0x2222));
  after.Append(Port(0x1234, 0x5678));
  EXPECT_EQ(Match(catalogue, after), std::vector<std::size_t>{0});
}

TEST(DeviceMatch, EmptyCatalogueOrDeviceListIsHarmless) {
  DeviceList devices;
  devices.Append(Port(0x1234, 0x5678));
  Catalogue empty({});
  EXPECT_TRUE(Match(empty, devices).empty());
  Catalogue catalogue({{0x1234, 0x5678}});
  EXPECT_TRUE(Match(catalogue, DeviceList{}).empty());
}

}  // namespace
