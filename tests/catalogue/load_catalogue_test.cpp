// The catalogue load and release on files in a private folder, with a fake dialog.
#include "catalogue/load_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "catalogue/catalogue_ids.h"
#include "catalogue/catalogue_seams.h"
#include "catalogue/catalogue_table.h"
#include "catalogue_test_support.h"
#include "common/language.h"
#include "common/messages.h"

namespace {

const std::string kEnglishBox =
    "box:Error|Can not get internet driver information,please make sure internet connection is ok!";

std::string Record(int number, const std::string& body) {
  return "[Number" + std::to_string(number) + "]\n" + body;
}

class CatalogueLoad : public ::testing::Test {
 protected:
  void TearDown() override {
    ReleaseCatalogue();
    catalogue_seams::SetEntryAllocator(nullptr);
    catalogue_seams::SetFileRead(nullptr);
  }
  int Load(const std::string& text) {
    WriteBytes(folder.CataloguePath(), text);
    return LoadCatalogueFromFile(owner, folder.CataloguePath().c_str());
  }
  void ExpectFailedWithMessage(int result) {
    EXPECT_EQ(result, 0);
    EXPECT_EQ(TheCatalogue().count, 0u);
    EXPECT_EQ(TheCatalogue().entries, nullptr);
    ASSERT_EQ(owner.events.size(), 2u);
    EXPECT_EQ(owner.events[0], "hide") << "the status text goes before the box";
    EXPECT_EQ(owner.events[1], kEnglishBox);
  }
  TempFolderScope folder;
  FakeOwner owner;
};

TEST_F(CatalogueLoad, CountLimits) {
  EXPECT_EQ(Load("[MAIN]\nTotleNumber=65535\n"), 1);
  EXPECT_EQ(TheCatalogue().count, 65535u);
  EXPECT_TRUE(owner.events.empty());
  ReleaseCatalogue();
  for (const char* bad : {"TotleNumber=65536", "TotleNumber=0", "TotleNumber=-1",
                          "TotleNumber=-4294967295", "TotleNumber=-4294967280",
                          "TotleNumber=many", "TotleNumber=", "Other=3"}) {
    SCOPED_TRACE(bad);
    owner.events.clear();
    ExpectFailedWithMessage(Load(std::string("[MAIN]\n") + bad + "\n"));
  }
  owner.events.clear();
  ExpectFailedWithMessage(Load("[MAINS]\nTotleNumber=3\n"));
}

const std::string kFirstPart = "[MAIN]\nTotleNumber=2\n[Number1]\nvid=1\npid=2\n";

// The file's first part arrives, then the device fails: what came is a table of its own.
std::size_t FirstPartThenFailure(char* buffer, std::size_t size, std::FILE* file, bool& failed) {
  failed = true;
  return std::fread(buffer, 1, std::min(size, kFirstPart.size()), file);
}

TEST_F(CatalogueLoad, EmptyMissingOrForeignFilesFail) {
  ExpectFailedWithMessage(Load(""));
  owner.events.clear();
  ExpectFailedWithMessage(Load("<html><body>404 Not Found</body></html>\n"));
  owner.events.clear();
  ExpectFailedWithMessage(LoadCatalogueFromFile(owner, (folder.folder() + "absent.ini").c_str()));
  owner.events.clear();
  catalogue_seams::SetFileRead(&FirstPartThenFailure);
  ExpectFailedWithMessage(Load(kFirstPart + "[Number2]\nvid=3\npid=4\n"));
}

TEST_F(CatalogueLoad, HexCountLetterCaseAndEqualIds) {
  std::string text = "[main]\nTOTLENUMBER=0x10\n" + Record(1, "Vid=0x2A\nPID=42\n") +
                     Record(16, "vid=7\npid=8\nurl_xp_32=http://a/16\n");
  ASSERT_EQ(Load(text), 1);
  const DriverCatalogue& table = TheCatalogue();
  ASSERT_EQ(table.count, 16u);
  EXPECT_EQ(table.entries[0].vid, 42u);
  EXPECT_EQ(table.entries[0].pid, 42u);
  EXPECT_EQ(table.entries[15].vid, 7u);
  EXPECT_STREQ(table.entries[15].urlXp32, "http://a/16");
}

TEST_F(CatalogueLoad, NegativeIdsAreNoIdADeviceCanCarry) {
  ASSERT_EQ(Load("[MAIN]\nTotleNumber=2\n" + Record(1, "vid=-4294967295\npid=-65535\n") +
                 Record(2, "vid= -0x10\npid=-99999999999\n")), 1);
  const DriverCatalogue& table = TheCatalogue();
  EXPECT_EQ(table.entries[0].vid, 0x80000000u);
  EXPECT_EQ(table.entries[0].pid, 0xFFFF0001u);
  EXPECT_EQ(table.entries[1].vid, 0xFFFFFFF0u);
  EXPECT_EQ(table.entries[1].pid, 0x80000000u);
}

TEST_F(CatalogueLoad, RecordsReadInFullAndMissingSectionsStayCleared) {
  std::string longUrl = "http://example.com/" + std::string(281, 'x');
  std::string text = Record(3, "vid=3\npid=0x30\nURL_Vista_64=\"http://q/v64\"\n") +
                     "[MAIN]\nTotleNumber=3\n" +
                     Record(1, "vid=0x1234\npid=0x5678\nURL_XP_32=http://a/xp32\n"
                               "URL_XP_64=" + longUrl + "\nURL_Vista_32=http://a/v32\n"
                               "URL_Vista_64=http://a/v64\n");
  ASSERT_EQ(Load(text), 1);
  const DriverCatalogue& table = TheCatalogue();
  ASSERT_EQ(table.count, 3u);
  const CatalogueEntry& first = table.entries[0];
  EXPECT_EQ(first.vid, 0x1234u);
  EXPECT_EQ(first.pid, 0x5678u);
  EXPECT_STREQ(first.urlXp32, "http://a/xp32");
  EXPECT_EQ(std::string(first.urlXp64), longUrl.substr(0, 259));
  EXPECT_STREQ(first.urlVista32, "http://a/v32");
  EXPECT_STREQ(first.urlVista64, "http://a/v64");
  const CatalogueEntry& second = table.entries[1];
  EXPECT_EQ(second.vid, 0u);
  EXPECT_EQ(second.pid, 0u);
  EXPECT_STREQ(second.urlXp32, "");
  EXPECT_STREQ(second.urlXp64, "");
  EXPECT_STREQ(second.urlVista32, "");
  EXPECT_STREQ(second.urlVista64, "");
  EXPECT_EQ(table.entries[2].pid, 0x30u);
  EXPECT_STREQ(table.entries[2].urlVista64, "http://q/v64");
  for (std::uint32_t i = 0; i < table.count; ++i) EXPECT_EQ(table.entries[i].found, 0);
  EXPECT_TRUE(owner.events.empty());
  // The ids beside the table, which a press reads instead of the records.
  const RecordIds* ids = KeptIds(table);
  ASSERT_NE(ids, nullptr);
  EXPECT_EQ(ids[0].vid, 0x1234u);
  EXPECT_EQ(ids[0].pid, 0x5678u);
  EXPECT_EQ(ids[1].vid, 0u);
  EXPECT_EQ(ids[1].pid, 0u);
  EXPECT_EQ(ids[2].vid, 3u);
  EXPECT_EQ(ids[2].pid, 0x30u);
}

TEST_F(CatalogueLoad, MessageFollowsTheLanguageId) {
  FailureMessage chinese = CatalogueFailureMessage(kChineseLanguageId);
  EXPECT_STREQ(chinese.caption, "\xB4\xED\xCE\xF3");
  EXPECT_EQ(std::string(chinese.text).size(), 52u);  // 26 GBK characters
  EXPECT_EQ(std::string(chinese.text).substr(0, 4), "\xB1\xBE\xB9\xA4");
  for (int id : {1028, 1033}) {
    FakeOwner other(id);
    WriteBytes(folder.CataloguePath(), "");
    EXPECT_EQ(LoadCatalogueFromFile(other, folder.CataloguePath().c_str()), 0);
    ASSERT_EQ(other.events.size(), 2u);
    EXPECT_EQ(other.events[1], kEnglishBox);
  }
  FakeOwner prc(kChineseLanguageId);
  EXPECT_EQ(LoadCatalogueFromFile(prc, folder.CataloguePath().c_str()), 0);
  ASSERT_EQ(prc.events.size(), 2u);
  EXPECT_EQ(prc.events[1], std::string("box:") + chinese.caption + "|" + chinese.text);
}

CatalogueEntry* NoMemory(std::uint32_t) { return nullptr; }

TEST_F(CatalogueLoad, TableAllocationFailureIsAFailedLoad) {
  catalogue_seams::SetEntryAllocator(&NoMemory);
  ExpectFailedWithMessage(Load("[MAIN]\nTotleNumber=5\n"));
}

TEST_F(CatalogueLoad, ReleaseDeletesTheFileWhetherOrNotAnythingLoaded) {
  ExpectFailedWithMessage(Load("junk"));
  ReleaseCatalogue();
  EXPECT_FALSE(FileExists(folder.CataloguePath()));
  ASSERT_EQ(Load("[MAIN]\nTotleNumber=2\n"), 1);
  ReleaseCatalogue();
  EXPECT_EQ(TheCatalogue().entries, nullptr);
  EXPECT_EQ(TheCatalogue().count, 0u);
  EXPECT_FALSE(FileExists(folder.CataloguePath()));
}

TEST_F(CatalogueLoad, AFailedLoadAfterALoadedOneLeavesNoTable) {
  ASSERT_EQ(Load("[MAIN]\nTotleNumber=2\n"), 1);
  ExpectFailedWithMessage(Load("junk"));
}

TEST_F(CatalogueLoad, ReleaseWithNothingLoadedAndNoFileIsSilent) {
  StderrCapture capture;
  ReleaseCatalogue();
  ReleaseCatalogue();
  EXPECT_EQ(capture.Stop(), "");
  EXPECT_EQ(TheCatalogue().entries, nullptr);
  EXPECT_TRUE(owner.events.empty());
}

catalogue_seams::SocketStartup StartupRefused() { return {10091, 0}; }
catalogue_seams::SocketStartup StartupOldVersion() { return {0, 0x0202}; }

TEST_F(CatalogueLoad, SocketStartupFailuresEndTheLoadWithoutABox) {
  WriteBytes(folder.CataloguePath(), "[MAIN]\nTotleNumber=1\n");
  struct Case {
    catalogue_seams::SocketStartupFn startup;
    const char* line;
  } cases[] = {{&StartupRefused, "\nWSAStartup(): 10091\n"},
               {&StartupOldVersion, "\nWinSock version not supported\n"}};
  for (const Case& c : cases) {
    catalogue_seams::SetSocketStartup(c.startup);
    StderrCapture capture;
    int result = LoadCatalogue(owner, "no-such-host.invalid");
    std::string written = capture.Stop();
    catalogue_seams::SetSocketStartup(nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(written, AsWritten(c.line));
    EXPECT_TRUE(owner.events.empty()) << "no box, status text untouched";
    EXPECT_EQ(TheCatalogue().entries, nullptr);
  }
}

}  // namespace
