// Arbitrary bytes as a maintainer's catalogue file: through the checker, its text report and
// its JSON. The JSON must parse under a strict reader on every input, and the text report must
// show no control character raw (see RawControlShown).
//
// Each valid record costs every report a line or more, so a count near 65535 makes one run
// write megabytes and take seconds. Counts the load accepts above kLargestFedCount are not fed:
// they walk the same paths as the count at the cap, which the seed corpus holds (the build
// writes it from largest_count.ini.in with the same number). Counts the load refuses, however
// large, cost nothing and are fed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "catalogue/catalogue_table.h"
#include "catalogue/fetch_catalogue.h"
#include "catalogue/load_catalogue.h"
#include "catalogue/profile_reader.h"
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

// The count the load reads from these bytes, as it reads it.
std::uint32_t CountRead(std::string_view bytes) {
  const ProfileReader file(bytes.substr(0, kReplyBufferSize));
  return file.ReadInt(kMainSection, kCountKey, 0);
}

// What a printer wrote, through a stream in memory.
template <typename Print>
std::string Printed(Print print) {
  char* buffer = nullptr;
  std::size_t length = 0;
  std::FILE* stream = open_memstream(&buffer, &length);
  Require(stream != nullptr);
  print(stream);
  Require(!std::ferror(stream) && std::fclose(stream) == 0);
  std::string text(buffer, length);
  std::free(buffer);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::uint32_t count = CountRead(bytes);
  if (count > kLargestFedCount && count <= kMaxCatalogueCount) return -1;  // kept out of the corpus
  CheckRun run;
  run.source = "PID.ini";
  LoadedTable table(bytes);
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

  const std::string json = Printed([&](std::FILE* out) { PrintJson(run, out); });
  Require(IsStrictJson(json));
  const std::string text = Printed([&](std::FILE* out) { PrintText(run, out); });
  Require(!RawControlShown(text));
  return 0;
}
