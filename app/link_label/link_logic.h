// The link label's decisions that need no window: colors, hover, the URL check, the command
// line of the registered HTML program and the fitted rectangle. Plain types only, so that the
// native build tests them too.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace linklogic {

using Color = std::uint32_t;  // 0x00BBGGRR, as COLORREF

constexpr Color kDefaultLinkColor = 0x00EE0000;     // RGB(0, 0, 238)
constexpr Color kDefaultVisitedColor = 0x008B1A55;  // RGB(85, 26, 139)
constexpr Color kSystemHighlightRequest = 0xFFFFFFFF;  // -1 as a COLORREF

struct LinkColors {
  Color link = kDefaultLinkColor;
  Color visited = kDefaultVisitedColor;
  Color hover = 0;
};

// Hover wins over visited, visited over link.
Color ChooseTextColor(const LinkColors& colors, bool hovering, bool visited);

// The hover value that SetTextColors stores: -1 asks for the system highlight color.
Color ResolveHoverColor(Color requested, Color systemHighlight);

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

struct Size {
  std::int32_t cx = 0;
  std::int32_t cy = 0;
};

// Left and top edges inside, right and bottom edges outside.
bool PointInRect(const Rect& rect, Point point);

struct HoverStep {
  bool hovering = false;
  bool takeCapture = false;
  bool releaseCapture = false;
  bool redraw = false;
};

// One mouse move received by the label, with the pointer in client coordinates.
HoverStep NextHoverStep(bool hovering, Point pointer, const Rect& client);

// A shell or WinExec result above 32 is success (compared as a signed integer).
constexpr std::intptr_t kLastFailureResult = 32;
bool OpenSucceeded(std::intptr_t result);

// Only an http:// or https:// address may reach the shell: the address comes from an
// unauthenticated download.
bool IsOpenableWebAddress(std::string_view url);

// The address with what cannot stand inside one quoted command-line argument percent-encoded:
// control characters, the blank and '"', and a '%' that starts no escape (a command interpreter
// would expand %name%). Every other byte stays, bytes above 0x7F and '\' included: the shell
// widens them with the ANSI code page as the browser expects, and each encoded byte is below
// 0x40, so none can be the trail byte of a double-byte character.
std::string EncodeWebAddress(std::string_view url);

constexpr std::size_t kCommandBufferSize = 520;
using CommandBuffer = std::array<char, kCommandBufferSize>;

// True when the byte starts a two-byte character of the ANSI code page.
using LeadBytePredicate = bool (*)(unsigned char);

// Where the command template is cut before the URL is appended: the opening quotation mark of
// a quoted "%1", else the percent sign of a bare %1, else the template's end. A lead byte and
// its trail byte count as one character, so no match starts on a trail byte.
std::size_t PlaceholderCut(std::string_view commandTemplate, LeadBytePredicate isLeadByte);

// Template up to its placeholder, one blank, the URL in quotation marks, so that no character
// of it can end the argument or start a second command. False (and an empty buffer) when the
// URL holds a quotation mark or a control character, or the result does not fit with its
// terminator.
bool BuildCommandLine(std::string_view commandTemplate, std::string_view url,
                      LeadBytePredicate isLeadByte, CommandBuffer& out);

// "<fileType>\shell\open\command" into the buffer; false (and an empty buffer) if it does not fit.
bool BuildOpenCommandKey(std::string_view fileType, CommandBuffer& out);

// Static control style bits that the fit reads, tested one by one.
constexpr std::uint32_t kStyleCenter = 0x1;
constexpr std::uint32_t kStyleRight = 0x2;
constexpr std::uint32_t kStyleCenterImage = 0x200;

// The window rectangle (parent client coordinates) that fits the text's extent.
Rect FitRect(std::uint32_t style, const Rect& old, Size textExtent);

}  // namespace linklogic
