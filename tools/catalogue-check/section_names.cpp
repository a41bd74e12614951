#include "section_names.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/load_catalogue.h"
#include "common/ascii.h"

namespace {

constexpr std::size_t kLongestLikelyName = 32;
constexpr std::size_t kMostTypos = 2;

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

// The record sections' common name before the number.
std::string_view RecordPrefix() {
  const std::string_view format = kRecordSectionFormat;
  return format.substr(0, format.find('%'));
}

std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

RecordSectionName::RecordSectionName(std::uint32_t number) {
  std::snprintf(text, sizeof text, kRecordSectionFormat, static_cast<unsigned>(number));
}

HeadingClass ClassifyHeading(const ProfileReader& reader, std::string_view heading) {
  std::size_t digits = heading.size();
  while (digits > 0 && heading[digits - 1] >= '0' && heading[digits - 1] <= '9') --digits;
  if (digits == heading.size() || heading.size() > kLongestLikelyName) return {HeadingKind::kOther, 0};
  std::uint64_t value = 0;
  for (std::size_t i = digits; i < heading.size(); ++i)
    value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(heading[i] - '0'), UINT32_MAX);
  const auto number = static_cast<std::uint32_t>(value);
  const std::size_t self = reader.SectionHeading(heading);
  if (self != ProfileReader::kNone && reader.SectionHeading(RecordSectionName(number).text) == self)
    return {HeadingKind::kRecord, number};
  const std::string prefix = Lower(heading.substr(0, digits));
  const std::string expected = Lower(RecordPrefix());
  if (prefix == expected) return {HeadingKind::kLeadingZeros, number};
  if (EditDistance(prefix, expected) <= kMostTypos) return {HeadingKind::kMisspelt, number};
  return {HeadingKind::kOther, number};
}
