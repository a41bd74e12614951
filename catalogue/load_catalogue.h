#pragma once
// Downloads PID.ini into the temporary folder and reads it into TheCatalogue().
#include <string_view>

#include "catalogue/catalogue_owner.h"

constexpr const char* kCatalogueServerPath = "/english/product/PublicDriver/PID.ini";

// 1 when the catalogue was loaded, 0 on failure. When WinSock does not start, 0 without a
// word to the owner; when the file holds no valid count or the table cannot be allocated, the
// owner's status text is hidden and the failure message shown first.
int LoadCatalogue(CatalogueOwner& owner, const char* host);
// Frees the table and deletes the catalogue file, whether or not anything loaded.
void ReleaseCatalogue();

// The reading half of LoadCatalogue, on a file of the caller's choice (an empty or null path
// reads as a missing file) or on text already in memory.
int LoadCatalogueFromFile(CatalogueOwner& owner, const char* path);
int LoadCatalogueFromText(CatalogueOwner& owner, std::string_view text);
