#include "report_checks.h"

#include <cstddef>
#include <cstring>

namespace {

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

}  // namespace

// Every shown text stands between bytes below 0x40, which neither code page joins to a
// character, so the report is judged in runs split at those bytes, each run read as the
// report reads a text.
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


namespace {

// Nesting is bounded, so that a deep document cannot exhaust the stack.
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

}  // namespace

bool IsStrictJson(std::string_view json) { return JsonReader(json).Valid(); }
