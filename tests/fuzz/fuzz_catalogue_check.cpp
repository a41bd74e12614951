// Arbitrary bytes as a maintainer's catalogue file: through the checker, its text report and
// its JSON. The JSON must parse under a strict reader on every input, and the text report must
// show no control character raw (see RawControlShown).
//
// Each valid record costs every report a line or more, so a count near 65535 makes one run
// write megabytes and take seconds. Counts the load accepts above kLargestFedCount are not fed:
// they walk the same paths as the count at the cap, which the seed corpus holds (the build
// writes it from largest_count.ini.in with the same number). The load's own allocator refuses
// them, so that the count is read once, by the load. Counts the load refuses, however large,
// cost nothing and are fed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include <sanitizer/asan_interface.h>

#include "catalogue/catalogue_seams.h"
#include "catalogue/catalogue_table.h"
#include "check_catalogue.h"
#include "check_run.h"
#include "device_links.h"
#include "report_checks.h"

namespace {

constexpr std::uint32_t kLargestFedCount = LARGEST_FED_COUNT;
static_assert(kLargestFedCount < kMaxCatalogueCount, "a cap at or above the load's is none");

void Require(bool condition) {
  if (!condition) std::abort();
}

// Whether this run's load asked for a table above the cap (the load asks only for a valid count).
bool g_aboveCap = false;

CatalogueEntry* EntriesUpToCap(std::uint32_t count) {
  g_aboveCap = count > kLargestFedCount;
  if (g_aboveCap) return nullptr;
  return static_cast<CatalogueEntry*>(std::calloc(count, sizeof(CatalogueEntry)));
}

// What a printer wrote, through one stream in memory kept for every run: a stream per run costs
// a cleared buffer of its own, its growth and a copy of the text, every run. The text stays
// valid until the next print.
std::string_view Printed(void (*print)(const CheckRun&, std::FILE*), const CheckRun& run) {
  static char* buffer = nullptr;
  static std::size_t length = 0;
  static std::FILE* const stream = open_memstream(&buffer, &length);
  Require(stream != nullptr && std::fseek(stream, 0, SEEK_SET) == 0);
  print(run, stream);
  // The length a flush reports is the position: only this print's bytes.
  Require(!std::ferror(stream) && std::fflush(stream) == 0);
  return std::string_view(buffer, length);
}

}  // namespace

// The sanitizer holds freed memory back, 256 MiB by default, and a run frees tens of
// kilobytes: until that fills, every run takes fresh pages, and faulting them in costs more
// than the check, seconds of each short session. What a run frees it uses within the run,
// which a far smaller quarantine still covers. ASAN_OPTIONS still has the last word.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=32"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  catalogue_seams::SetEntryAllocator(EntriesUpToCap);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  g_aboveCap = false;
  LoadedTable table(bytes);
  if (g_aboveCap) return -1;  // kept out of the corpus
  CheckRun run;
  run.source = "PID.ini";
  run.report = CheckCatalogue(bytes, table.Table());
  run.exitStatus = ExitStatus(run.report);
  // The first record's camera and one that no record can carry.
  DriverCatalogue& loaded = table.Table();
  if (loaded.entries != nullptr) {
    const auto vid = static_cast<std::uint16_t>(loaded.entries[0].vid);
    const auto pid = static_cast<std::uint16_t>(loaded.entries[0].pid);
    run.devices.push_back({vid, pid, LinksForDevice(loaded, vid, pid)});
  }
  run.devices.push_back({0, 0, LinksForDevice(loaded, 0, 0)});

  const std::string_view json = Printed(PrintJson, run);
  Require(IsStrictJson(json));
  const std::string_view text = Printed(PrintText, run);
  Require(!RawControlShown(text));
  return 0;
}
