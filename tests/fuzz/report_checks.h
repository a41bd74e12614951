#pragma once
// What catalogue-check's reports promise on every input, judged for its fuzz target. Built
// without the fuzzer's coverage: these readers' own branches are nothing to steer by, and a
// longer report would otherwise look like new ground to the fuzzer.
#include <string_view>

// One JSON value under RFC 8259, strictly: nothing after it but blanks; no trailing commas,
// no leading zeros, no raw control characters, only the defined escapes, well-formed UTF-8
// and no lone surrogates.
bool IsStrictJson(std::string_view json);

// Whether the text report shows a control character raw, against what it promises a
// terminal: no C0 control but its own line feeds (it writes no tab or carriage return), no
// DEL, no pair 0xC2 0x80-0x9F anywhere (C1 to a UTF-8 terminal, also across characters), and
// no byte 0x80-0x9F standing alone (C1 to an 8-bit terminal). The report shows each text as
// UTF-8 when it is well-formed UTF-8 and as GBK otherwise, where a byte 0x80-0x9F after a lead
// byte 0x81-0xFE is a trail byte and printed as it is. (GBK text that happens to be
// well-formed UTF-8 is judged as UTF-8: the report's bytes cannot tell the two apart.)
bool RawControlShown(std::string_view report);
