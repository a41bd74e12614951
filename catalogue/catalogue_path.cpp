#include "catalogue/catalogue_path.h"

#include <cstring>

#include "catalogue/temp_folder.h"

bool FormCataloguePath(char (&path)[kCataloguePathSize]) {
  constexpr std::size_t kNameLength = sizeof kCatalogueFileName - 1;
  unsigned length = TempFolder(static_cast<unsigned>(kCataloguePathSize), path);
  // A failed call, a folder that did not fit, or one that leaves no room for the name: a
  // shortened path could name somebody else's file, so there is no path at all.
  if (length == 0 || length >= kCataloguePathSize ||
      length + kNameLength + 1 > kCataloguePathSize || std::strlen(path) != length) {
    path[0] = '\0';
    return false;
  }
  std::memcpy(path + length, kCatalogueFileName, kNameLength + 1);
  return true;
}
