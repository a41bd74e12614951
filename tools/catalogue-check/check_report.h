#pragma once
// The checker's findings on one catalogue file, as the detector reads it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "problem_kinds.h"

struct Problem {
  ProblemKind kind;
  std::size_t line;  // 0 where the problem has no line
  std::string message;
  const char* name() const { return InfoOf(kind).name; }
  Severity severity() const { return InfoOf(kind).severity; }
};

struct RecordLine {
  std::uint32_t number;
  std::uint32_t vid;
  std::uint32_t pid;
  std::array<std::string, 4> addresses;  // as stored: cut, unquoted
};

struct CatalogueReport {
  std::uint64_t fileBytes = 0;
  bool fileBytesMoreThan = false;  // more than fileBytes: a pipe or device read up to the bound
  std::size_t readBytes = 0;       // what a download keeps of them
  bool loaded = false;             // the detector's load of these bytes succeeded
  std::vector<RecordLine> records;
  std::vector<Problem> problems;  // by line, those without one first; then the links'
};

// Exit status of a report: 0 no problem or notes only, 1 warnings, 2 an error.
constexpr int kExitClean = 0;
constexpr int kExitWarnings = 1;
constexpr int kExitErrors = 2;
constexpr int kExitUnreadable = 3;  // also: the report could not be written
int ExitStatus(const CatalogueReport& report);
