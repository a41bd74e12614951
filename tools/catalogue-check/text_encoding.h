#pragma once
// What the bytes of an address are in the code pages that meet it: the catalogue is narrow
// text, handed on in the system's ANSI code page (GBK on a Chinese system).
#include <cstddef>
#include <string>
#include <string_view>

bool HasNonAscii(std::string_view text);
// Code page 936 by its byte structure: ASCII, 0x80 alone, or a lead byte 0x81-0xFE followed
// by a trail byte 0x40-0x7E or 0x80-0xFE.
bool IsGbkText(std::string_view text);
// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8Text(std::string_view text);

// How a report reads a text, as the address checks judge it: well-formed UTF-8 as UTF-8, any
// other text as GBK, character by character.
enum class TextEncoding { kUtf8, kGbk };
TextEncoding ReadAs(std::string_view text);
// The number of bytes of the character that starts at `at`: a GBK lead byte with a trail byte
// is one character; a byte that starts no character stands alone.
std::size_t CharacterLength(std::string_view text, std::size_t at, TextEncoding encoding);
// Whether the character of `length` bytes at `at` must not reach a terminal as it is: a C0
// control, DEL, a byte 0x80-0x9F standing alone (C1 to an 8-bit terminal), or a character with
// a byte of a pair 0xC2 0x80-0x9F, which a UTF-8 terminal reads as U+0080-U+009F wherever it
// stands, also across two GBK characters.
bool IsControlCharacter(std::string_view text, std::size_t at, std::size_t length);

// The text for a terminal: each byte of a control character (as IsControlCharacter judges it) as
// \xHH, so that an escape sequence shows as text instead of acting on the terminal.
std::string ShownOnTerminal(std::string_view text);
