#include <gtest/gtest.h>

#include <string>

#include "app/link_label/link_logic.h"

namespace {

using linklogic::CommandBuffer;

bool NoLeadBytes(unsigned char) { return false; }
bool GbkLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

const std::string kUrl = "http://www.quenlix.com/drv/xp64.zip";

std::string Build(const std::string& commandTemplate, const std::string& url,
                  linklogic::LeadBytePredicate isLead = NoLeadBytes) {
  CommandBuffer out;
  out.fill('#');
  if (!linklogic::BuildCommandLine(commandTemplate, url, isLead, out)) return "<fails>";
  return std::string(out.data());
}

TEST(LinkCommandLine, PlaceholderForms) {
  struct Case { const char* name; std::string tmpl, expected; };
  const Case cases[] = {
      {"quoted, then arguments", "\"C:\\Web\\b.exe\"\"%1\" -new -x",
       "\"C:\\Web\\b.exe\" " + kUrl},
      {"quoted after a blank", "\"C:\\Web\\b.exe\" -nohome \"%1\"",
       "\"C:\\Web\\b.exe\" -nohome  " + kUrl},
      {"bare, then arguments", "C:\\Web\\b.exe -url %1 -x", "C:\\Web\\b.exe -url  " + kUrl},
      {"bare at the start", "%1", " " + kUrl},
      {"no placeholder", "C:\\Web\\b.exe", "C:\\Web\\b.exe " + kUrl},
      {"quoted wins over an earlier bare one", "b.exe %1 \"%1\"", "b.exe %1  " + kUrl},
      {"first quoted one", "b.exe \"%1\" \"%1\"", "b.exe  " + kUrl},
      {"%2 is no placeholder", "b.exe \"%2\"", "b.exe \"%2\" " + kUrl},
      {"empty template", "", " " + kUrl},
  };
  for (const Case& c : cases) EXPECT_EQ(Build(c.tmpl, kUrl), c.expected) << c.name;
}

TEST(LinkCommandLine, DoubleByteCharactersAreSearchedWhole) {
  // GBK "浏览器" as a folder name: lead bytes followed by trail bytes.
  const std::string folder = "\xE4\xAF\xC0\xC0\xC6\xF7";
  EXPECT_EQ(Build("C:\\" + folder + "\\b.exe \"%1\"", kUrl, GbkLeadByte),
            "C:\\" + folder + "\\b.exe  " + kUrl);

  // A lead byte swallows the quotation mark after it, so only the bare form is found.
  const std::string leadThenQuote = "b\x81\"%1\"";
  EXPECT_EQ(Build(leadThenQuote, kUrl, GbkLeadByte), "b\x81\" " + kUrl);
  EXPECT_EQ(Build(leadThenQuote, kUrl, NoLeadBytes), "b\x81 " + kUrl);

  // A lead byte swallows the percent sign: no placeholder at all.
  const std::string leadThenPercent = "b\x81%1";
  EXPECT_EQ(Build(leadThenPercent, kUrl, GbkLeadByte), leadThenPercent + " " + kUrl);
  EXPECT_EQ(Build(leadThenPercent, kUrl, NoLeadBytes), "b\x81 " + kUrl);

  // A lead byte with nothing after it ends the search without reading past the text.
  EXPECT_EQ(Build("b.exe\x81", kUrl, GbkLeadByte), "b.exe\x81 " + kUrl);
}

TEST(LinkCommandLine, ResultMustFitTheBufferWithItsTerminator) {
  const std::size_t room = linklogic::kCommandBufferSize - 1;  // characters before the NUL
  const std::string longest259(259, 'u');
  EXPECT_EQ(Build(std::string(259, 't'), longest259).size(), room);
  EXPECT_EQ(Build(std::string(260, 't'), longest259), "<fails>");
  EXPECT_EQ(Build("", std::string(room - 1, 'u')).size(), room);
  EXPECT_EQ(Build("", std::string(room, 'u')), "<fails>");
  EXPECT_EQ(Build("b.exe", std::string(100000, 'u')), "<fails>");
  // Only what is kept of the template counts.
  const std::string cutLong = std::string(100, 't') + "%1" + std::string(400, 'x');
  EXPECT_EQ(Build(cutLong, std::string(400, 'u')).size(), 100u + 1 + 400);
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
  const std::size_t suffix = std::string("\\shell\\open\\command").size();
  const std::size_t room = linklogic::kCommandBufferSize - 1;
  EXPECT_TRUE(linklogic::BuildOpenCommandKey(std::string(room - suffix, 'k'), out));
  EXPECT_EQ(std::string(out.data()).size(), room);
  EXPECT_FALSE(linklogic::BuildOpenCommandKey(std::string(room - suffix + 1, 'k'), out));
  EXPECT_EQ(out[0], '\0');
}

TEST(LinkAddress, WebAddressesAreAccepted) {
  for (const char* url : {"http://www.quenlix.com/drv/xp32.zip", "https://h/p?a=1&b=%20",
                          "HTTP://H/", "hTTpS://x", "http://\xD6\xD0\xCE\xC4/driver.zip"}) {
    EXPECT_TRUE(linklogic::IsOpenableWebAddress(url)) << url;
  }
}

TEST(LinkAddress, EverythingElseIsRefused) {
  const std::string refused[] = {
      "file:///C:/Windows/system32/cmd.exe",
      "C:\\Windows\\system32\\calc.exe",
      "cmd.exe",
      "\\\\server\\share\\setup.exe",
      "//server/share",
      "http://host/a b",
      "http://host/\"x",
      "http://host/a\tb",
      "http://host/\r\ncalc",
      "http://host/\x7f",
      std::string("http://host/\0x", 14),
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

}  // namespace
