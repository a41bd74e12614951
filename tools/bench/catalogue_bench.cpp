// Catalogue load benchmark: the worst file the download can deliver and a full one, read
// with our reader and (on Windows) with one platform profile call per value. Prints figures.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "catalogue/catalogue_seams.h"
#include "catalogue/catalogue_table.h"
#include "catalogue/fetch_catalogue.h"
#include "catalogue/load_catalogue.h"
#include "catalogue/temp_folder.h"
#include "worst_catalogue.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr int kRepeats = 20;
constexpr std::uint32_t kPlatformSample = 2000;  // records timed on the platform path

// Heap bytes in use and their peak, counted by the replaced operator new below.
std::size_t g_inUse = 0;
std::size_t g_peak = 0;

class NullOwner : public CatalogueOwner {
 public:
  void HideStatusText() override {}
  void ShowFailureMessage(const char*, const char*) override {}
  int LanguageId() const override { return 1033; }
};

std::string WriteTemp(const std::string& bytes) {
  char folder[260];
  unsigned length = TempFolder(sizeof folder, folder);
  std::string path = std::string(folder, length < sizeof folder ? length : 0) + "catalogue-bench.ini";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return {};
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  return path;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// Release must not delete anybody's catalogue file: it looks into a folder that is not there.
unsigned NowhereFolder(unsigned size, char* buffer) {
  constexpr char kFolder[] = "/nonexistent-catalogue-bench/";
  if (sizeof kFolder > size) return sizeof kFolder;
  std::memcpy(buffer, kFolder, sizeof kFolder);
  return sizeof kFolder - 1;
}

void FreeTable() {
  catalogue_seams::SetTempFolder(&NowhereFolder);
  ReleaseCatalogue();
  catalogue_seams::SetTempFolder(nullptr);
}

double OurLoad(const std::string& path, std::size_t& heapPeak) {
  NullOwner owner;
  double best = 1e30;
  for (int i = 0; i < kRepeats; ++i) {
    std::size_t before = g_inUse;
    g_peak = g_inUse;
    auto start = std::chrono::steady_clock::now();
    int result = LoadCatalogueFromFile(owner, path.c_str());
    auto took = std::chrono::steady_clock::now() - start;
    heapPeak = g_peak - before;
    if (result != 1) std::printf("  load failed!\n");
    best = std::min(best, Milliseconds(took));
    FreeTable();
  }
  return best;
}

#ifdef _WIN32
// One call per value, the way the platform functions are used; `records` of them.
double PlatformLoad(const std::string& path, std::uint32_t records) {
  auto* entries = static_cast<CatalogueEntry*>(std::calloc(records, sizeof(CatalogueEntry)));
  if (entries == nullptr) return 0;
  auto start = std::chrono::steady_clock::now();
  UINT count = GetPrivateProfileIntA("MAIN", "TotleNumber", 0, path.c_str());
  (void)count;
  for (std::uint32_t k = 1; k <= records; ++k) {
    char section[32];
    std::snprintf(section, sizeof section, "Number%u", k);
    CatalogueEntry& e = entries[k - 1];
    e.vid = GetPrivateProfileIntA(section, "vid", 0, path.c_str());
    e.pid = GetPrivateProfileIntA(section, "pid", 0, path.c_str());
    GetPrivateProfileStringA(section, "URL_XP_32", "", e.urlXp32, kUrlSize, path.c_str());
    GetPrivateProfileStringA(section, "URL_XP_64", "", e.urlXp64, kUrlSize, path.c_str());
    GetPrivateProfileStringA(section, "URL_Vista_32", "", e.urlVista32, kUrlSize, path.c_str());
    GetPrivateProfileStringA(section, "URL_Vista_64", "", e.urlVista64, kUrlSize, path.c_str());
  }
  double took = Milliseconds(std::chrono::steady_clock::now() - start);
  std::free(entries);
  return took;
}
#endif

void Run(const char* name, std::uint32_t count) {
  std::string bytes = CatalogueFile(count);
  std::string path = WriteTemp(bytes);
  std::printf("%s: %zu bytes, TotleNumber=%u, %d records present\n", name, bytes.size(), count,
              kRealRecords);
  std::size_t heapPeak = 0;
  double ours = OurLoad(path, heapPeak);
  std::printf("  our reader:  %9.3f ms (best of %d), heap peak %zu KiB + table %zu KiB\n", ours,
              kRepeats, heapPeak / 1024, count * sizeof(CatalogueEntry) / 1024);
#ifdef _WIN32
  std::uint32_t sample = std::min(count, kPlatformSample);
  double platform = PlatformLoad(path, sample) * count / sample;
  std::printf("  platform:    %9.3f ms (one call per value%s)\n", platform,
              sample < count ? ", timed on the first records and scaled" : "");
  if (sample < count) std::printf("               (%u of %u records timed)\n", sample, count);
  std::printf("  ratio:       %9.1f times faster\n", platform / ours);
#else
  std::printf("  platform:    not on this build (Windows only)\n");
#endif
  std::remove(path.c_str());
}

}  // namespace

void* operator new(std::size_t size) {
  void* block = std::malloc(size + sizeof(std::max_align_t));
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  g_inUse += size;
  g_peak = std::max(g_peak, g_inUse);
  return static_cast<char*>(block) + sizeof(std::max_align_t);
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  char* block = static_cast<char*>(p) - sizeof(std::max_align_t);
  g_inUse -= *reinterpret_cast<std::size_t*>(block);
  std::free(block);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }

int main() {
  Run("worst case", kWorstCount);
  Run("full file", kRealRecords);
  return 0;
}
