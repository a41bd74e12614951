#pragma once
// Which record a section heading is, or almost is, by the reader's own look-up.
#include <cstdint>
#include <string_view>

#include "catalogue/profile_reader.h"

enum class HeadingKind {
  kOther,         // no number at its end, or nothing like a record's name
  kRecord,        // the section of record `number` (letter case does not count)
  kLeadingZeros,  // the record's name with zeros before the number: never read
  kMisspelt,      // a name a letter or two away from the record's: never read
};

struct HeadingClass {
  HeadingKind kind;
  std::uint32_t number;
};

HeadingClass ClassifyHeading(const ProfileReader& reader, std::string_view heading);

// The section the program reads record `number` from.
struct RecordSectionName {
  explicit RecordSectionName(std::uint32_t number);
  char text[32];
};
