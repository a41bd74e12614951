#include "catalogue/catalogue_table.h"

DriverCatalogue& TheCatalogue() {
  static DriverCatalogue catalogue{0, nullptr};
  return catalogue;
}
