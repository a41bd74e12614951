#pragma once
// The maintainer's file, read the way the tool needs it: the program's own bound on what is
// kept, the whole size from the file system, and every failure told apart from a short file.
#include <string>

#include "check_catalogue.h"

struct FileRead {
  bool readable = false;
  std::string why;    // when not readable, as the system says it
  std::string bytes;  // the file's first kMaxCatalogueFileBytes bytes at most
  FileSize size{0, false};
};

// A file that cannot be opened and a read that fails part-way (a directory's first) are
// unreadable.
FileRead ReadCatalogueFile(const std::string& path);
