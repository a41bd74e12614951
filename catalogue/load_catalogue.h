#pragma once
// Downloads PID.ini into the temporary folder and reads it into TheCatalogue().
#include <string_view>

#include "catalogue/catalogue_owner.h"

constexpr const char* kCatalogueServerPath = "/english/product/PublicDriver/PID.ini";

// The names the load reads: the count, and for record k the section "Number<k>" with its
// ids and its four addresses (in the order of the entry's fields).
constexpr const char kMainSection[] = "MAIN";
constexpr const char kCountKey[] = "TotleNumber";
constexpr const char kRecordSectionFormat[] = "Number%u";
constexpr const char kVidKey[] = "vid";
constexpr const char kPidKey[] = "pid";
constexpr const char* const kUrlKeys[] = {"URL_XP_32", "URL_XP_64", "URL_Vista_32", "URL_Vista_64"};

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
