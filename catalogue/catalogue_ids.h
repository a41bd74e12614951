#pragma once
// The records' vendor and product ids in table order, kept by the load beside the table, 8
// bytes a record. A check reads these instead of the records: the largest table is 68 MB that
// the system hands over cleared and untouched, and reading every record's ids would make it
// fetch every page on the first press.
#include <cstdint>
#include <memory>

#include "catalogue/catalogue_table.h"

struct RecordIds {
  std::uint32_t vid;
  std::uint32_t pid;
};

// `table.count` ids kept for `table`'s block, or nullptr when none were (a table the load did
// not make, or memory was short): the records themselves must be read then.
const RecordIds* KeptIds(const DriverCatalogue& table);

// Keeps `ids` as those of the `count` records at `entries`, in place of any kept before.
void KeepIds(const CatalogueEntry* entries, std::uint32_t count, std::unique_ptr<RecordIds[]> ids);
void DropKeptIds();
