#include "app/link_label/link_logic.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <limits>

#include "common/ascii.h"

namespace linklogic {
namespace {

constexpr std::string_view kQuotedPlaceholder = "\"%1\"";
constexpr std::string_view kBarePlaceholder = "%1";
constexpr std::string_view kOpenCommandSuffix = "\\shell\\open\\command";
constexpr std::string_view kWebSchemes[] = {"http://", "https://"};
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;

// Finds the needle at a character start; a lead byte swallows the byte after it.
std::size_t FindAtCharStart(std::string_view text, std::string_view needle,
                            LeadBytePredicate isLeadByte) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, needle.size(), needle) == 0) return i;
    const bool twoBytes = isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
    i += twoBytes ? 2 : 1;
  }
  return std::string_view::npos;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  return std::equal(prefix.begin(), prefix.end(), text.begin(),
                    [](char p, char t) { return p == LowerAscii(t); });
}

bool IsControl(unsigned char byte) { return byte < kFirstPrintable || byte == kDelete; }

// What cannot stand inside one quoted argument, and what a browser never sends raw.
bool MustEncode(unsigned char byte) { return IsControl(byte) || byte == ' ' || byte == '"'; }

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (LowerAscii(c) >= 'a' && LowerAscii(c) <= 'f');
}

bool StartsEscape(std::string_view text, std::size_t at) {
  return text.size() - at > 2 && text[at] == '%' && IsHexDigit(text[at + 1]) &&
         IsHexDigit(text[at + 2]);
}

// Joins the parts into the buffer with a terminator; leaves it empty if they do not fit.
bool JoinInto(CommandBuffer& out, std::initializer_list<std::string_view> parts) {
  std::size_t total = 0;
  for (std::string_view part : parts) total += part.size();
  out[0] = '\0';
  if (total >= out.size()) return false;
  char* cursor = out.data();
  for (std::string_view part : parts) {
    if (!part.empty()) std::memcpy(cursor, part.data(), part.size());
    cursor += part.size();
  }
  *cursor = '\0';
  return true;
}

std::int32_t Saturate(std::int64_t value) {
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::clamp(value, kMin, kMax));
}

// Moves both ends toward each other by half the surplus, rounded toward zero.
void CentreSpan(std::int32_t& low, std::int32_t& high, std::int32_t extent) {
  const std::int64_t surplus = static_cast<std::int64_t>(high) - low - extent;
  const std::int64_t half = surplus / 2;
  low = Saturate(low + half);
  high = Saturate(high - half);
}

}  // namespace

Color ChooseTextColor(const LinkColors& colors, bool hovering, bool visited) {
  if (hovering) return colors.hover;
  if (visited) return colors.visited;
  return colors.link;
}

Color ResolveHoverColor(Color requested, Color systemHighlight) {
  return requested == kSystemHighlightRequest ? systemHighlight : requested;
}

bool PointInRect(const Rect& rect, Point point) {
  return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
         point.y < rect.bottom;
}

HoverStep NextHoverStep(bool hovering, Point pointer, const Rect& client) {
  // A move reaches a label that is not hovering only while the pointer is over it (or while it
  // still holds the capture after a click), so any such move starts hovering.
  if (!hovering) return HoverStep{true, true, false, true};
  if (PointInRect(client, pointer)) return HoverStep{true, false, false, false};
  return HoverStep{false, false, true, true};
}

bool OpenSucceeded(std::intptr_t result) { return result > kLastFailureResult; }

bool IsOpenableWebAddress(std::string_view url) {
  const auto scheme = std::find_if(std::begin(kWebSchemes), std::end(kWebSchemes),
                                   [url](std::string_view s) { return StartsWithNoCase(url, s); });
  if (scheme == std::end(kWebSchemes)) return false;
  return url.size() > scheme->size();  // not a scheme without an address
}

std::string EncodeWebAddress(std::string_view url) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(url.size());
  for (std::size_t i = 0; i < url.size(); ++i) {
    const auto byte = static_cast<unsigned char>(url[i]);
    if (MustEncode(byte) || (byte == '%' && !StartsEscape(url, i))) {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0xF];
    } else {
      encoded += static_cast<char>(byte);
    }
  }
  return encoded;
}

std::size_t PlaceholderCut(std::string_view commandTemplate, LeadBytePredicate isLeadByte) {
  const std::size_t quoted = FindAtCharStart(commandTemplate, kQuotedPlaceholder, isLeadByte);
  if (quoted != std::string_view::npos) return quoted;
  const std::size_t bare = FindAtCharStart(commandTemplate, kBarePlaceholder, isLeadByte);
  if (bare != std::string_view::npos) return bare;
  return commandTemplate.size();
}

bool BuildCommandLine(std::string_view commandTemplate, std::string_view url,
                      LeadBytePredicate isLeadByte, CommandBuffer& out) {
  const std::string_view program =
      commandTemplate.substr(0, PlaceholderCut(commandTemplate, isLeadByte));
  const bool endsArgument = std::any_of(url.begin(), url.end(), [](char c) {
    return c == '"' || IsControl(static_cast<unsigned char>(c));
  });
  if (endsArgument) {
    out[0] = '\0';
    return false;
  }
  return JoinInto(out, {program, " \"", url, "\""});
}

bool BuildOpenCommandKey(std::string_view fileType, CommandBuffer& out) {
  return JoinInto(out, {fileType, kOpenCommandSuffix});
}

Rect FitRect(std::uint32_t style, const Rect& old, Size textExtent) {
  Rect fitted = old;
  if (style & kStyleCenterImage) {
    CentreSpan(fitted.top, fitted.bottom, textExtent.cy);
  } else {
    fitted.bottom = Saturate(static_cast<std::int64_t>(fitted.top) + textExtent.cy);
  }
  if (style & kStyleCenter) {
    CentreSpan(fitted.left, fitted.right, textExtent.cx);
  } else if (style & kStyleRight) {
    fitted.left = Saturate(static_cast<std::int64_t>(fitted.right) - textExtent.cx);
  } else {
    fitted.right = Saturate(static_cast<std::int64_t>(fitted.left) + textExtent.cx);
  }
  return fitted;
}

}  // namespace linklogic
