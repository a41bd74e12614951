#include "catalogue/catalogue_ids.h"

#include <utility>

namespace {

struct Kept {
  const CatalogueEntry* entries = nullptr;
  std::uint32_t count = 0;
  std::unique_ptr<RecordIds[]> ids;
};

Kept& TheKept() {
  static Kept kept;
  return kept;
}

}  // namespace

const RecordIds* KeptIds(const DriverCatalogue& table) {
  const Kept& kept = TheKept();
  // Ids of another block, or of a block since freed, would match the wrong records.
  if (table.entries == nullptr || table.entries != kept.entries || table.count != kept.count)
    return nullptr;
  return kept.ids.get();
}

void KeepIds(const CatalogueEntry* entries, std::uint32_t count, std::unique_ptr<RecordIds[]> ids) {
  Kept& kept = TheKept();
  kept.entries = ids ? entries : nullptr;
  kept.count = ids ? count : 0;
  kept.ids = std::move(ids);
}

void DropKeptIds() { KeepIds(nullptr, 0, nullptr); }
