// Our profile reader against the platform's GetPrivateProfileIntA/GetPrivateProfileStringA,
// on awkward files, for every key the catalogue reads. The platform is the oracle.
//
// Where the platform (as Wine implements it) departs from the rules the catalogue relies on,
// the reader keeps the rules and the corpus stays clear of those values:
//   "0X1F" - the rule reads 0X as a hex prefix; the platform reads 0.
//   "0b101", "0o17" - the platform also knows binary and octal prefixes; the rule reads 0.
//   "-4294967295" - the platform wraps the magnitude and reads 1; a negative value saturates
//     at 0x80000000 in the rule, so that it is never an accepted count or a device's id.
//   a quoted text of exactly 259 characters inside its quotes - the platform drops one more
//     character than the quotes; the rule keeps all 259.
//   a file with a UTF-8 mark and bytes above 0x7F - the platform converts them to the ANSI
//     code page; the reader keeps the bytes (the download stores bytes, the table holds bytes).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "catalogue/profile_reader.h"
#include "catalogue_test_support.h"

namespace {

constexpr int kRecordsAsked = 4;
constexpr int kRandomFiles = 300;
const char* const kIntKeys[] = {"vid", "pid"};
const char* const kTextKeys[] = {"URL_XP_32", "URL_XP_64", "URL_Vista_32", "URL_Vista_64"};

struct Named {
  const char* name;
  std::string bytes;
};

std::string Junk(unsigned seed, std::size_t size) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

std::vector<Named> AwkwardFiles() {
  std::string url300 = "http://example.com/" + std::string(281, 'u');
  return {
      {"crlf", "[MAIN]\r\nTotleNumber=2\r\n[Number1]\r\nvid=0x1234\r\npid=0x5678\r\n"
               "URL_XP_32=http://a/1\r\n[Number2]\r\nvid=1\r\npid=2\r\nURL_Vista_64=http://a/2\r\n"},
      {"lf-no-final-end", "[MAIN]\nTotleNumber=1\n[Number1]\nvid=42\nURL_XP_64=http://b"},
      {"lone-cr", "[MAIN]\rTotleNumber=2\r[Number1]\rvid=7\r"},
      {"duplicates", "[MAIN]\nTotleNumber=3\nTotleNumber=4\n[Number1]\nvid=1\nvid=2\n[MAIN]\n"
                     "TotleNumber=9\n[number1]\npid=5\nURL_XP_32=later\n[Number2]\nvid=8\n"},
      {"comments", "; catalogue\n[MAIN]\n;TotleNumber=5\nTotleNumber=2 ; two\n# vid=3\n"
                   "[Number1]\n;vid=9\nvid=10\nURL_XP_32=http://c ; not a comment\n"},
      {"blanks-tabs", "  [MAIN]  \n\t TotleNumber \t = \t 3 \t \n\n   \n[Number1]\n\tvid\t=\t 0x10\t\n"
                      " URL_XP_32 =   http://d/x y  \n  pid=  \n"},
      {"quotes", "[MAIN]\nTotleNumber=\"2\"\n[Number1]\nvid='5'\npid=\"6\nURL_XP_32=\"http://q\"\n"
                 "URL_XP_64='single'\nURL_Vista_32=\"open\nURL_Vista_64=\"\"\n[Number2]\n"
                 "URL_XP_32=\"\nURL_XP_64='\"'\nURL_Vista_32= \" spaced \" \n"},
      {"long-lines", "[MAIN]\nTotleNumber=1\n[Number1]\nURL_XP_32=" + url300 + "\nURL_XP_64=\"" +
                         url300 + "\"\n" + std::string(5000, 'k') + "=x\nURL_Vista_32=" +
                         std::string(259, 'v') + "\nURL_Vista_64=" + std::string(260, 'w') + "\n"},
      {"high-bytes", "[MAIN]\nTotleNumber=2\n[Number1]\nURL_XP_32=http://\xE9\xE8/\xFC\xA0\x81\n"
                     "vid=\xA0 5\n[Number\xE9]\nvid=3\n[Number2]\nURL_XP_64=\xFF\xFE\x80\n"},
      {"empty", ""},
      {"junk", Junk(1, 4096)},
      {"junk-around-catalogue", Junk(2, 500) + "\n[MAIN]\nTotleNumber=3\n[Number3]\nvid=9\n" +
                                    Junk(3, 500)},
      {"numbers", "[MAIN]\nTotleNumber=0x10\n[Number1]\nvid=-1\npid=+5\n[Number2]\nvid=65536\n"
                  "pid=  12abc\n[Number3]\nvid=abc\npid=4294967297\n[Number4]\nvid=0x\npid=0xg\n"},
      {"digits-cut", "[MAIN]\nTotleNumber=" + std::string(27, '0') + "42\n[Number1]\nvid=" +
                         std::string(28, '0') + "42\npid=0x" + std::string(27, '0') + "1F\n"},
      {"letter-case", "[main]\nTOTLENUMBER=2\n[NUMBER1]\nVid=3\nPID=4\nurl_xp_32=http://e\n"
                      "Url_Vista_64=http://f\n"},
      {"headers", "vid=1\n[MAIN] trailing\nTotleNumber=2\n[ Number1 ]\nvid=2\n[Number2\nvid=3\n"
                  "[[Number2]]\npid=4\n[Number3]]\nvid=5\n[Number4]x]\nvid=6\n"},
      {"no-equals", "[MAIN]\nTotleNumber\nTotleNumber=3\n[Number1]\nvid\nvid=4\nURL_XP_32\n"
                    "URL_XP_32=http://g\n"},
      {"odd-equals", "[MAIN]\n=5\nTotleNumber==3\n[Number1]\nvid = = 4\npid=1=2\n"
                     "URL_XP_32==http://h\n"},
      {"nul-bytes", std::string("[MAIN]\nTotleNumber=2\0junk\n[Number1]\nvid\0x=5\n"
                                "URL_XP_32=http://i\0j\n", 63)},
      {"ctrl-z", "[MAIN]\nTotleNumber=1\n[Number1]\nvid=3\x1A\n\x1A"},
      {"ctrl-z-after-texts", "[MAIN]\nTotleNumber=1\n[Number1]\nURL_XP_32=http://z/1\x1A\n"
                             "URL_XP_64=\"http://z/2\"\x1A\r\nURL_Vista_32=http://z/\x1A" "3\n"
                             "URL_Vista_64=http://z/4 \x1A\x1A"},
      {"ctrl-z-ends-the-file", "[MAIN]\nTotleNumber=1\n[Number1]\nURL_XP_32=http://z/1\x1A"},
      {"utf8-mark", "\xEF\xBB\xBF[MAIN]\nTotleNumber=1\n[Number1]\nvid=8\n"},
      {"leading-zero-section", "[MAIN]\nTotleNumber=2\n[Number01]\nvid=1\n[Number+2]\nvid=2\n"},
  };
}

// A soup of the pieces the catalogue's files are made of, deterministic for a seed.
std::string RandomFile(std::mt19937& random) {
  static const char* const kTokens[] = {
      "[MAIN]", "[main]", "[Number1]", "[Number2]", "[NUMBER3]", "[", "]", "TotleNumber", "vid",
      "pid", "URL_XP_32", "URL_Vista_64", "=", "=", " ", "\t", "\r\n", "\n", "\n", "\r", "\"",
      "'", "0x1F", "42", "7", "-", "+", "abc", ";", "\xE9", "\x1A", "http://x/y", "  "};
  constexpr std::size_t kCount = sizeof kTokens / sizeof kTokens[0];
  std::string bytes;
  std::size_t pieces = random() % 80;
  for (std::size_t i = 0; i < pieces; ++i) bytes += kTokens[random() % kCount];
  return bytes;
}

constexpr UINT kSingleByteCodePage = 1252;

bool HasHighBytes(const std::string& bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

class ProfileOracle : public ::testing::Test {
 protected:
  // Every catalogue key, through both readers; each difference is a failure.
  void Compare(const std::string& label, const std::string& bytes) {
    SCOPED_TRACE(label);
    // The platform converts through the ANSI code page; with a double-byte one (936 under a
    // Chinese locale) bytes above 0x7F pair up differently, so those files need code page 1252.
    if (GetACP() != kSingleByteCodePage && HasHighBytes(bytes)) return;
    std::string path = folder.CataloguePath();
    WriteBytes(path, bytes);
    ProfileReader ours(bytes);
    CompareInt(ours, path, "MAIN", "TotleNumber");
    for (int k = 1; k <= kRecordsAsked; ++k) {
      std::string section = "Number" + std::to_string(k);
      for (const char* key : kIntKeys) CompareInt(ours, path, section.c_str(), key);
      for (const char* key : kTextKeys) CompareText(ours, path, section.c_str(), key);
    }
  }
  void CompareInt(const ProfileReader& ours, const std::string& path, const char* section,
                  const char* key) {
    UINT platform = GetPrivateProfileIntA(section, key, 0, path.c_str());
    EXPECT_EQ(ours.ReadInt(section, key, 0), platform) << section << "/" << key;
  }
  void CompareText(const ProfileReader& ours, const std::string& path, const char* section,
                   const char* key) {
    char platform[260] = {};
    char mine[260] = {};
    GetPrivateProfileStringA(section, key, "", platform, sizeof platform, path.c_str());
    ours.ReadText(section, key, "", mine, sizeof mine);
    EXPECT_STREQ(mine, platform) << section << "/" << key;
  }
  TempFolderScope folder;
};

TEST_F(ProfileOracle, AwkwardFilesReadAlike) {
  for (const Named& file : AwkwardFiles()) Compare(file.name, file.bytes);
}

TEST_F(ProfileOracle, RandomFilesReadAlike) {
  std::mt19937 random(20261208);
  for (int i = 0; i < kRandomFiles; ++i) Compare("random " + std::to_string(i), RandomFile(random));
}

}  // namespace

namespace {

// The departures listed at the top, so that the list goes stale loudly if the platform changes.
TEST_F(ProfileOracle, DocumentedDeparturesStillHold) {
  std::string path = folder.CataloguePath();
  std::string inner259(259, 'a');
  std::string bytes = "[S]\nupper=0X1F\nbinary=0b101\noctal=0o17\nnegative=-4294967295\n"
                      "quoted=\"" + inner259 + "\"\n";
  WriteBytes(path, bytes);
  ProfileReader ours(bytes);
  EXPECT_EQ(GetPrivateProfileIntA("S", "upper", 0, path.c_str()), 0u);
  EXPECT_EQ(ours.ReadInt("S", "upper", 0), 0x1Fu);
  EXPECT_EQ(GetPrivateProfileIntA("S", "binary", 0, path.c_str()), 5u);
  EXPECT_EQ(ours.ReadInt("S", "binary", 0), 0u);
  EXPECT_EQ(GetPrivateProfileIntA("S", "octal", 0, path.c_str()), 15u);
  EXPECT_EQ(ours.ReadInt("S", "octal", 0), 0u);
  EXPECT_EQ(GetPrivateProfileIntA("S", "negative", 0, path.c_str()), 1u);
  EXPECT_EQ(ours.ReadInt("S", "negative", 0), 0x80000000u);
  char platform[260];
  char mine[260];
  GetPrivateProfileStringA("S", "quoted", "", platform, sizeof platform, path.c_str());
  ours.ReadText("S", "quoted", "", mine, sizeof mine);
  EXPECT_EQ(std::string(platform), inner259.substr(0, 258));
  EXPECT_EQ(std::string(mine), inner259);

  std::string marked = "\xEF\xBB\xBF[S]\nu=\xC3\xA9\n";  // UTF-8 e-acute
  WriteBytes(path, marked);
  GetPrivateProfileStringA("S", "u", "", platform, sizeof platform, path.c_str());
  ProfileReader(marked).ReadText("S", "u", "", mine, sizeof mine);
  EXPECT_STRNE(platform, mine) << "converted to the ANSI code page";
  if (GetACP() == kSingleByteCodePage) {
    EXPECT_STREQ(platform, "\xE9");
  }
  EXPECT_STREQ(mine, "\xC3\xA9");
}

}  // namespace
