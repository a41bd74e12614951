// The reading rules the catalogue relies on, on the portable reader.
#include "catalogue/profile_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string Text(const ProfileReader& file, const char* section, const char* key,
                 std::size_t size = 260) {
  std::string out(size, '\x7f');
  std::size_t length = file.ReadText(section, key, "", &out[0], size);
  EXPECT_EQ(out[length], '\0');
  return out.substr(0, length);
}

TEST(ProfileReaderIntegers, DecimalAndHexadecimalReadUpToTheFirstStrangeCharacter) {
  // Every key is named apart from the others: names ignore letter case and the first key wins.
  struct Case {
    const char* key;
    const char* value;
    std::uint32_t read;
  };
  const Case kCases[] = {
      {"d", "42", 42u},
      {"h", "0x2A", 42u},
      {"hu", "0X2b", 43u},
      {"t", "12abc", 12u},
      {"t2", "12a3", 12u},
      {"j", "abc", 0u},
      {"plus", "+7", 7u},
      {"wrap", "4294967297", 1u},
      {"q", "\"42\"", 42u},
      {"hx", "0x1G", 1u},
      {"sp", " \t 17 \t", 17u},
      // A minus sign saturates at -2^31 instead of wrapping: no negative value reads as a count
      // from 1 to 65535 or as an id a device can carry.
      {"m1", "-1", 0xFFFFFFFFu},
      {"m65535", "-65535", 0xFFFF0001u},
      {"m2p31", "-2147483648", 0x80000000u},
      {"m2p31b", "-2147483649", 0x80000000u},
      {"m2p32", "-4294967295", 0x80000000u},
      {"mhuge", "-99999999999", 0x80000000u},
      {"mblank", " -5", 0xFFFFFFFBu},
      {"mquoted", "\" -5\"", 0xFFFFFFFBu},
      {"mzero", "-0", 0u},
      {"mhex", "-0x10", 0xFFFFFFF0u},
      {"mhexhuge", "-0xFFFFFFFF1", 0x80000000u},
  };
  std::string text = "[S]\ne=\n";
  for (const Case& c : kCases) text += std::string(c.key) + "=" + c.value + "\n";
  ProfileReader file(text);
  for (const Case& c : kCases) {
    EXPECT_EQ(file.ReadInt("S", c.key, 9), c.read) << c.key << "=" << c.value;
  }
  EXPECT_EQ(file.ReadInt("S", "e", 9), 9u) << "an empty value takes the default";
  EXPECT_EQ(file.ReadInt("S", "missing", 9), 9u);
}

TEST(ProfileReaderIntegers, OnlyTheFirst29CharactersOfAValueCount) {
  ProfileReader file("[S]\nshort=" + std::string(27, '0') + "42\nlong=" + std::string(28, '0') +
                     "42\n");
  EXPECT_EQ(file.ReadInt("S", "short", 5), 42u);
  EXPECT_EQ(file.ReadInt("S", "long", 5), 4u);
}

TEST(ProfileReaderNames, LetterCaseAndBlanksAroundNamesDoNotCount) {
  ProfileReader file("[main]\n  TOTLENUMBER \t=  3  \r\n[NUMBER1]\nVid=7\n");
  EXPECT_EQ(file.ReadInt("MAIN", "TotleNumber", 0), 3u);
  EXPECT_EQ(file.ReadInt("Number1", "vid", 0), 7u);
}

TEST(ProfileReaderNames, FirstSectionAndFirstKeyOfANameWin) {
  ProfileReader file("[A]\nk=1\nk=2\n[B]\nx=1\n[a]\nk=3\nother=4\n");
  EXPECT_EQ(file.ReadInt("A", "k", 0), 1u);
  EXPECT_EQ(file.ReadInt("A", "other", 0), 0u) << "a repeated section is never searched";
  EXPECT_EQ(file.ReadInt("B", "x", 0), 1u);
  // A checker's list of the keys read: the first "k" only, nothing of the repeated section.
  std::vector<std::string> keys;
  for (const ProfileReader::KeyLine& key : file.Keys())
    keys.push_back(std::string(key.name) + "=" + std::string(key.value));
  EXPECT_EQ(keys, (std::vector<std::string>{"k=1", "x=1"}));
}

TEST(ProfileReaderNames, SectionNamesLoseTheirBlanksAndEndAtTheLastBracket) {
  ProfileReader file("[ S\t]\na=1\n[T]x]\nb=2\n[U\nc=3\n");
  EXPECT_EQ(file.ReadInt("S", "a", 0), 1u);
  EXPECT_EQ(file.ReadInt("T]x", "b", 0), 2u);
  EXPECT_EQ(file.ReadInt("T]x", "c", 0), 3u) << "a line without ] is a key line";
}

TEST(ProfileReaderTexts, QuotesBlanksAndTheCut) {
  std::string longValue(300, 'u');
  ProfileReader file("[S]\nplain=  http://a/b c  \nq=\"quoted\"\ns='single'\nodd=\"half\n"
                     "mixed=\"x'\nlone=\"\nempty=\"\"\nlong=" + longValue + "\nlongq=\"" +
                     longValue + "\"\nnoequals\n");
  EXPECT_EQ(Text(file, "S", "plain"), "http://a/b c");
  EXPECT_EQ(Text(file, "S", "q"), "quoted");
  EXPECT_EQ(Text(file, "S", "s"), "single");
  EXPECT_EQ(Text(file, "S", "odd"), "\"half");
  EXPECT_EQ(Text(file, "S", "mixed"), "\"x'");
  EXPECT_EQ(Text(file, "S", "lone"), "\"");
  EXPECT_EQ(Text(file, "S", "empty"), "");
  EXPECT_EQ(Text(file, "S", "long"), longValue.substr(0, 259));
  EXPECT_EQ(Text(file, "S", "longq"), longValue.substr(0, 259));
  EXPECT_EQ(Text(file, "S", "long", 10), longValue.substr(0, 9));
  EXPECT_EQ(Text(file, "S", "noequals"), "");
}

TEST(ProfileReaderTexts, DefaultsForMissingKeysAndKeysWithoutValue) {
  ProfileReader file("[S]\nbare\nbare=5\n");
  char out[16];
  EXPECT_EQ(file.ReadText("S", "missing", "dflt", out, sizeof out), 4u);
  EXPECT_STREQ(out, "dflt");
  file.ReadText("S", "bare", "dflt", out, sizeof out);
  EXPECT_STREQ(out, "dflt") << "the first key of the name has no value";
  EXPECT_EQ(file.ReadInt("S", "bare", 6), 6u);
}

TEST(ProfileReaderFiles, LineEndsMarksAndOddBytes) {
  EXPECT_EQ(ProfileReader("[S]\r\na=1\r\nb=2").ReadInt("S", "b", 0), 2u) << "no final line end";
  EXPECT_EQ(ProfileReader("[S]\ra=1\rb=2\r").ReadInt("S", "b", 0), 2u) << "lone CR";
  EXPECT_EQ(ProfileReader("\xEF\xBB\xBF[S]\na=1\n").ReadInt("S", "a", 0), 1u) << "UTF-8 mark";
  EXPECT_EQ(ProfileReader("").ReadInt("S", "a", 8), 8u);
  EXPECT_EQ(ProfileReader(std::string("[S]\na=1\0junk\nb=2\n", 18)).ReadInt("S", "b", 0), 2u);
  ProfileReader high("[S]\nu=http://\xE9\xA0\xFF/x\n\x1A");
  char out[32];
  high.ReadText("S", "u", "", out, sizeof out);
  EXPECT_STREQ(out, "http://\xE9\xA0\xFF/x");
  // Control-Z right after a value, the file's last one too, is a blank as on the platform.
  ProfileReader dos("[S]\nu=http://z/1\x1A\nq=\"http://z/2\"\x1A\r\nlast=http://z/3\x1A");
  EXPECT_EQ(Text(dos, "S", "u"), "http://z/1");
  EXPECT_EQ(Text(dos, "S", "q"), "http://z/2");
  EXPECT_EQ(Text(dos, "S", "last"), "http://z/3");
}

}  // namespace
