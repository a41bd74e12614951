#pragma once
// Where the downloaded catalogue lives: the temporary folder followed directly by "PID.ini".
#include <cstddef>

constexpr std::size_t kCataloguePathSize = 260;  // with the terminator
constexpr const char kCatalogueFileName[] = "PID.ini";

// False when the platform gives no folder or the whole path would not fit; `path` is then
// the empty text and nothing may be read, written or deleted in its name.
bool FormCataloguePath(char (&path)[kCataloguePathSize]);
