#pragma once
// The driver catalogue as read from PID.ini: one process-wide table of fixed-size records.
#include <cstdint>

constexpr std::uint32_t kMaxCatalogueCount = 65535;
constexpr int kUrlSize = 260;  // 259 characters and the terminator

struct CatalogueEntry {
  std::uint8_t found;
  std::uint32_t vid;
  std::uint32_t pid;
  char urlXp32[kUrlSize];
  char urlXp64[kUrlSize];
  char urlVista32[kUrlSize];
  char urlVista64[kUrlSize];
};

struct DriverCatalogue {
  std::uint32_t count;
  CatalogueEntry* entries;  // one block of `count` records; null while empty
};

DriverCatalogue& TheCatalogue();
