#pragma once
// Downloads PID.ini into the temporary folder and reads it into TheCatalogue().
#include "catalogue/catalogue_owner.h"

constexpr const char* kCatalogueServerPath = "/english/product/PublicDriver/PID.ini";

// 1 when the catalogue was loaded, 0 on failure (the owner has been told where the design
// says so).
int LoadCatalogue(CatalogueOwner& owner, const char* host);
// Frees the table and deletes the catalogue file, whether or not anything loaded.
void ReleaseCatalogue();
