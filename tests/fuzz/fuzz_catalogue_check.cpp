// Arbitrary bytes as a maintainer's catalogue file: through the checker, its text report and
// its JSON. The JSON must parse under a strict reader on every input, and the text report must
// show no control character raw (see RawControlShown).
//
// Each valid record costs every report a line or more, so a count near 65535 makes one run
// write megabytes and take seconds. Counts the load accepts above kLargestFedCount are not fed:
// they walk the same paths as the count at the cap, which the seed corpus holds (the build
// writes it from largest_count.ini.in with the same number). Counts the load refuses, however
// large, cost nothing and are fed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "catalogue/catalogue_table.h"
#include "catalogue/fetch_catalogue.h"
#include "catalogue/load_catalogue.h"
#include "catalogue/profile_reader.h"
#include "check_catalogue.h"
#include "check_run.h"
#include "device_links.h"

namespace {

constexpr std::uint32_t kLargestFedCount = LARGEST_FED_COUNT;
static_assert(kLargestFedCount < kMaxCatalogueCount, "a cap at or above the load's is none");

void Require(bool condition) {
  if (!condition) std::abort();
}

unsigned char Byte(std::string_view text, std::size_t at) {
  return static_cast<unsigned char>(text[at]);
}

// The length of the well-formed UTF-8 character of two to four bytes at `at`, 0 when none
// starts there: no overlong forms, no surrogates, nothing above U+10FFFF.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
  const unsigned char lead = Byte(text, at);
  std::size_t length = 0;
  unsigned long value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2, value = lead & 0x1Fu;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3, value = lead & 0x0Fu;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4, value = lead & 0x07u;
  else return 0;
  if (text.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = Byte(text, at + i);
    if ((next & 0xC0) != 0x80) return 0;
    value = value << 6 | (next & 0x3Fu);
  }
  if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000) ||
      (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
    return 0;
  return length;
}

bool IsUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    if (Byte(text, at) < 0x80) {
      ++at;
      continue;
    }
    const std::size_t length = Utf8Length(text, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

// What the text report promises a terminal: no C0 control but its own line feeds (it writes
// no tab or carriage return), no DEL, no pair 0xC2 0x80-0x9F anywhere (C1 to a UTF-8
// terminal, also across characters), and no byte 0x80-0x9F standing alone (C1 to an 8-bit
// terminal). The report shows each text as UTF-8 when it is well-formed UTF-8 and as GBK
// otherwise, where a byte 0x80-0x9F after a lead byte 0x81-0xFE is a trail byte, printed as
// it is. Every shown text stands between bytes below 0x40, which neither code page joins to
// a character, so the report is judged in runs split at those bytes, each run read as the
// report reads a text. (A run of GBK text that happens to be well-formed UTF-8 is judged as
// UTF-8: the report's bytes cannot tell the two apart.)
bool RawControlShown(std::string_view report) {
  for (std::size_t at = 0; at < report.size(); ++at) {
    const unsigned char byte = Byte(report, at);
    if ((byte < 0x20 && byte != '\n') || byte == 0x7F) return true;
    if (byte == 0xC2 && at + 1 < report.size() && Byte(report, at + 1) >= 0x80 &&
        Byte(report, at + 1) <= 0x9F)
      return true;
  }
  for (std::size_t start = 0; start < report.size();) {
    std::size_t end = start;
    while (end < report.size() && Byte(report, end) >= 0x40) ++end;
    const std::string_view run = report.substr(start, end - start);
    if (!IsUtf8(run)) {
      for (std::size_t at = 0; at < run.size(); ++at) {
        const unsigned char byte = Byte(run, at);
        // A lead byte and its trail byte (every byte of a run is 0x40 or above).
        if (byte >= 0x81 && byte != 0xFF && at + 1 < run.size() && Byte(run, at + 1) != 0x7F &&
            Byte(run, at + 1) != 0xFF) {
          ++at;
          continue;
        }
        if (byte >= 0x80 && byte <= 0x9F) return true;
      }
    }
    start = end + 1;
  }
  return false;
}

// The count the load reads from these bytes, as it reads it.
std::uint32_t CountRead(std::string_view bytes) {
  const ProfileReader file(bytes.substr(0, kReplyBufferSize));
  return file.ReadInt(kMainSection, kCountKey, 0);
}

// RFC 8259, strictly: one value and nothing after it but blanks; no trailing commas, no
// leading zeros, no raw control characters, only the defined escapes, well-formed UTF-8 and
// no lone surrogates. Nesting is bounded, so a deep document cannot exhaust the stack.
class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : text_(text) {}

  bool Valid() {
    SkipBlanks();
    if (!Value(0)) return false;
    SkipBlanks();
    return at_ == text_.size();
  }

 private:
  static constexpr int kDeepest = 64;

  bool AtEnd() const { return at_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[at_]; }
  bool Take(char c) {
    if (Peek() != c || AtEnd()) return false;
    ++at_;
    return true;
  }
  void SkipBlanks() {
    while (!AtEnd() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' ||
                        text_[at_] == '\r'))
      ++at_;
  }
  bool Literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  bool Value(int depth) {
    if (depth > kDeepest || AtEnd()) return false;
    switch (Peek()) {
      case '{': return Object(depth + 1);
      case '[': return Array(depth + 1);
      case '"': return String();
      case 't': return Literal("true");
      case 'f': return Literal("false");
      case 'n': return Literal("null");
      default: return Number();
    }
  }

  bool Object(int depth) {
    Take('{');
    SkipBlanks();
    if (Take('}')) return true;
    for (;;) {
      SkipBlanks();
      if (Peek() != '"' || !String()) return false;
      SkipBlanks();
      if (!Take(':')) return false;
      SkipBlanks();
      if (!Value(depth)) return false;
      SkipBlanks();
      if (Take('}')) return true;
      if (!Take(',')) return false;
    }
  }

  bool Array(int depth) {
    Take('[');
    SkipBlanks();
    if (Take(']')) return true;
    for (;;) {
      SkipBlanks();
      if (!Value(depth)) return false;
      SkipBlanks();
      if (Take(']')) return true;
      if (!Take(',')) return false;
    }
  }

  bool Digits() {
    const std::size_t start = at_;
    while (!AtEnd() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
    return at_ > start;
  }

  bool Number() {
    Take('-');
    if (Take('0')) {
      if (!AtEnd() && text_[at_] >= '0' && text_[at_] <= '9') return false;
    } else if (!Digits()) {
      return false;
    }
    if (Take('.') && !Digits()) return false;
    if (Take('e') || Take('E')) {
      if (!Take('+')) Take('-');
      if (!Digits()) return false;
    }
    return true;
  }

  bool Hex4(unsigned& value) {
    if (text_.size() - at_ < 4) return false;
    value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[at_++];
      value <<= 4;
      if (c >= '0' && c <= '9') value |= static_cast<unsigned>(c - '0');
      else if (c >= 'a' && c <= 'f') value |= static_cast<unsigned>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') value |= static_cast<unsigned>(c - 'A' + 10);
      else return false;
    }
    return true;
  }

  bool Escape() {
    if (AtEnd()) return false;
    const char c = text_[at_++];
    if (c != '\0' && std::strchr("\"\\/bfnrt", c) != nullptr) return true;
    unsigned unit = 0;
    if (c != 'u' || !Hex4(unit)) return false;
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;  // a trail surrogate alone
    if (unit < 0xD800 || unit > 0xDBFF) return true;
    unsigned trail = 0;
    return Take('\\') && Take('u') && Hex4(trail) && trail >= 0xDC00 && trail <= 0xDFFF;
  }

  // One UTF-8 character above U+007F.
  bool Utf8Character() {
    const std::size_t length = Utf8Length(text_, at_);
    at_ += length;
    return length != 0;
  }

  bool String() {
    Take('"');
    for (;;) {
      if (AtEnd()) return false;
      const auto c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c < 0x20) return false;
      if (c == '\\') {
        ++at_;
        if (!Escape()) return false;
      } else if (c >= 0x80) {
        if (!Utf8Character()) return false;
      } else {
        ++at_;
      }
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

// What a printer wrote, through a stream in memory.
template <typename Print>
std::string Printed(Print print) {
  char* buffer = nullptr;
  std::size_t length = 0;
  std::FILE* stream = open_memstream(&buffer, &length);
  Require(stream != nullptr);
  print(stream);
  Require(!std::ferror(stream) && std::fclose(stream) == 0);
  std::string text(buffer, length);
  std::free(buffer);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::uint32_t count = CountRead(bytes);
  if (count > kLargestFedCount && count <= kMaxCatalogueCount) return -1;  // kept out of the corpus
  CheckRun run;
  run.source = "PID.ini";
  LoadedTable table(bytes);
  run.report = CheckCatalogue(bytes, table.Table());
  run.exitStatus = ExitStatus(run.report);
  // The first record's camera and one that no record can carry.
  DriverCatalogue& loaded = table.Table();
  if (loaded.entries != nullptr) {
    const auto vid = static_cast<std::uint16_t>(loaded.entries[0].vid);
    const auto pid = static_cast<std::uint16_t>(loaded.entries[0].pid);
    run.devices.push_back({vid, pid, LinksForDevice(loaded, vid, pid)});
  }
  run.devices.push_back({0, 0, LinksForDevice(loaded, 0, 0)});

  const std::string json = Printed([&](std::FILE* out) { PrintJson(run, out); });
  Require(JsonReader(json).Valid());
  const std::string text = Printed([&](std::FILE* out) { PrintText(run, out); });
  Require(!RawControlShown(text));
  return 0;
}
