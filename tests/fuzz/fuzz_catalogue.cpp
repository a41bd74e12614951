// Arbitrary bytes as a downloaded catalogue: through the profile reader and the whole load,
// checking what the table promises after each.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "catalogue/catalogue_seams.h"
#include "catalogue/catalogue_table.h"
#include "catalogue/load_catalogue.h"
#include "catalogue/profile_reader.h"

namespace {

class QuietOwner : public CatalogueOwner {
 public:
  void HideStatusText() override { hidden = true; }
  void ShowFailureMessage(const char*, const char*) override { boxes++; }
  int LanguageId() const override { return 2052; }
  bool hidden = false;
  int boxes = 0;
};

// Release must never delete a real temporary file: it looks into a folder that is not there.
unsigned NowhereFolder(unsigned size, char* buffer) {
  constexpr char kFolder[] = "/nonexistent-catalogue-fuzz/";
  if (sizeof kFolder > size) return sizeof kFolder;
  std::memcpy(buffer, kFolder, sizeof kFolder);
  return sizeof kFolder - 1;
}

void Require(bool condition) {
  if (!condition) std::abort();
}

bool Terminated(const char (&text)[kUrlSize]) { return std::memchr(text, '\0', kUrlSize) != nullptr; }

void CheckReader(std::string_view bytes) {
  ProfileReader file(bytes);
  std::size_t size = bytes.empty() ? 1 : 1 + static_cast<unsigned char>(bytes[0]) % 300;
  std::string out(size, '\x55');
  for (const char* section : {"MAIN", "Number1", "number2"}) {
    for (const char* key : {"TotleNumber", "vid", "URL_XP_32"}) {
      std::size_t length = file.ReadText(section, key, "dflt", &out[0], size);
      Require(length < size && out[length] == '\0');
      file.ReadInt(section, key, 7);
    }
  }
}

void CheckLoad(std::string_view bytes) {
  QuietOwner owner;
  int result = LoadCatalogueFromText(owner, bytes);
  const DriverCatalogue& table = TheCatalogue();
  if (result == 1) {
    Require(table.count >= 1 && table.count <= kMaxCatalogueCount && table.entries != nullptr);
    Require(!owner.hidden && owner.boxes == 0);
    for (std::uint32_t i = 0; i < table.count; ++i) {
      const CatalogueEntry& entry = table.entries[i];
      Require(entry.found == 0 && Terminated(entry.urlXp32) && Terminated(entry.urlXp64) &&
              Terminated(entry.urlVista32) && Terminated(entry.urlVista64));
    }
  } else {
    Require(result == 0 && table.count == 0 && table.entries == nullptr);
    Require(owner.hidden && owner.boxes == 1);
  }
  ReleaseCatalogue();
  Require(table.count == 0 && table.entries == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool once = (catalogue_seams::SetTempFolder(&NowhereFolder), true);
  (void)once;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckReader(bytes);
  CheckLoad(bytes);
  return 0;
}
