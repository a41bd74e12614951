#pragma once
// Checks catalogue bytes the way the detector reads its downloaded file: the download's cut,
// the load into the table, then every rule that silently changes what a user gets.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "catalogue/catalogue_table.h"
#include "check_report.h"

// The table the program's load (LoadCatalogueFromText) makes of what a download keeps of
// `fileBytes`, taken out of the program-wide place into this value: the program-wide table
// stays empty, and nothing else reads or frees this one. Empty when the load failed.
class LoadedTable {
 public:
  explicit LoadedTable(std::string_view fileBytes);
  ~LoadedTable();
  LoadedTable(const LoadedTable&) = delete;
  LoadedTable& operator=(const LoadedTable&) = delete;
  DriverCatalogue& Table() { return table_; }

 private:
  DriverCatalogue table_{0, nullptr};
};

// The whole file's size, where more than the checker's bytes exist.
struct FileSize {
  std::uint64_t bytes;
  bool moreThan;  // more than `bytes`: a pipe or device read up to the bound
};

// The report on `fileBytes` (the file's first bytes, all of them or at least the first
// 102400) and `table`, the LoadedTable of the same bytes.
CatalogueReport CheckCatalogue(std::string_view fileBytes, FileSize size,
                               const DriverCatalogue& table);
CatalogueReport CheckCatalogue(std::string_view fileBytes, const DriverCatalogue& table);

// The line of `offset` in `text`, counted from 1 as an editor counts lines (LF, CR LF or a
// lone CR ends one).
std::size_t LineOfOffset(std::string_view text, std::size_t offset);
