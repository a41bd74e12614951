#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "catalogue/catalogue_file.h"
#include "catalogue/catalogue_seams.h"
#include "catalogue/catalogue_table.h"
#include "catalogue/socket_compat.h"
#include "catalogue_test_support.h"
#include "check_catalogue.h"
#include "check_command.h"
#include "device_links.h"
#include "loopback_server.h"
#include "network_scope.h"
#include "server_probe.h"

namespace {

const std::string kRecord1 = "[Number1]\nvid=0x1234\npid=0x5678\n";
const std::string kOneRecord = "[MAIN]\nTotleNumber=1\n" + kRecord1;

std::string WithAddress(const std::string& address) {
  return kOneRecord + "URL_XP_32=" + address + "\n";
}

// Six lines of a catalogue, then a line that takes the file past 102400 bytes.
std::string PastTheCut(const std::string& address = "http://example.com/a.exe") {
  return WithAddress(address) + std::string(102400, ';') + "\n";
}

// The checker's bytes and the table the program's load makes of them.
struct Checked {
  explicit Checked(const std::string& text) : table(text), report(CheckCatalogue(text, table.Table())) {}
  LoadedTable table;
  CatalogueReport report;
};

// Where the bytes come from: a file, a file loaded with memory short, or a server's reply that
// ended with the server's close or with the receive time-out.
enum class Source { kFile, kShortOfMemory, kReplyClosed, kReplyTimedOut };

struct Row {
  const char* name;
  std::string text;
  const char* kind;  // nullptr: no problem at all
  Severity severity;
  std::size_t line;  // 0: the problem has no line
  int exitStatus;
  Source source = Source::kFile;
  const char* says = "";  // a part of the problem's message
};

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      {"CountMissing", "[MAIN]\n" + kRecord1, "count-missing", Severity::kError, 1, 2},
      {"CountZero", "[MAIN]\nTotleNumber=0\n" + kRecord1, "count-zero", Severity::kError, 2, 2},
      {"CountAbove65535", "[MAIN]\nTotleNumber=65536\n" + kRecord1, "count-too-large", Severity::kError, 2, 2},
      {"CountSigned", "[MAIN]\nTotleNumber=-1\n" + kRecord1, "count-signed", Severity::kError, 2, 2},
      {"TableNotMade", kOneRecord, "table-not-made", Severity::kError, 2, 2, Source::kShortOfMemory},
      {"FileEmpty", "", "file-empty", Severity::kError, 0, 2},
      {"FileCutByTheDownload", PastTheCut(), "file-cut", Severity::kError, 7, 2},
      // A warning beside an error: the error decides the exit status.
      {"WarningBesideAnError", PastTheCut("ftp://example.com/a.exe"), "address-not-web", Severity::kWarning, 6, 2},
      {"RecordSectionMissing", "[MAIN]\nTotleNumber=2\n" + kRecord1, "record-missing", Severity::kWarning, 0, 1},
      {"RecordIdZero", "[MAIN]\nTotleNumber=1\n[Number1]\nvid=0\npid=0x5678\n", "record-ids", Severity::kWarning, 4, 1},
      {"RecordIdAboveFFFF", "[MAIN]\nTotleNumber=1\n[Number1]\nvid=0x1234\npid=0x10000\n", "record-ids", Severity::kWarning, 5, 1},
      {"RecordIdsFFFFAreACamerasIds", "[MAIN]\nTotleNumber=1\n[Number1]\nvid=0xFFFF\npid=0xFFFF\nURL_XP_32=http://example.com/a.exe\n", nullptr, Severity::kWarning, 0, 0},
      {"RecordWithoutAddress", kOneRecord, "record-no-address", Severity::kWarning, 3, 1},
      {"SectionAboveCount", WithAddress("http://example.com/a.exe") + "[Number2]\nvid=1\npid=2\n", "section-above-count", Severity::kWarning, 7, 1},
      {"SectionLeadingZeros", "[MAIN]\nTotleNumber=1\n[Number01]\nvid=1\npid=2\n", "section-almost-record", Severity::kWarning, 3, 1},
      {"SectionMisspelt", "[MAIN]\nTotleNumber=1\n[Numer1]\nvid=1\npid=2\n", "section-almost-record", Severity::kWarning, 3, 1},
      {"SectionRepeatedInOtherLetterCase", WithAddress("http://example.com/a.exe") + "[NUMBER1]\nURL_XP_64=http://example.com/b.exe\n", "section-repeated", Severity::kWarning, 7, 1, Source::kFile, "[NUMBER1] is never read: the program reads the first section of that name, [Number1] on line 3"},
      {"SameIdsTwice", "[MAIN]\nTotleNumber=2\n" + kRecord1 + "URL_XP_32=http://a/1\nURL_XP_64=http://b/1\n[Number2]\nvid=0x1234\npid=0x5678\nURL_XP_32=http://a/2\n", "duplicate-ids", Severity::kWarning, 8, 1, Source::kFile, "so the camera shows URL_XP_32 of record 2, URL_XP_64 of record 1"},
      {"AddressCut", WithAddress("http://example.com/" + std::string(281, 'x')), "address-cut", Severity::kWarning, 6, 1},
      {"Address259CharactersKeptWhole", WithAddress("http://example.com/" + std::string(240, 'x')), nullptr, Severity::kWarning, 0, 0},
      {"AddressNotWeb", WithAddress("ftp://example.com/a.exe"), "address-not-web", Severity::kWarning, 6, 1},
      {"AddressEncoded", WithAddress("http://example.com/a b.exe"), "address-encoded", Severity::kWarning, 6, 1},
      // CR LF line ends count one line each, as an editor shows them.
      {"KeyNeverRead", "[MAIN]\r\nTotleNumber=1\r\n[Number1]\r\nvid=0x1234\r\npid=0x5678\r\nURL_XP32=http://example.com/a.exe\r\n", "key-unknown", Severity::kWarning, 6, 1},
      {"AddressNotGbk", WithAddress("http://example.com/\x81 .exe"), "address-not-gbk", Severity::kWarning, 6, 1},
      {"AddressUtf8", WithAddress("http://example.com/\xE4\xB8\xAD.exe"), "address-utf8", Severity::kWarning, 6, 1},
      {"ReplyWithAStatusLine", "HTTP/1.1 400 Bad Request\r\n\r\n<html></html>\r\n", "reply-status-line", Severity::kWarning, 1, 2, Source::kReplyClosed},
      {"ReplyAnHtmlPage", "\n<html><body>404 Not Found</body></html>\n", "reply-html", Severity::kWarning, 1, 2, Source::kReplyClosed},
      {"ReplyNotClosed", WithAddress("http://example.com/a.exe"), "reply-not-closed", Severity::kWarning, 0, 1, Source::kReplyTimedOut},
  };
  return rows;
}

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

CatalogueEntry* NoMemory(std::uint32_t) { return nullptr; }

// The probe as ProbeServer leaves it after the request went out and `reply` came back.
ServerProbe Replied(const std::string& reply, bool timedOut) {
  ServerProbe probe;
  probe.sent = true;
  probe.reply = reply;
  probe.start = ClassifyReply(reply);
  if (timedOut) {
    probe.trace.failedStep = "recv()";
    probe.trace.failureCode = kTimedOutCode;
  }
  return probe;
}

class CraftedCatalogue : public testing::TestWithParam<Row> {
 protected:
  void TearDown() override { catalogue_seams::SetEntryAllocator(nullptr); }
};

TEST_P(CraftedCatalogue, GivesItsProblemAndExitStatus) {
  const Row& row = GetParam();
  if (row.source == Source::kShortOfMemory) catalogue_seams::SetEntryAllocator(&NoMemory);
  Checked checked(row.text);
  CatalogueReport& report = checked.report;
  if (row.source == Source::kReplyClosed || row.source == Source::kReplyTimedOut)
    NoteReply(Replied(row.text, row.source == Source::kReplyTimedOut), report);
  std::string all;
  for (const Problem& problem : report.problems)
    all += std::string(problem.name()) + " line " + std::to_string(problem.line) + ": " + problem.message + "\n";
  if (row.kind == nullptr) {
    EXPECT_TRUE(report.problems.empty()) << all;
  } else {
    bool found = false;
    for (const Problem& problem : report.problems) {
      if (problem.name() == std::string(row.kind) && problem.severity() == row.severity &&
          problem.line == row.line && problem.message.find(row.says) != std::string::npos)
        found = true;
    }
    EXPECT_TRUE(found) << "expected " << row.kind << " at line " << row.line << "; got:\n" << all;
  }
  EXPECT_EQ(ExitStatus(report), row.exitStatus) << all;
}

INSTANTIATE_TEST_SUITE_P(OnePerKind, CraftedCatalogue, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

TEST(CatalogueCheck, EveryKindTheCheckerCanReportHasACraftedCatalogue) {
  for (const ProblemKindInfo& info : kProblemKinds) {
    bool crafted = false;
    for (const Row& row : Rows()) crafted = crafted || (row.kind != nullptr && row.kind == std::string(info.name));
    EXPECT_TRUE(crafted) << info.name;
  }
}

std::string Sample() {
  std::string bytes;
  ReadFileBytes(DETECTOR_SAMPLE_CATALOGUE, bytes);
  return bytes;
}

std::string SampleBytes() {
  const std::string bytes = Sample();
  EXPECT_FALSE(bytes.empty());
  return bytes;
}

TEST(CatalogueCheck, SampleCatalogueChecksClean) {
  const Checked checked(SampleBytes());
  EXPECT_TRUE(checked.report.loaded);
  EXPECT_EQ(checked.report.records.size(), 4u);
  EXPECT_TRUE(checked.report.problems.empty()) << checked.report.problems.front().message;
  EXPECT_EQ(ExitStatus(checked.report), 0);
  EXPECT_EQ(TheCatalogue().entries, nullptr) << "the checker holds its table itself";
}

TEST(CatalogueCheck, DeviceShowsItsRecordsLinksInTheOrderTheProgramConfiguresThem) {
  Checked checked(SampleBytes());
  ASSERT_TRUE(checked.report.loaded);
  // Asked twice: each question is a fresh dialog's first press.
  for (int question = 0; question < 2; ++question) {
    SCOPED_TRACE(question);
    const DeviceLinks links = LinksForDevice(checked.table.Table(), 0x1234, 0x0001);
    EXPECT_EQ(links.matched, std::vector<std::uint32_t>{2});
    ASSERT_EQ(links.steps.size(), 2u);  // record 2 has no 64-bit drivers
    EXPECT_EQ(links.steps[0].record, 2u);
    EXPECT_EQ(links.steps[0].link, 0u);
    EXPECT_EQ(links.steps[0].address, "http://example.com/drivers/cam0001/xp32/setup.exe");
    EXPECT_EQ(links.steps[1].link, 2u);
    EXPECT_EQ(links.steps[1].address, "http://example.com/drivers/cam0001/vista32/setup.exe");
  }
  EXPECT_TRUE(LinksForDevice(checked.table.Table(), 0x1234, 0x0002).matched.empty());
}

// The whole command, as a maintainer runs it: its report and exit status.
struct CommandRow {
  const char* name;
  std::vector<std::string> args;  // "FILE" stands for `file`'s path, "DIR" for a folder
  std::string file;
  int exitStatus;
  const char* says;             // a part of the report
  const char* neverSays = "";   // bytes that must not reach the report
  std::string serve = "";       // a reply served on `serveAt`:80 for the run
  const char* serveAt = "127.0.0.1";
  bool unwritable = false;      // the report goes to a full device
  unsigned long long fileSize = 0;  // the file extended (without bytes on disk) to this size
};

const std::vector<CommandRow>& CommandRows() {
  static const std::vector<CommandRow> rows = {
      {"DirectoryCannotBeRead", {"DIR"}, "", 3, "cannot be read: Is a directory"},
      {"ReportThatCannotBeWritten", {"FILE"}, WithAddress("http://example.com/a.exe"), 3, "", "", "", "127.0.0.1", true},
      {"ControlBytesShownEscaped", {"FILE"}, WithAddress("http://example.com/\x1b]0;owned\x07\x1b[2J.exe"), 1, "URL_XP_32=http://example.com/\\x1b]0;owned\\x07\\x1b[2J.exe", "\x1b"},
      {"SizeOfAFileAbove16MiB", {"FILE"}, kOneRecord, 2, "FILE: 17825792 bytes, of which a download keeps 102400", "", "", "127.0.0.1", false, 17825792},
      {"DeviceOfARecordWithoutAddress", {"--device", "1234:5678", "FILE"}, kOneRecord, 1, "device 1234:5678: record 1 matches: the dialog shows no link and no message\n"},
      {"DeviceAfterAFailedLoad", {"--device", "1234:5678", "FILE"}, "[MAIN]\n" + kRecord1, 2, "device 1234:5678: the load fails, so the program shows the failure message \"Can not get internet driver information,please make sure internet connection is ok!\" and closes before any check\n"},
      {"ServerGivenAsAnAddress", {"--server", "127.0.0.2"}, "", 0, "the reply begins with: profile\n", "", Sample(), "127.0.0.2"},
      {"ReplyCutByTheDownloadsBound", {"--server", "127.0.0.1"}, "", 2, "[file-cut]", "", PastTheCut()},
  };
  return rows;
}

void PrintTo(const CommandRow& row, std::ostream* out) { *out << row.name; }

class Command : public testing::TestWithParam<CommandRow> {
 protected:
  static void SetUpTestSuite() { PrepareNetworkForTests(); }
  TempFolderScope folder;
};

TEST_P(Command, ReportsAndExitsAsTheProgramBehaves) {
  const CommandRow& row = GetParam();
  const std::string file = folder.folder() + "FILE";
  WriteBytes(file, row.file);
  if (row.fileSize != 0) {
    ASSERT_EQ(truncate(file.c_str(), static_cast<off_t>(row.fileSize)), 0);
  }
  std::vector<std::string> args = {"catalogue-check"};
  for (const std::string& arg : row.args)
    args.push_back(arg == "FILE" ? file : arg == "DIR" ? folder.folder() : arg);
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());

  LoopbackServer server;
  if (!row.serve.empty()) {
    ServerScript script;
    script.pieces = {row.serve};
    ASSERT_TRUE(server.Start(script, row.serveAt));
  }
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> out(row.unwritable ? std::fopen("/dev/full", "w") : std::tmpfile());
  ASSERT_NE(out, nullptr);
  const int status = RunCatalogueCheck(static_cast<int>(argv.size()), argv.data(), out.get());
  EXPECT_EQ(status, row.exitStatus);
  if (row.unwritable) return;
  std::string report;
  std::rewind(out.get());
  char chunk[4096];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, out.get())) > 0;) report.append(chunk, got);
  std::string says = row.says;
  if (says.compare(0, 4, "FILE") == 0) says.replace(0, 4, file);
  EXPECT_NE(report.find(says), std::string::npos) << report;
  if (*row.neverSays != '\0') {
    EXPECT_EQ(report.find(row.neverSays), std::string::npos) << report;
  }
}

INSTANTIATE_TEST_SUITE_P(OnePerFault, Command, testing::ValuesIn(CommandRows()),
                         [](const testing::TestParamInfo<CommandRow>& row) { return std::string(row.param.name); });

}  // namespace
