#pragma once
// What the bytes of an address are in the code pages that meet it: the catalogue is narrow
// text, handed on in the system's ANSI code page (GBK on a Chinese system).
#include <string_view>

bool HasNonAscii(std::string_view text);
// Code page 936 by its byte structure: ASCII, 0x80 alone, or a lead byte 0x81-0xFE followed
// by a trail byte 0x40-0x7E or 0x80-0xFE.
bool IsGbkText(std::string_view text);
// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8Text(std::string_view text);
