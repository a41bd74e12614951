#include "catalogue/load_catalogue.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "catalogue/catalogue_file.h"
#include "catalogue/catalogue_ids.h"
#include "catalogue/catalogue_path.h"
#include "catalogue/catalogue_seams.h"
#include "catalogue/catalogue_table.h"
#include "catalogue/fetch_catalogue.h"
#include "catalogue/profile_reader.h"
#include "catalogue/socket_session.h"
#include "common/messages.h"

namespace {

// calloc: the system hands out a large block already cleared, without touching its pages, so
// the 65535 mostly empty records of a hostile count cost almost nothing until they are read.
CatalogueEntry* PlatformAllocate(std::uint32_t count) {
  return static_cast<CatalogueEntry*>(std::calloc(count, sizeof(CatalogueEntry)));
}

catalogue_seams::EntryAllocatorFn g_allocate = nullptr;

struct BlockFree {
  void operator()(CatalogueEntry* entries) const { std::free(entries); }
};

int Fail(CatalogueOwner& owner) {
  FailureMessage message = CatalogueFailureMessage(owner.LanguageId());
  owner.HideStatusText();
  owner.ShowFailureMessage(message.text, message.caption);
  return 0;
}

// The record's ids, taken from what was read: the record of a missing section is never
// touched, so its page stays unfetched.
RecordIds ReadRecord(const ProfileReader& file, std::uint32_t number, CatalogueEntry& entry) {
  char section[32];
  std::snprintf(section, sizeof section, kRecordSectionFormat, number);
  // Every value of a missing section reads as its default, which the cleared record holds.
  if (!file.HasSection(section)) return {0, 0};
  entry.vid = file.ReadInt(section, kVidKey, 0);
  entry.pid = file.ReadInt(section, kPidKey, 0);
  file.ReadText(section, kUrlKeys[0], "", entry.urlXp32, kUrlSize);
  file.ReadText(section, kUrlKeys[1], "", entry.urlXp64, kUrlSize);
  file.ReadText(section, kUrlKeys[2], "", entry.urlVista32, kUrlSize);
  file.ReadText(section, kUrlKeys[3], "", entry.urlVista64, kUrlSize);
  entry.found = 0;
  return {entry.vid, entry.pid};
}

void FreeEntries(DriverCatalogue& table) {
  DropKeptIds();
  std::free(table.entries);
  table.entries = nullptr;
  table.count = 0;
}

}  // namespace

namespace {

// The table's block on success, nullptr when the text gives no valid count or memory is short.
// `ids` gets the records' ids, or stays empty when memory for them is short (matching then
// reads the records).
CatalogueEntry* ReadTable(std::string_view text, std::uint32_t& count,
                          std::unique_ptr<RecordIds[]>& ids) {
  ProfileReader file(text);
  count = file.ReadInt(kMainSection, kCountKey, 0);
  if (count == 0 || count > kMaxCatalogueCount) return nullptr;
  std::unique_ptr<CatalogueEntry, BlockFree> entries(
      (g_allocate != nullptr ? g_allocate : PlatformAllocate)(count));
  if (!entries) return nullptr;
  ids.reset(new (std::nothrow) RecordIds[count]);
  for (std::uint32_t k = 1; k <= count; ++k) {
    const RecordIds read = ReadRecord(file, k, entries.get()[k - 1]);
    if (ids) ids[k - 1] = read;
  }
  return entries.release();
}

}  // namespace

int LoadCatalogueFromText(CatalogueOwner& owner, std::string_view text) {
  DriverCatalogue& table = TheCatalogue();
  FreeEntries(table);  // a second load must not leak the first
  std::uint32_t count = 0;
  CatalogueEntry* entries = nullptr;
  std::unique_ptr<RecordIds[]> ids;
  try {
    entries = ReadTable(text, count, ids);
  } catch (const std::bad_alloc&) {
    entries = nullptr;  // the reader's own memory ran short; the table was not made yet
  }
  // No valid count, or short memory: a failed load with the message, never a crash.
  if (entries == nullptr) return Fail(owner);
  table.entries = entries;
  table.count = count;
  KeepIds(entries, count, std::move(ids));
  return 1;
}

int LoadCatalogueFromFile(CatalogueOwner& owner, const char* path) {
  std::string bytes;
  // A missing path, missing file, failed read or short memory all leave no text, hence no
  // valid count.
  if (path != nullptr && *path != '\0') ReadFileBytes(path, bytes);
  return LoadCatalogueFromText(owner, bytes);
}

int LoadCatalogue(CatalogueOwner& owner, const char* host) {
  char path[kCataloguePathSize];
  FormCataloguePath(path);  // an unformed path is empty: nothing stored, nothing read
  if (!StartSocketSession()) return 0;
  owner.RunDownload([host] { FetchCatalogue(host, kCatalogueServerPath); });
  EndSocketSession();
  return LoadCatalogueFromFile(owner, path);
}

void ReleaseCatalogue() {
  FreeEntries(TheCatalogue());
  char path[kCataloguePathSize];
  if (FormCataloguePath(path)) DeleteFileQuietly(path);
}

void catalogue_seams::SetEntryAllocator(EntryAllocatorFn fn) { g_allocate = fn; }
