#pragma once
// Reads a profile (INI) file once and answers each value the way the platform's profile
// functions do for the catalogue's keys: names without regard to letter case, blanks around
// names and values dropped, the first section and the first key of a name win.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class ProfileReader {
 public:
  // Never fails: text that is not a profile simply holds no sections.
  explicit ProfileReader(std::string_view text);
  // The keys point into the reader's own copy of the text.
  ProfileReader(const ProfileReader&) = delete;
  ProfileReader& operator=(const ProfileReader&) = delete;

  bool HasSection(std::string_view section) const;

  // The integer rule: decimal, or hexadecimal behind 0x/0X, read up to the first character
  // that does not belong; an optional sign; modulo 2^32, except that a negative value
  // saturates at -2^31 (so it always reads 0x80000000 to 0xFFFFFFFF, or 0 for -0).
  // `fallback` when the key is missing or its value is empty.
  std::uint32_t ReadInt(std::string_view section, std::string_view key,
                        std::uint32_t fallback) const;

  // The text rule: one matching pair of quotes removed, cut to size - 1 characters, always
  // terminated. `fallback` when the key is missing or has no equals sign. Returns the length.
  std::size_t ReadText(std::string_view section, std::string_view key, const char* fallback,
                       char* out, std::size_t size) const;

  // Where the text says what, for a checker that names lines. Offsets count bytes of the text
  // given to the constructor (a UTF-8 mark included). Heading 0 is the nameless section above
  // the first heading.
  struct Heading {
    std::string_view name;  // as written, blanks dropped
    std::size_t offset;
  };
  // Only the keys the reader keeps: the first of a name in the first section of a name.
  struct KeyLine {
    std::size_t heading;
    std::string_view name;
    std::string_view value;
    bool hasValue;
    std::size_t offset;
  };
  const std::vector<Heading>& Headings() const { return headings_; }
  std::vector<KeyLine> Keys() const;
  // The heading whose keys a look-up of `section` searches, or kNone.
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t SectionHeading(std::string_view section) const;
  // The offset of the key line whose value a look-up answers with, or kNone.
  std::size_t KeyOffset(std::string_view section, std::string_view key) const;

 private:
  struct Key {
    std::string_view name;
    std::string_view value;
    bool hasValue;
    std::size_t heading;
    std::size_t offset;
  };
  // The value as the platform hands it out, or nullptr when it would use the default.
  const std::string_view* Find(std::string_view section, std::string_view key) const;
  void ParseLine(std::string_view line);

  std::string text_;
  std::vector<Key> keys_;
  // Lower-case "section\nkey" to the first key of that name in the first such section.
  std::unordered_map<std::string, std::size_t> firstKey_;
  // Lower-case section name to its first heading.
  std::unordered_map<std::string, std::size_t> sectionsSeen_;
  std::string sectionName_ = "\n";  // keys above every section belong to a nameless one
  bool currentSectionIsFirst_ = true;
  std::vector<Heading> headings_;
  std::size_t currentHeading_ = 0;
  std::size_t markLength_ = 0;
};
