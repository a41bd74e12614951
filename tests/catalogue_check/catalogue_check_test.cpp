#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "catalogue/catalogue_file.h"
#include "catalogue/catalogue_table.h"
#include "check_catalogue.h"
#include "device_links.h"

namespace {

const std::string kRecord1 = "[Number1]\nvid=0x1234\npid=0x5678\n";
const std::string kOneRecord = "[MAIN]\nTotleNumber=1\n" + kRecord1;

std::string WithAddress(const std::string& address) {
  return kOneRecord + "URL_XP_32=" + address + "\n";
}

// Six lines of a good catalogue, then a line that takes the file past 102400 bytes.
std::string PastTheCut() {
  return kOneRecord + "URL_XP_32=http://example.com/a.exe\n" + std::string(102400, ';') + "\n";
}

struct Row {
  const char* name;
  std::string text;
  const char* kind;
  Severity severity;
  std::size_t line;  // 0: the problem has no line
  int exitStatus;
};

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      {"CountMissing", "[MAIN]\n" + kRecord1, "count-missing", Severity::kError, 1, 2},
      {"CountZero", "[MAIN]\nTotleNumber=0\n" + kRecord1, "count-zero", Severity::kError, 2, 2},
      {"CountAbove65535", "[MAIN]\nTotleNumber=65536\n" + kRecord1, "count-too-large", Severity::kError, 2, 2},
      {"CountSigned", "[MAIN]\nTotleNumber=-1\n" + kRecord1, "count-signed", Severity::kError, 2, 2},
      {"FileEmpty", "", "file-empty", Severity::kError, 0, 2},
      {"FileCutByTheDownload", PastTheCut(), "file-cut", Severity::kError, 7, 2},
      {"RecordSectionMissing", "[MAIN]\nTotleNumber=2\n" + kRecord1, "record-missing", Severity::kWarning, 0, 1},
      {"RecordIdZero", "[MAIN]\nTotleNumber=1\n[Number1]\nvid=0\npid=0x5678\n", "record-ids", Severity::kWarning, 4, 1},
      {"RecordIdAboveFFFF", "[MAIN]\nTotleNumber=1\n[Number1]\nvid=0x1234\npid=0x10000\n", "record-ids", Severity::kWarning, 5, 1},
      {"SectionAboveCount", kOneRecord + "[Number2]\nvid=1\npid=2\n", "section-above-count", Severity::kWarning, 6, 1},
      {"SectionLeadingZeros", "[MAIN]\nTotleNumber=1\n[Number01]\nvid=1\npid=2\n", "section-almost-record", Severity::kWarning, 3, 1},
      {"SectionMisspelt", "[MAIN]\nTotleNumber=1\n[Numer1]\nvid=1\npid=2\n", "section-almost-record", Severity::kWarning, 3, 1},
      {"SameIdsTwice", "[MAIN]\nTotleNumber=2\n" + kRecord1 + "[Number2]\nvid=0x1234\npid=0x5678\n", "duplicate-ids", Severity::kWarning, 6, 1},
      {"AddressCut", WithAddress("http://example.com/" + std::string(281, 'x')), "address-cut", Severity::kWarning, 6, 1},
      {"AddressNotWeb", WithAddress("ftp://example.com/a.exe"), "address-not-web", Severity::kWarning, 6, 1},
      {"AddressEncoded", WithAddress("http://example.com/a b.exe"), "address-encoded", Severity::kWarning, 6, 1},
      // CR LF line ends count one line each, as an editor shows them.
      {"KeyNeverRead", "[MAIN]\r\nTotleNumber=1\r\n[Number1]\r\nvid=0x1234\r\npid=0x5678\r\nURL_XP32=http://example.com/a.exe\r\n", "key-unknown", Severity::kWarning, 6, 1},
      {"AddressNotGbk", WithAddress("http://example.com/\x81 .exe"), "address-not-gbk", Severity::kWarning, 6, 1},
      {"AddressUtf8", WithAddress("http://example.com/\xE4\xB8\xAD.exe"), "address-utf8", Severity::kWarning, 6, 1},
  };
  return rows;
}

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class CraftedCatalogue : public testing::TestWithParam<Row> {};

TEST_P(CraftedCatalogue, GivesItsProblemAndExitStatus) {
  const Row& row = GetParam();
  const CatalogueReport report = CheckCatalogue(row.text);
  bool found = false;
  for (const Problem& problem : report.problems) {
    if (problem.kind == row.kind && problem.severity == row.severity && problem.line == row.line)
      found = true;
  }
  std::string all;
  for (const Problem& problem : report.problems)
    all += problem.kind + " line " + std::to_string(problem.line) + ": " + problem.message + "\n";
  EXPECT_TRUE(found) << "expected " << row.kind << " at line " << row.line << "; got:\n" << all;
  EXPECT_EQ(ExitStatus(report), row.exitStatus) << all;
}

INSTANTIATE_TEST_SUITE_P(OnePerKind, CraftedCatalogue, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

std::string SampleBytes() {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(DETECTOR_SAMPLE_CATALOGUE, bytes));
  return bytes;
}

TEST(CatalogueCheck, SampleCatalogueChecksClean) {
  const CatalogueReport report = CheckCatalogue(SampleBytes());
  EXPECT_TRUE(report.loaded);
  EXPECT_EQ(report.records.size(), 4u);
  EXPECT_TRUE(report.problems.empty()) << report.problems.front().message;
  EXPECT_EQ(ExitStatus(report), 0);
}

TEST(CatalogueCheck, DeviceShowsItsRecordsLinksInTheOrderTheProgramConfiguresThem) {
  ASSERT_TRUE(CheckCatalogue(SampleBytes()).loaded);
  const std::vector<LinkStep> steps = LinksForDevice(TheCatalogue(), 0x1234, 0x0001);
  ASSERT_EQ(steps.size(), 2u);  // record 2 has no 64-bit drivers
  EXPECT_EQ(steps[0].record, 2u);
  EXPECT_EQ(steps[0].link, 0u);
  EXPECT_EQ(steps[0].address, "http://example.com/drivers/cam0001/xp32/setup.exe");
  EXPECT_EQ(steps[1].link, 2u);
  EXPECT_EQ(steps[1].address, "http://example.com/drivers/cam0001/vista32/setup.exe");
  EXPECT_TRUE(LinksForDevice(TheCatalogue(), 0x1234, 0x0002).empty());
}

}  // namespace
