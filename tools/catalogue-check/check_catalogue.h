#pragma once
// Checks catalogue bytes the way the detector reads its downloaded file: the download's cut,
// the load into the table, then every rule that silently changes what a user gets.
#include <string_view>

#include "check_report.h"

// Leaves the loaded table in TheCatalogue() for device questions.
CatalogueReport CheckCatalogue(std::string_view fileBytes);
