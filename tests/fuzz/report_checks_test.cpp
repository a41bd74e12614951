// The fuzz target's judges of catalogue-check's reports: a judge that lets a slip through makes
// every fuzzing run pass, so each is held to crafted reports here. Every text is handed over in
// a heap block of its exact size, as the fuzzer hands its input, so that a read past the end is
// AddressSanitizer's error.
#include "report_checks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Row {
  const char* name;
  std::string text;
  bool expected;
};

bool OnExactBlock(bool (*judge)(std::string_view), const std::string& text) {
  const std::unique_ptr<char[]> block(new char[text.size()]);
  std::memcpy(block.get(), text.data(), text.size());
  return judge(std::string_view(block.get(), text.size()));
}

// Arrays and objects by turns, `levels` deep, around a 0.
std::string Nested(int levels) {
  std::string open, close;
  for (int i = 0; i < levels; ++i) {
    open += i % 2 == 0 ? "[" : "{\"\":";
    close.insert(0, i % 2 == 0 ? "]" : "}");
  }
  return open + "0" + close;
}

void ExpectRows(bool (*judge)(std::string_view), const std::vector<Row>& rows) {
  for (const Row& row : rows)
    EXPECT_EQ(OnExactBlock(judge, row.text), row.expected) << row.name;
}

TEST(ReportChecks, StrictJson) {
  ExpectRows(IsStrictJson, {
      // Accepted.
      {"literals, blanks of each kind", " \t\r\n[true ,\tfalse\r,\nnull] \t\r\n", true},
      {"objects", R"({"a":{},"b":[],"c":{"d":1}})", true},
      {"numbers", "[0,-0,9,90,-1.05,0.5e10,1E+5,1e-5,0e0]", true},
      {"every short escape", R"("\"\\\/\b\f\n\r\t")", true},
      {"\\u with every digit kind, around the surrogates",
       R"(["\u09af\u0AF9","\uD7FF","\uE000","\ud800\udc00","\uDBFF\uDFFF"])", true},
      {"UTF-8 at each edge of each length, DEL and U+0080 raw",
       "\"\x7F \xC2\x80\xC2\x81\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF"
       "\xF0\x90\x80\x80\xF1\x80\x80\x80\xF4\x8F\xBF\xBF\"",
       true},
      {"nested 64 deep", Nested(64), true},
      {"a number ending the input", "0", true},
      // Rejected.
      {"empty", "", false},
      {"blanks alone", " \n", false},
      {"nested 65 deep", Nested(65), false},
      {"garbage after the value", "{} x", false},
      {"two values", "1 2", false},
      {"trailing comma in an array", "[1,]", false},
      {"trailing comma in an object", R"({"a":1,})", false},
      {"no value after a key", R"({"a":})", false},
      {"no colon", R"({"a" 1})", false},
      {"unquoted key", R"({a":1})", false},
      {"no key", R"({:1})", false},
      {"no comma in an object", R"({"a":1 "b":2})", false},
      {"no comma in an array", "[1 2]", false},
      {"unclosed array", "[1", false},
      {"misspelt literals", "[tRue,fAlse,nUll]", false},
      {"leading zero", "00", false},
      {"leading zero before 9", "-09", false},
      {"plus sign", "+1", false},
      {"no integer part", ".5", false},
      {"no fraction digits", "1.", false},
      {"no exponent digits", "1e", false},
      {"exponent sign alone", "1E+", false},
      {"minus alone", "-", false},
      {"unclosed string", R"("abc)", false},
      {"raw control in a string", "\"a\x1F\"", false},
      {"raw line feed in a string", "\"a\nb\"", false},
      {"escape not JSON's", R"("\U0041")", false},
      {"escaped NUL byte", std::string("\"\\\0\"", 4), false},
      {"\\u with a digit not hex", R"("\u00G0")", false},
      {"\\u with a digit not hex, lower case", R"("\u00g0")", false},
      {"\\u with a sign", R"("\u+041")", false},
      {"escape cut at the end", "\"\\", false},
      {"\\u cut at the end", R"("\u123)", false},
      {"lone trail surrogate", R"("\uDC00")", false},
      {"lone trail surrogate, lower case", R"("\udfff")", false},
      {"lone lead surrogate", R"("\uD800")", false},
      {"two lead surrogates", R"("\uDBFF\uDBFF")", false},
      {"lead surrogate, then above the trails", R"("\uD800\uE000")", false},
      {"byte 0x80 alone", "\"\x80\"", false},
      {"continuation byte 0xC0", "\"\xC2\xC0\"", false},
      {"lead byte cut by the closing quote", "\"\xC2\"", false},
      {"a 3-byte form without a lead", "\"\x81\x80\x80\"", false},
      {"a 4-byte form without a lead", "\"\x81\x80\x80\x80\"", false},
      {"a 4-byte form under a 5-byte lead", "\"\xF9\x80\x80\x80\"", false},
      {"overlong 2-byte lead 0xC1", "\"\xC1\xBF\"", false},
      {"overlong 3-byte form of U+07FF", "\"\xE0\x9F\xBF\"", false},
      {"overlong 4-byte form of U+FFFF", "\"\xF0\x8F\xBF\xBF\"", false},
      {"U+D800 in UTF-8", "\"\xED\xA0\x80\"", false},
      {"U+DFFF in UTF-8", "\"\xED\xBF\xBF\"", false},
      {"above U+10FFFF", "\"\xF4\x90\x80\x80\"", false},
      {"cut at the end of the input", "\"\xE4\xB8", false},
  });
}

TEST(ReportChecks, RawControlShown) {
  ExpectRows(RawControlShown, {
      // Not shown.
      {"empty", "", false},
      {"printable ASCII and line feeds", "a ~\n\n", false},
      {"UTF-8 text that read as GBK would leave a bare 0x80",
       "\xC2\xA0\xC3\x80" "ab\xE4\xB8\x80", false},
      {"a bare 0xA0, GBK pairs with trails at each edge",
       "\xA0 \xC1\x80\xC2\x41\x81@\x81~\xFE\x9F", false},
      {"a lead 0xC2 at the end", "a\xC2", false},
      // Shown.
      {"NUL", std::string("\0", 1), true},
      {"tab", "a\tb", true},
      {"carriage return", "a\r\n", true},
      {"0x1F", "\x1F", true},
      {"DEL", "\x7F", true},
      {"U+0080 in UTF-8", "\xC2\x80", true},
      {"U+009F in UTF-8", "\xC2\x9F", true},
      {"pair 0xC2 0x80 as a GBK character", "\xC2\x80\xFF", true},
      {"bare 0x80", "\x80", true},
      {"bare 0x9F", "\x9F", true},
      {"bare 0x80 after a blank", "\n\x80", true},
      {"two bytes 0x80, neither a lead", "\x80\x80", true},
      {"0x80 after 0xFF, not a lead", "\xFF\x80", true},
      {"UTF-8 text cut in its last character", "\xE4\xB8\x80\xE4", true},
      {"lead 0x81 at the end", "\x81", true},
      {"lead 0x81 before 0xFF, not a trail", "\x81\xFF", true},
      {"lead 0x81 cut by a byte below 0x40", "\x81?", true},
  });
}

}  // namespace
