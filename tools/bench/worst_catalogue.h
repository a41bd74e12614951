#pragma once
// The catalogues the benchmarks load: real records 1..400 under a given count, padded with a
// comment to exactly the download's limit.
#include <cstdint>
#include <string>

constexpr int kRealRecords = 400;
constexpr std::uint32_t kWorstCount = 65535;

// Record k: vid 0x1000 + k, pid 0x2000 + k, four addresses.
std::string RecordText(int k);
std::string CatalogueFile(std::uint32_t count);
