// catalogue-fetch HOST: runs the catalogue load against HOST (on the "http" service's port, else
// 80, as the program does), prints the table, then releases it. For the nginx test, and by hand.
#include <cstdio>

#include "catalogue/catalogue_table.h"
#include "catalogue/load_catalogue.h"

namespace {

class ConsoleOwner : public CatalogueOwner {
 public:
  void HideStatusText() override {}
  void ShowFailureMessage(const char* text, const char* caption) override {
    std::printf("message box: %s: %s\n", caption, text);
  }
  int LanguageId() const override { return 1033; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: catalogue-fetch HOST\n");
    return 2;
  }
  ConsoleOwner owner;
  int loaded = LoadCatalogue(owner, argv[1]);
  const DriverCatalogue& table = TheCatalogue();
  std::printf("\nloaded=%d count=%u\n", loaded, table.count);
  for (unsigned i = 0; i < table.count; ++i) {
    const CatalogueEntry& e = table.entries[i];
    std::printf("%u vid=0x%04X pid=0x%04X\n  %s\n  %s\n  %s\n  %s\n", i + 1, e.vid, e.pid,
                e.urlXp32, e.urlXp64, e.urlVista32, e.urlVista64);
  }
  ReleaseCatalogue();
  return loaded == 1 ? 0 : 1;
}
