#include "catalogue/profile_reader.h"

#include <algorithm>
#include <cstring>

#include "common/ascii.h"

namespace {

// The platform reads a number out of a 30-character buffer: only this much of a value counts.
constexpr std::size_t kIntegerDigitsRead = 29;
constexpr std::uint64_t kLargestNegativeMagnitude = 0x80000000u;

bool IsBlank(char c) {
  // Control-Z ends old DOS text files; the platform skips it like a blank.
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x1a;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view UpToNul(std::string_view text) {
  std::size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

std::string LookupName(std::string_view section, std::string_view key) {
  std::string name;
  name.reserve(section.size() + key.size() + 1);
  for (char c : section) name.push_back(LowerAscii(c));
  name.push_back('\n');  // cannot occur inside a name: lines end there
  for (char c : key) name.push_back(LowerAscii(c));
  return name;
}

std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

int DigitValue(char c, unsigned base) {
  int digit = -1;
  if (c >= '0' && c <= '9') digit = c - '0';
  else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
  return digit >= 0 && static_cast<unsigned>(digit) < base ? digit : -1;
}

std::uint32_t ParseInteger(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && static_cast<unsigned char>(text[at]) <= ' ') ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  unsigned base = 10;
  if (at + 1 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
    base = 16;
    at += 2;
  }
  std::uint32_t total = 0;
  std::uint64_t magnitude = 0;
  for (; at < text.size(); ++at) {
    int digit = DigitValue(text[at], base);
    if (digit < 0) break;
    total = total * base + static_cast<std::uint32_t>(digit);  // wraps like the platform
    magnitude = std::min<std::uint64_t>(magnitude * base + static_cast<unsigned>(digit),
                                        kLargestNegativeMagnitude);
  }
  // Unlike the platform, whose wrap-around reads -4294967295 as 1, a negative value saturates
  // as strtol does: it lands at or above 0x80000000, where no count is accepted and no device
  // id can match.
  return negative ? static_cast<std::uint32_t>(0u - magnitude) : total;
}

}  // namespace

ProfileReader::ProfileReader(std::string_view text) {
  constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
  if (text.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    text.remove_prefix(kUtf8Mark.size());
    markLength_ = kUtf8Mark.size();
  }
  text_.assign(text.data(), text.size());
  sectionsSeen_.emplace(sectionName_, 0);
  headings_.push_back(Heading{{}, 0});
  std::string_view rest = text_;
  while (!rest.empty()) {
    std::size_t end = rest.find_first_of("\r\n");  // a lone CR ends a line too
    ParseLine(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
}

void ProfileReader::ParseLine(std::string_view line) {
  line = Trim(line);
  if (line.empty()) return;
  const std::size_t offset = static_cast<std::size_t>(line.data() - text_.data()) + markLength_;
  if (line.front() == '[') {
    std::size_t close = line.rfind(']');
    if (close != std::string_view::npos) {
      std::string_view written = Trim(UpToNul(line.substr(1, close - 1)));
      std::string section = LookupName(written, {});
      headings_.push_back(Heading{written, offset});
      currentSectionIsFirst_ = sectionsSeen_.emplace(section, headings_.size() - 1).second;
      sectionName_ = std::move(section);
      if (currentSectionIsFirst_) currentHeading_ = headings_.size() - 1;
      return;
    }
    // Without a closing bracket the line is an ordinary key line.
  }
  // Only the first section of a name is ever searched, so keys of later ones are dropped.
  if (!currentSectionIsFirst_) return;
  std::size_t equals = line.find('=');
  Key key{};
  key.heading = currentHeading_;
  key.offset = offset;
  key.name = UpToNul(Trim(line.substr(0, equals)));
  key.hasValue = equals != std::string_view::npos;
  if (key.hasValue) key.value = UpToNul(Trim(line.substr(equals + 1)));
  std::string name = sectionName_;
  for (char c : key.name) name.push_back(LowerAscii(c));
  if (firstKey_.count(name) != 0) return;
  keys_.push_back(key);
  firstKey_.emplace(std::move(name), keys_.size() - 1);
}

std::vector<ProfileReader::KeyLine> ProfileReader::Keys() const {
  std::vector<KeyLine> lines;
  lines.reserve(keys_.size());
  for (const Key& key : keys_)
    lines.push_back(KeyLine{key.heading, key.name, key.value, key.hasValue, key.offset});
  return lines;
}

bool ProfileReader::HasSection(std::string_view section) const {
  return sectionsSeen_.count(LookupName(section, {})) != 0;
}

std::size_t ProfileReader::SectionHeading(std::string_view section) const {
  auto where = sectionsSeen_.find(LookupName(section, {}));
  return where == sectionsSeen_.end() ? kNone : where->second;
}

std::size_t ProfileReader::KeyOffset(std::string_view section, std::string_view key) const {
  auto where = firstKey_.find(LookupName(section, key));
  return where == firstKey_.end() ? kNone : keys_[where->second].offset;
}

const std::string_view* ProfileReader::Find(std::string_view section, std::string_view key) const {
  auto where = firstKey_.find(LookupName(section, key));
  if (where == firstKey_.end()) return nullptr;
  const Key& found = keys_[where->second];
  return found.hasValue ? &found.value : nullptr;
}

std::uint32_t ProfileReader::ReadInt(std::string_view section, std::string_view key,
                                     std::uint32_t fallback) const {
  const std::string_view* value = Find(section, key);
  if (value == nullptr) return fallback;
  std::string_view text = Unquoted(*value);
  if (text.empty()) return fallback;
  return ParseInteger(text.substr(0, kIntegerDigitsRead));
}

std::size_t ProfileReader::ReadText(std::string_view section, std::string_view key,
                                    const char* fallback, char* out, std::size_t size) const {
  if (out == nullptr || size == 0) return 0;
  const std::string_view* value = Find(section, key);
  std::string_view text = value != nullptr ? Unquoted(*value) : std::string_view(fallback ? fallback : "");
  std::size_t length = std::min(text.size(), size - 1);
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
  return length;
}
