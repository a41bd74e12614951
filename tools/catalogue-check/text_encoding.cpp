#include "text_encoding.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

unsigned char Byte(std::string_view text, std::size_t at) {
  return static_cast<unsigned char>(text[at]);
}

}  // namespace

bool HasNonAscii(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

bool IsGbkText(std::string_view text) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    const unsigned char lead = Byte(text, at);
    if (lead <= 0x80) continue;
    if (lead == 0xFF || at + 1 == text.size()) return false;
    const unsigned char trail = Byte(text, ++at);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
  }
  return true;
}

bool IsUtf8Text(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const unsigned char lead = Byte(text, at);
    std::size_t length = 0;
    unsigned long value = 0;
    if (lead < 0x80) {
      ++at;
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, value = lead & 0x1Fu;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, value = lead & 0x0Fu;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, value = lead & 0x07u;
    else return false;
    if (at + length > text.size()) return false;
    for (std::size_t i = 1; i < length; ++i) {
      const unsigned char next = Byte(text, at + i);
      if ((next & 0xC0) != 0x80) return false;
      value = value << 6 | (next & 0x3Fu);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return false;
    at += length;
  }
  return true;
}

TextEncoding ReadAs(std::string_view text) {
  return IsUtf8Text(text) ? TextEncoding::kUtf8 : TextEncoding::kGbk;
}

std::size_t CharacterLength(std::string_view text, std::size_t at, TextEncoding encoding) {
  const unsigned char lead = Byte(text, at);
  const std::size_t left = text.size() - at;
  if (encoding == TextEncoding::kUtf8) {
    // Well-formed already, so the lead byte alone tells the length.
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return length <= left ? length : 1;
  }
  if (lead <= 0x80 || lead == 0xFF || left < 2) return 1;
  const unsigned char trail = Byte(text, at + 1);
  return trail < 0x40 || trail == 0x7F || trail == 0xFF ? 1 : 2;
}

bool IsControlCharacter(std::string_view text, std::size_t at, std::size_t length) {
  const unsigned char first = Byte(text, at);
  if (length == 1 && (first < 0x20 || first == 0x7F || (first >= 0x80 && first <= 0x9F)))
    return true;
  const auto utf8C1 = [&](std::size_t lead) {
    return lead + 1 < text.size() && Byte(text, lead) == 0xC2 && Byte(text, lead + 1) >= 0x80 &&
           Byte(text, lead + 1) <= 0x9F;
  };
  for (std::size_t i = at; i < at + length; ++i)
    if (utf8C1(i) || (i > 0 && utf8C1(i - 1))) return true;
  return false;
}

// A file's bytes for a terminal: each byte of a control character (C0, DEL, C1) as \xHH, so
// that an escape sequence in the file shows as text instead of acting on the terminal. Judged
// per character, so a GBK character whose trail byte is 0x80-0x9F stays as it is.
std::string ShownOnTerminal(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const TextEncoding encoding = ReadAs(text);
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = CharacterLength(text, at, encoding);
    const std::string_view character = text.substr(at, length);
    const bool control = IsControlCharacter(text, at, length);
    at += length;
    if (!control) {
      out += character;
      continue;
    }
    for (char c : character) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
      out += escape;
    }
  }
  return out;
}
