#include "app/device_match/device_match.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <utility>
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

// Which ids are kept while matching: this table's, as the load keeps them, or ids that must
// not be taken for this table's, so that the records themselves are read.
enum class Kept { kThisTables, kAnotherBlocksOfTheSameCount, kThisBlocksForAnotherCount };

// Indices of the entries handed out, in order.
std::vector<std::size_t> Match(Catalogue& catalogue, const DeviceList& devices,
                               Kept kept = Kept::kThisTables) {
  const std::size_t count = catalogue.entries.size();
  std::vector<CatalogueEntry> other(count);
  if (count != 0) {
    const bool own = kept == Kept::kThisTables;
    const std::size_t keptCount = kept == Kept::kThisBlocksForAnotherCount ? count + 1 : count;
    auto ids = std::make_unique<RecordIds[]>(keptCount);
    // Ids not to be taken for this table's: its own, each moved on by one record.
    for (std::size_t i = 0; i < keptCount; ++i) {
      const CatalogueEntry& entry = catalogue.entries[own ? i : (i + 1) % count];
      ids[i] = {entry.vid, entry.pid};
    }
    KeepIds(kept == Kept::kAnotherBlocksOfTheSameCount ? other.data() : catalogue.table.entries,
            static_cast<std::uint32_t>(keptCount), std::move(ids));
  }
  std::vector<std::size_t> matched;
  MatchCatalogue(catalogue.table, devices, [&](const CatalogueEntry& entry) {
    EXPECT_EQ(entry.found, 1) << "an entry is marked found before it is presented";
    matched.push_back(static_cast<std::size_t>(&entry - catalogue.entries.data()));
  });
  DropKeptIds();
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

// The check as it first was: every entry against every port, in list order. The matching
// must give exactly what it gives, on any catalogue and any device list.
std::vector<std::size_t> NestedLoopMatch(std::vector<CatalogueEntry>& entries,
                                         const DeviceList& devices) {
  std::vector<std::size_t> matched;
  for (std::size_t e = 0; e < entries.size(); ++e) {
    for (std::size_t d = 0; d < devices.Count(); ++d) {
      if (!PortCarries(devices.RecordAt(d), entries[e]) || entries[e].found != 0) continue;
      entries[e].found = 1;
      matched.push_back(e);
    }
  }
  return matched;
}

TEST(DeviceMatch, GivesWhatTheNestedLoopGivesOnRandomCataloguesAndDevices) {
  std::mt19937 random(20240611);
  // Few distinct ids, so that entries share ids, devices repeat and most entries find one;
  // ids above 16 bits that equal a device's in their low bits; 0/0 beside empty ports.
  const std::uint32_t ids[] = {0, 1, 0x1234, 0x5678, 0xFFFF, 0x10000, 0x11234, 0xFFFFFFFFu};
  const std::uint32_t statuses[] = {NoDeviceConnected, DeviceConnected, DeviceConnected,
                                    DeviceFailedEnumeration, DeviceNotEnoughPower, 8};
  auto pick = [&](const auto& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, std::size(from) - 1)(random)];
  };
  std::size_t matchedInAll = 0;
  for (int round = 0; round < 400; ++round) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> entryIds(random() % 40);
    for (auto& [vid, pid] : entryIds) vid = pick(ids), pid = pick(ids);
    Catalogue catalogue(entryIds);
    for (CatalogueEntry& entry : catalogue.entries) entry.found = random() % 5 == 0;
    std::vector<CatalogueEntry> reference = catalogue.entries;

    // Two presses over different device lists: what the first finds stays found.
    for (int press = 0; press < 2; ++press) {
      DeviceList devices;
      for (std::size_t n = random() % 30; n > 0; --n)
        devices.Append(Port(static_cast<std::uint16_t>(pick(ids)),
                            static_cast<std::uint16_t>(pick(ids)), pick(statuses),
                            random() % 4 == 0));
      const std::vector<std::size_t> expected = NestedLoopMatch(reference, devices);
      const Kept kept[] = {Kept::kThisTables, Kept::kAnotherBlocksOfTheSameCount,
                           Kept::kThisBlocksForAnotherCount};
      ASSERT_EQ(Match(catalogue, devices, kept[round % 3]), expected)
          << "round " << round << " press " << press;
      for (std::size_t e = 0; e < reference.size(); ++e)
        ASSERT_EQ(catalogue.entries[e].found, reference[e].found) << "round " << round;
      matchedInAll += expected.size();
    }
  }
  EXPECT_GT(matchedInAll, 300u) << "the rounds must exercise matches, not only misses";
}

}  // namespace
