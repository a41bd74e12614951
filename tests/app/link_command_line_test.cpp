#include <gtest/gtest.h>

#include <string>

#include "app/link_label/link_logic.h"

namespace {

using linklogic::CommandBuffer;

bool NoLeadBytes(unsigned char) { return false; }
bool GbkLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

const std::string kUrl = "http://www.quenlix.com/drv/xp64.zip";
const std::string kQuotedUrl = "\"" + kUrl + "\"";

std::string Build(const std::string& commandTemplate, const std::string& url,
                  linklogic::LeadBytePredicate isLead = NoLeadBytes) {
  CommandBuffer out;
  out.fill('#');
  if (!linklogic::BuildCommandLine(commandTemplate, url, isLead, out)) {
    return out[0] == '\0' ? "<fails>" : "<fails, buffer not emptied>";
  }
  return std::string(out.data());
}

TEST(LinkCommandLine, PlaceholderForms) {
  struct Case { const char* name; std::string tmpl, expected; };
  const Case cases[] = {
      {"quoted, then arguments", "\"C:\\Web\\b.exe\"\"%1\" -new -x",
       "\"C:\\Web\\b.exe\" " + kQuotedUrl},
      {"quoted after a blank", "\"C:\\Web\\b.exe\" -nohome \"%1\"",
       "\"C:\\Web\\b.exe\" -nohome  " + kQuotedUrl},
      {"bare, then arguments", "C:\\Web\\b.exe -url %1 -x", "C:\\Web\\b.exe -url  " + kQuotedUrl},
      {"bare at the start", "%1", " " + kQuotedUrl},
      {"no placeholder", "C:\\Web\\b.exe", "C:\\Web\\b.exe " + kQuotedUrl},
      {"quoted wins over an earlier bare one", "b.exe %1 \"%1\"", "b.exe %1  " + kQuotedUrl},
      {"first quoted one", "b.exe \"%1\" \"%1\"", "b.exe  " + kQuotedUrl},
      {"%2 is no placeholder", "b.exe \"%2\"", "b.exe \"%2\" " + kQuotedUrl},
      {"empty template", "", " " + kQuotedUrl},
  };
  for (const Case& c : cases) EXPECT_EQ(Build(c.tmpl, kUrl), c.expected) << c.name;
}

TEST(LinkCommandLine, NothingInTheUrlCanEndItsArgument) {
  // Through cmd.exe, & and | start a second command unless they stand inside quotation marks.
  EXPECT_EQ(Build("cmd /c start \"\" %1", "http://h/a&b|c^d%20e"),
            "cmd /c start \"\"  \"http://h/a&b|c^d%20e\"");
  for (const char* url : {"http://h/\"&calc", "http://h/\r\ncalc", "http://h/\tx", "http://h/\x7f"}) {
    EXPECT_EQ(Build("b.exe \"%1\"", url), "<fails>") << url;
  }
}

TEST(LinkCommandLine, DoubleByteCharactersAreSearchedWhole) {
  // GBK "浏览器" as a folder name: lead bytes followed by trail bytes.
  const std::string folder = "\xE4\xAF\xC0\xC0\xC6\xF7";
  EXPECT_EQ(Build("C:\\" + folder + "\\b.exe \"%1\"", kUrl, GbkLeadByte),
            "C:\\" + folder + "\\b.exe  " + kQuotedUrl);

  // A lead byte swallows the quotation mark after it, so only the bare form is found.
  const std::string leadThenQuote = "b\x81\"%1\"";
  EXPECT_EQ(Build(leadThenQuote, kUrl, GbkLeadByte), "b\x81\" " + kQuotedUrl);
  EXPECT_EQ(Build(leadThenQuote, kUrl, NoLeadBytes), "b\x81 " + kQuotedUrl);

  // A lead byte swallows the percent sign: no placeholder at all.
  const std::string leadThenPercent = "b\x81%1";
  EXPECT_EQ(Build(leadThenPercent, kUrl, GbkLeadByte), leadThenPercent + " " + kQuotedUrl);
  EXPECT_EQ(Build(leadThenPercent, kUrl, NoLeadBytes), "b\x81 " + kQuotedUrl);

  // A lead byte with nothing after it ends the search without reading past the text.
  EXPECT_EQ(Build("b.exe\x81", kUrl, GbkLeadByte), "b.exe\x81 " + kQuotedUrl);
}

TEST(LinkCommandLine, ResultMustFitTheBufferWithItsTerminator) {
  constexpr std::size_t kRoom = 519;  // characters before the NUL
  const std::string longest259(259, 'u');
  // Template, blank, two quotation marks, URL.
  EXPECT_EQ(Build(std::string(257, 't'), longest259).size(), kRoom);
  EXPECT_EQ(Build(std::string(258, 't'), longest259), "<fails>");
  EXPECT_EQ(Build("", std::string(kRoom - 3, 'u')).size(), kRoom);
  EXPECT_EQ(Build("", std::string(kRoom - 2, 'u')), "<fails>");
  EXPECT_EQ(Build("b.exe", std::string(100000, 'u')), "<fails>");
  // Only what is kept of the template counts.
  const std::string cutLong = std::string(100, 't') + "%1" + std::string(400, 'x');
  EXPECT_EQ(Build(cutLong, std::string(400, 'u')).size(), 100u + 1 + 400 + 2);
}

TEST(LinkCommandLine, FailureLeavesAnEmptyString) {
  CommandBuffer out;
  out.fill('#');
  EXPECT_FALSE(linklogic::BuildCommandLine(std::string(600, 't'), kUrl, NoLeadBytes, out));
  EXPECT_EQ(out[0], '\0');
}

TEST(LinkCommandLine, OpenCommandKeyOfTheFileType) {
  CommandBuffer out;
  ASSERT_TRUE(linklogic::BuildOpenCommandKey("htmlfile", out));
  EXPECT_STREQ(out.data(), "htmlfile\\shell\\open\\command");
  // 500 characters, the 19 of \shell\open\command and the ending zero fill the 520-byte buffer.
  EXPECT_TRUE(linklogic::BuildOpenCommandKey(std::string(500, 'k'), out));
  EXPECT_EQ(std::string(out.data()).size(), 519u);
  EXPECT_FALSE(linklogic::BuildOpenCommandKey(std::string(501, 'k'), out));
  EXPECT_EQ(out[0], '\0');
}

TEST(LinkAddress, OnlyWebAddressesAreOpened) {
  for (const char* url : {"http://www.quenlix.com/drv/xp32.zip", "https://h/p?a=1&b=%20",
                          "HTTP://H/", "hTTpS://x", "http://host/PC Camera.zip"}) {
    EXPECT_TRUE(linklogic::IsOpenableWebAddress(url)) << url;
  }
  const std::string refused[] = {
      "file:///C:/Windows/system32/cmd.exe",
      "C:\\Windows\\system32\\calc.exe",
      "cmd.exe",
      "\\\\server\\share\\setup.exe",
      "//server/share",
      " http://host/",
      "ftp://host/",
      "mailto:a@b",
      "javascript:alert(1)",
      "http:host",
      "http:/host",
      "http://",
      "https://",
      "httpx://host",
      "",
  };
  for (const std::string& url : refused) {
    EXPECT_FALSE(linklogic::IsOpenableWebAddress(url)) << url;
  }
}

TEST(LinkAddress, EncodedOnlyWhereItCannotStandInOneArgument) {
  struct Case { std::string url, encoded; };
  const Case cases[] = {
      {"http://host/PC Camera.zip", "http://host/PC%20Camera.zip"},
      {"http://h/\"x\"", "http://h/%22x%22"},
      {"http://h/a\tb\r\n\x01\x1f\x7f", "http://h/a%09b%0D%0A%01%1F%7F"},
      {std::string("http://h/\0x", 11), "http://h/%00x"},
      // Left for the shell to widen with the ANSI code page, as the browser expects them.
      {"http://\xD6\xD0\xCE\xC4/\x80\xFF", "http://\xD6\xD0\xCE\xC4/\x80\xFF"},
      {"http://h/a\\b.zip", "http://h/a\\b.zip"},
      {"http://h/<>^`{|}", "http://h/<>^`{|}"},
      // GBK characters whose trail bytes are '\', '^', '`', '{', '|' and '}'.
      {"http://h/\xD5\x5C\x81\x5E\x81\x60\x81\x7B\x81\x7C\x81\x7D",
       "http://h/\xD5\x5C\x81\x5E\x81\x60\x81\x7B\x81\x7C\x81\x7D"},
      // What a URL may hold stays as it is, escapes included.
      {"HTTPS://u:p@h:8080/a-b_c.d~e/(f)!*';:@&=+$,[]?q=%2f%41&r=1#frag",
       "HTTPS://u:p@h:8080/a-b_c.d~e/(f)!*';:@&=+$,[]?q=%2f%41&r=1#frag"},
      // A % that starts no escape: a command interpreter would expand %PATH%.
      {"http://h/%PATH%", "http://h/%25PATH%25"},
      {"http://h/100%", "http://h/100%25"},
      {"http://h/%4", "http://h/%254"},
      {"http://h/%4g%g4", "http://h/%254g%25g4"},
  };
  for (const Case& c : cases) EXPECT_EQ(linklogic::EncodeWebAddress(c.url), c.encoded) << c.url;
}

}  // namespace
