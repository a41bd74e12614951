#include <gtest/gtest.h>

#include <curl/curl.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "catalogue/catalogue_file.h"
#include "catalogue/catalogue_seams.h"
#include "catalogue/catalogue_table.h"
#include "catalogue/socket_compat.h"
#include "catalogue_test_support.h"
#include "check_catalogue.h"
#include "check_command.h"
#include "device_links.h"
#include "link_private_network.h"
#include "loopback_server.h"
#include "network_scope.h"
#include "report_text.h"
#include "server_probe.h"
#include "text_encoding.h"

namespace {

const std::string kRecord1 = "[Number1]\nvid=0x1234\npid=0x5678\n";
const std::string kOneRecord = "[MAIN]\nTotleNumber=1\n" + kRecord1;

const std::string kSameIdsTwice = "[MAIN]\nTotleNumber=2\n" + kRecord1 +
                                  "URL_XP_32=http://a/1\nURL_XP_64=http://b/1\n[Number2]\nvid=0x1234\npid=0x5678\nURL_XP_32=http://a/2\n";

std::string WithAddress(const std::string& address) {
  return kOneRecord + "URL_XP_32=" + address + "\n";
}

// Six lines of a catalogue, then a line that takes the file past 102400 bytes.
std::string PastTheCut(const std::string& address = "http://example.com/a.exe") {
  return WithAddress(address) + std::string(102400, ';') + "\n";
}

// The checker's bytes and the table the program's load makes of them. The bytes stand in a heap
// block of exactly their size, as the fuzzer hands them: a read past the end is an ASan error.
struct Checked {
  explicit Checked(const std::string& text)
      : bytes(text.begin(), text.end()), table(text),
        report(CheckCatalogue(std::string_view(bytes.data(), bytes.size()), table.Table())) {}
  std::vector<char> bytes;
  LoadedTable table;
  CatalogueReport report;
};

// Where the bytes come from: a file, a file loaded with memory short, or a server's reply that
// ended with the server's close or with the receive time-out.
enum class Source { kFile, kShortOfMemory, kReplyClosed, kReplyTimedOut };

struct Row {
  const char* name;
  std::string text;
  // Every problem of the report, in its order: "LINE SEVERITY KIND: MESSAGE" (line 0: none).
  std::vector<std::string> problems;
  int exitStatus;
  Source source = Source::kFile;
};

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      {"CountMissing", "[MAIN]\n" + kRecord1, {
           "1 error count-missing: \"TotleNumber\" in [MAIN] is missing: every user sees the failure message",
       }, 2},
      // Written without a value: the count is missing, not 0.
      {"CountEmpty", "[MAIN]\nTotleNumber=\n" + kRecord1, {
           "2 error count-missing: \"TotleNumber\" in [MAIN] is missing: every user sees the failure message",
       }, 2},
      {"CountZero", "[MAIN]\nTotleNumber=0\n" + kRecord1, {
           "2 error count-zero: \"TotleNumber\" in [MAIN] reads as 0 (\"0\"): every user sees the failure message",
       }, 2},
      {"CountAbove65535", "[MAIN]\nTotleNumber=65536\n" + kRecord1, {
           "2 error count-too-large: \"TotleNumber\" in [MAIN] is 65536, above 65535: every user sees the failure message",
       }, 2},
      {"CountSigned", "[MAIN]\nTotleNumber=-1\n" + kRecord1, {
           "2 error count-signed: \"TotleNumber\" in [MAIN] is written with a minus sign (\"-1\"): every user sees the failure message",
       }, 2},
      {"TableNotMade", kOneRecord, {
           "2 error table-not-made: the table of 1 records could not be made (memory ran short): a user whose memory is as short sees the failure message",
       }, 2, Source::kShortOfMemory},
      {"FileEmpty", "", {
           "0 error file-empty: the file is empty: every user sees the failure message",
       }, 2},
      {"FileCutByTheDownload", PastTheCut(), {
           "7 error file-cut: the file has 102489 bytes: a download keeps the first 102400, so everything from here on is lost (what stands before is read as usual)",
       }, 2},
      // A warning beside an error: the error decides the exit status.
      {"WarningBesideAnError", PastTheCut("ftp://example.com/a.exe"), {
           "6 warning address-not-web: record 1 URL_XP_32: address is not http:// or https://: a click is refused with a beep",
           "7 error file-cut: the file has 102488 bytes: a download keeps the first 102400, so everything from here on is lost (what stands before is read as usual)",
       }, 2},
      {"RecordSectionMissing", "[MAIN]\nTotleNumber=2\n" + kRecord1, {
           "0 warning record-missing: record 2: no section [Number2]: the record has ids 0 and no links",
           "3 warning record-no-address: record 1 has no address: a camera with the ids 1234:5678 gets no link from it, and its match hides the not-found message",
       }, 1},
      {"RecordIdZero", "[MAIN]\nTotleNumber=1\n[Number1]\nvid=0\npid=0x5678\n", {
           "4 warning record-ids: record 1: ids 0000:5678: no camera carries an id of 0 or above 0xFFFF",
       }, 1},
      {"RecordIdAboveFFFF", "[MAIN]\nTotleNumber=1\n[Number1]\nvid=0x1234\npid=0x10000\n", {
           "5 warning record-ids: record 1: ids 1234:10000: no camera carries an id of 0 or above 0xFFFF",
       }, 1},
      {"RecordIdsFFFFAreACamerasIds", "[MAIN]\nTotleNumber=1\n[Number1]\nvid=0xFFFF\npid=0xFFFF\nURL_XP_32=http://example.com/a.exe\n", {}, 0},
      {"RecordWithoutAddress", kOneRecord, {
           "3 warning record-no-address: record 1 has no address: a camera with the ids 1234:5678 gets no link from it, and its match hides the not-found message",
       }, 1},
      {"SectionAboveCount", WithAddress("http://example.com/a.exe") + "[Number2]\nvid=1\npid=2\n", {
           "7 warning section-above-count: [Number2] is never read: the count (\"TotleNumber\") is 1 and records count from 1",
       }, 1},
      {"SectionLeadingZeros", "[MAIN]\nTotleNumber=1\n[Number01]\nvid=1\npid=2\n", {
           "0 warning record-missing: record 1: no section [Number1]: the record has ids 0 and no links",
           "3 warning section-almost-record: [Number01] is never read: the program reads record 1 from [Number1]",
       }, 1},
      {"SectionMisspelt", "[MAIN]\nTotleNumber=1\n[Numer1]\nvid=1\npid=2\n", {
           "0 warning record-missing: record 1: no section [Number1]: the record has ids 0 and no links",
           "3 warning section-almost-record: [Numer1] is never read: the program reads record 1 from [Number1]",
       }, 1},
      // Two letters swapped are two typos, still within what is called misspelt.
      {"SectionTwoTyposOff", "[MAIN]\nTotleNumber=1\n[Nubmer1]\nvid=1\npid=2\n", {
           "0 warning record-missing: record 1: no section [Number1]: the record has ids 0 and no links",
           "3 warning section-almost-record: [Nubmer1] is never read: the program reads record 1 from [Number1]",
       }, 1},
      {"SectionRepeatedInOtherLetterCase", WithAddress("http://example.com/a.exe") + "[NUMBER1]\nURL_XP_64=http://example.com/b.exe\n", {
           "7 warning section-repeated: [NUMBER1] is never read: the program reads the first section of that name, [Number1] on line 3, and drops every key of this one",
       }, 1},
      // Sections the program never reads are not repeats of a read one, however often they stand.
      {"SectionsNeverReadAreNoRepeats", WithAddress("http://example.com/a.exe") + "[Comment]\na=1\n[Comment]\nb=2\n[Number2]\nvid=1\npid=2\n[Number2]\nvid=3\npid=4\n[M]\nc=3\n[M]\nd=4\n", {
           "11 warning section-above-count: [Number2] is never read: the count (\"TotleNumber\") is 1 and records count from 1",
           "14 warning section-above-count: [Number2] is never read: the count (\"TotleNumber\") is 1 and records count from 1",
       }, 1},
      // A section never read is named once; its keys are not judged one by one.
      {"KeysOfRecordZeroNotJudged", WithAddress("http://example.com/a.exe") + "[Number0]\nfoo=1\n", {
           "7 warning section-above-count: [Number0] is never read: the count (\"TotleNumber\") is 1 and records count from 1",
       }, 1},
      {"SameIdsTwice", kSameIdsTwice, {
           "8 warning duplicate-ids: record 2 has the ids 1234:5678 of record 1: later non-empty addresses replace earlier ones, so the camera shows URL_XP_32 of record 2, URL_XP_64 of record 1",
       }, 1},
      // Records no camera matches share no camera either.
      {"UnusableIdsAreNoDuplicates", "[MAIN]\nTotleNumber=2\n[Number1]\nvid=0\npid=0x5678\n[Number2]\nvid=0\npid=0x5678\n", {
           "4 warning record-ids: record 1: ids 0000:5678: no camera carries an id of 0 or above 0xFFFF",
           "7 warning record-ids: record 2: ids 0000:5678: no camera carries an id of 0 or above 0xFFFF",
       }, 1},
      {"AddressCut", WithAddress("http://example.com/" + std::string(281, 'x')), {
           "6 warning address-cut: record 1 URL_XP_32: address of 300 characters: the program keeps the first 259, and loses \"" + std::string(41, 'x') + "\"",
       }, 1},
      {"Address259CharactersKeptWhole", WithAddress("http://example.com/" + std::string(240, 'x')), {}, 0},
      {"AddressNotWeb", WithAddress("ftp://example.com/a.exe"), {
           "6 warning address-not-web: record 1 URL_XP_32: address is not http:// or https://: a click is refused with a beep",
       }, 1},
      {"AddressEncoded", WithAddress("http://example.com/a b.exe"), {
           "6 warning address-encoded: record 1 URL_XP_32: address holds characters the program encodes: the browser is given \"http://example.com/a%20b.exe\"",
       }, 1},
      // CR LF line ends count one line each, as an editor shows them.
      {"KeyNeverRead", "[MAIN]\r\nTotleNumber=1\r\n[Number1]\r\nvid=0x1234\r\npid=0x5678\r\nURL_XP32=http://example.com/a.exe\r", {
           "3 warning record-no-address: record 1 has no address: a camera with the ids 1234:5678 gets no link from it, and its match hides the not-found message",
           "6 warning key-unknown: \"URL_XP32\" in [Number1] is never read",
       }, 1},
      {"AddressNotGbk", WithAddress("http://example.com/\x81 .exe"), {
           "6 warning address-encoded: record 1 URL_XP_32: address holds characters the program encodes: the browser is given \"http://example.com/\x81%20.exe\"",
           "6 warning address-not-gbk: record 1 URL_XP_32: address holds bytes above 0x7F that are not GBK text: a Chinese system cannot read them",
       }, 1},
      {"AddressUtf8", WithAddress("http://example.com/\xE4\xB8\xAD.exe"), {
           "6 warning address-utf8: record 1 URL_XP_32: address holds UTF-8 bytes: the program hands them on in the system's code page, so a Chinese system (GBK) gives the browser other characters",
       }, 1},
      {"ReplyWithAStatusLine", "HTTP/1.1 400 Bad Request\r\n\r\n<html></html>\r\n", {
           "0 error count-missing: \"TotleNumber\" in [MAIN] is missing: every user sees the failure message",
           "1 warning reply-status-line: the reply begins with an HTTP status line (\"HTTP/1.1 400 Bad Request\"): the program stores it and any header lines as part of the file",
       }, 2, Source::kReplyClosed},
      {"ReplyAnHtmlPage", "\n<html><body>404 Not Found</body></html>\n", {
           "0 error count-missing: \"TotleNumber\" in [MAIN] is missing: every user sees the failure message",
           "1 warning reply-html: the reply is an HTML page, not the catalogue: the program stores it as its file",
       }, 2, Source::kReplyClosed},
      {"ReplyNotClosed", WithAddress("http://example.com/a.exe"), {
           "0 warning reply-not-closed: the reply did not end with the server's close but with recv() 110 (nothing more within the program's 15 s): the program stores the 88 bytes that came before",
       }, 1, Source::kReplyTimedOut},
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

TEST_P(CraftedCatalogue, GivesEveryProblemAndTheExitStatus) {
  const Row& row = GetParam();
  if (row.source == Source::kShortOfMemory) catalogue_seams::SetEntryAllocator(&NoMemory);
  Checked checked(row.text);
  CatalogueReport& report = checked.report;
  if (row.source == Source::kReplyClosed || row.source == Source::kReplyTimedOut)
    NoteReply(Replied(row.text, row.source == Source::kReplyTimedOut), report);
  std::vector<std::string> problems;
  for (const Problem& problem : report.problems) {
    const char* severity = problem.severity() == Severity::kError ? "error" : "warning";
    problems.push_back(std::to_string(problem.line) + " " + severity + " " + problem.name() +
                       ": " + problem.message);
  }
  EXPECT_EQ(problems, row.problems);
  EXPECT_EQ(ExitStatus(report), row.exitStatus);
}

INSTANTIATE_TEST_SUITE_P(OnePerKind, CraftedCatalogue, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

TEST(CatalogueCheck, EveryKindTheCheckerCanReportHasACraftedCatalogue) {
  for (const ProblemKindInfo& info : kProblemKinds) {
    bool crafted = false;
    for (const Row& row : Rows())
      for (const std::string& problem : row.problems)
        crafted = crafted || problem.find(std::string(" ") + info.name + ": ") != std::string::npos;
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

// Each character at the edges of its encoding's ranges, as a terminal is shown it.
TEST(CatalogueCheck, TextForATerminalEscapesControlsAndKeepsWholeCharacters) {
  struct Shown {
    const char* what;
    std::string text, shown;
  };
  const Shown rows[] = {
      {"U+0800, the first of three bytes led by 0xE0", "\xE0\xA0\x80", "\xE0\xA0\x80"},
      {"U+10080, four bytes led by 0xF0", "\xF0\x90\x82\x80", "\xF0\x90\x82\x80"},
      {"GBK 0x81 0x40, the lowest trail byte", "\x81\x40", "\x81\x40"},
      {"a lone 0x9F, the last C1 control", "a\x9f", "a\\x9f"},
  };
  for (const Shown& row : rows) EXPECT_EQ(ShownOnTerminal(row.text), row.shown) << row.what;
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

// C1 controls as a UTF-8 terminal reads them and as an 8-bit one does; beside them GBK text
// with trail bytes 0x80-0x9F, and GBK text whose bytes across two characters are UTF-8 CSI.
const std::string kC1Catalogue =
    "[MAIN]\nTotleNumber=4\n"
    "[Number1]\nvid=0x1234\npid=0x0001\nURL_XP_32=http://example.com/\xc2\x9b" "31m.exe\n"
    "[Number2]\nvid=0x1234\npid=0x0002\nURL_XP_32=http://example.com/\x9b" "31m.exe\n"
    "[Number3]\nvid=0x1234\npid=0x0003\nURL_XP_32=http://example.com/\x81\x9b\xb0\x80.exe\n"
    "[Number4]\nvid=0x1234\npid=0x0004\nURL_XP_32=http://example.com/\x81\xc2\x9b" "A.exe\n";

// Where the command's bytes come from, besides a plain file, and where its report goes.
struct Feed {
  std::string serve;  // a reply served on `serveAt`:80 for the run
  const char* serveAt = "127.0.0.1";
  bool stall = false;  // the server says nothing more after `serve`, and stays connected
  int connections = 1;  // served `serve` in turn
  bool unwritable = false;  // the report goes to a full device
  unsigned long long fileSize = 0;  // the file extended (without bytes on disk) to this size
  std::size_t pipeBytes = 0;  // "$PIPE" is a pipe that gives `file`, then ';' up to this size
};

Feed Served(const std::string& reply, const char* at = "127.0.0.1") { return Feed{reply, at}; }
// The receive time-out is cut to 300 ms for the row: a silence, far inside the 60 s bound.
Feed ServedThenSilent(const std::string& reply) {
  Feed feed{reply};
  feed.stall = true;
  return feed;
}
// A link check's HEAD and then its GET, each on a connection of its own.
Feed ServedToHeadAndGet(const std::string& reply) {
  Feed feed{reply};
  feed.connections = 2;
  return feed;
}
// A HEAD, its one retry, then the GET: each on a connection of its own.
Feed ServedToHeadRetryAndGet(const std::string& reply) {
  Feed feed{reply};
  feed.connections = 3;
  return feed;
}
Feed Unwritable() {
  Feed feed;
  feed.unwritable = true;
  return feed;
}
Feed ExtendedTo(unsigned long long size) {
  Feed feed;
  feed.fileSize = size;
  return feed;
}
Feed PipedUpTo(std::size_t bytes) {
  Feed feed;
  feed.pipeBytes = bytes;
  return feed;
}

// The whole command, as a maintainer runs it: its report and exit status.
struct CommandRow {
  const char* name;
  // "$FILE" stands for `file`'s path, "$DIR" for a folder, "$MISSING" for a path to nothing.
  std::vector<std::string> args;
  std::string file;
  int exitStatus;
  // The whole report, with the paths as in `args`, each duration as "#.### s", and "$TLS" for
  // the TLS library's name and version as libcurl gives them.
  std::string report;
  Feed feed = {};
  std::string errors = "";  // standard error, for a row without a server
};

const std::vector<CommandRow>& CommandRows() {
  static const std::vector<CommandRow> rows = {
      {"DirectoryCannotBeRead", {"$DIR"}, "", 3,
       "$DIR: cannot be read: Is a directory\n"},
      {"MissingFileGivesTheSystemsReason", {"$MISSING"}, "", 3,
       "$MISSING: cannot be read: No such file or directory\n"},
      {"ServerPortPastTheLastRefused", {"--server", "127.0.0.1:65536"}, "", 3,
       "127.0.0.1:65536: cannot be read\n"},
      {"RunBoundOfNoSecondsRefused", {"--links", "--run-seconds", "0", "$FILE"}, "", 3, "", {},
       "usage: catalogue-check [--json] [--device VID:PID]... FILE\n"
       "       catalogue-check [--json] [--device VID:PID]... --server HOST[:PORT]\n"
       "       catalogue-check --links [--ca-file FILE] [--address-seconds S] [--run-seconds S]\n"
       "                       [--json] [--device VID:PID]... FILE | --server HOST[:PORT]\n"},
      {"DeviceWithoutItsIdsRefused", {"$FILE", "--device"}, "", 3, "", {},
       "usage: catalogue-check [--json] [--device VID:PID]... FILE\n"
       "       catalogue-check [--json] [--device VID:PID]... --server HOST[:PORT]\n"
       "       catalogue-check --links [--ca-file FILE] [--address-seconds S] [--run-seconds S]\n"
       "                       [--json] [--device VID:PID]... FILE | --server HOST[:PORT]\n"},
      {"UnknownOptionRefused", {"--verbose", "$FILE"}, "", 3, "", {},
       "usage: catalogue-check [--json] [--device VID:PID]... FILE\n"
       "       catalogue-check [--json] [--device VID:PID]... --server HOST[:PORT]\n"
       "       catalogue-check --links [--ca-file FILE] [--address-seconds S] [--run-seconds S]\n"
       "                       [--json] [--device VID:PID]... FILE | --server HOST[:PORT]\n"},
      {"ReportThatCannotBeWritten", {"$FILE"}, WithAddress("http://example.com/a.exe"), 3, "", Unwritable(),
       "catalogue-check: the report could not be written\n"},
      {"ControlBytesShownEscaped", {"$FILE"}, WithAddress("http://example.com/\x1b]0;owned\x07\x1b[2J\x7f.exe"), 1,
       "$FILE: 102 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=http://example.com/\\x1b]0;owned\\x07\\x1b[2J\\x7f.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "problems: 0 errors, 1 warning\n"
       "  $FILE:6: warning: record 1 URL_XP_32: address holds characters the program encodes: the browser is given \"http://example.com/%1B]0;owned%07%1B[2J%7F.exe\" [address-encoded]\n"},
      {"C1ControlsShownEscapedGbkKept", {"$FILE"}, kC1Catalogue, 1,
       "$FILE: 302 bytes\n"
       "the program loads 4 records:\n"
       "  1  1234:0001  URL_XP_32=http://example.com/\\xc2\\x9b31m.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "  2  1234:0002  URL_XP_32=http://example.com/\\x9b31m.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "  3  1234:0003  URL_XP_32=http://example.com/\x81\x9b\xb0\x80.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "  4  1234:0004  URL_XP_32=http://example.com/\\x81\\xc2\\x9b\\x41.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "problems: 0 errors, 2 warnings\n"
       "  $FILE:6: warning: record 1 URL_XP_32: address holds UTF-8 bytes: the program hands them on in the system's code page, so a Chinese system (GBK) gives the browser other characters [address-utf8]\n"
       "  $FILE:10: warning: record 2 URL_XP_32: address holds bytes above 0x7F that are not GBK text: a Chinese system cannot read them [address-not-gbk]\n"},
      // 0x80 is a character of its own in GBK, never a lead byte: shown escaped, and no
      // warning for the byte after it.
      {"Byte0x80StandsAlone", {"$FILE"}, WithAddress("http://example.com/\x80/\x80" "A.exe"), 0,
       "$FILE: 91 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=http://example.com/\\x80/\\x80A.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "no problems\n"},
      // A backslash written raw would start an escape JSON does not have ("\s"); a control
      // byte raw is not JSON at all.
      {"JsonOfAMatchedAddressWithABackslashAndAControlByte", {"--json", "--device", "1234:5678", "$FILE"},
       WithAddress("http://example.com/drivers\\set\x1bup.exe"), 1,
       "{\n"
       "  \"source\": \"$FILE\",\n"
       "  \"readable\": true,\n"
       "  \"fileBytes\": 101,\n"
       "  \"fileBytesMoreThan\": false,\n"
       "  \"readBytes\": 101,\n"
       "  \"loaded\": true,\n"
       "  \"records\": [\n"
       "    {\"number\": 1, \"vid\": \"1234\", \"pid\": \"5678\", \"URL_XP_32\": \"http://example.com/drivers\\\\set\\u001bup.exe\", \"URL_XP_64\": \"\", \"URL_Vista_32\": \"\", \"URL_Vista_64\": \"\"}\n"
       "  ],\n"
       "  \"problems\": [\n"
       "    {\"severity\": \"warning\", \"kind\": \"address-encoded\", \"line\": 6, \"message\": \"record 1 URL_XP_32: address holds characters the program encodes: the browser is given \\\"http://example.com/drivers\\\\set%1Bup.exe\\\"\"}\n"
       "  ],\n"
       "  \"devices\": [\n"
       "    {\"vid\": \"1234\", \"pid\": \"5678\", \"failure\": null, \"notFound\": null, \"matched\": [1], \"links\": [{\"record\": 1, \"key\": \"URL_XP_32\", \"address\": \"http://example.com/drivers\\\\set\\u001bup.exe\", \"replacedBy\": null}]}\n"
       "  ],\n"
       "  \"exitStatus\": 1\n"
       "}\n"},
      // HEAD and GET both answered with an empty body: its size is known, and 0.
      {"LinkWithAnEmptyBody", {"--links", "$FILE"}, WithAddress("http://127.0.0.1/empty.exe"), 0,
       "$FILE: 90 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=http://127.0.0.1/empty.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "links: 1 address checked in #.### s\n"
       "  http://127.0.0.1/empty.exe (record 1 URL_XP_32): 200, an empty body, 0 bytes, #.### s\n"
       "no problems\n",
       ServedToHeadAndGet("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")},
      // A plain web server at an https address: the greeting is answered with no TLS.
      {"LinkOfAServerWithoutTls", {"--links", "$FILE"}, WithAddress("https://127.0.0.1:80/d.exe"), 2,
       "$FILE: 90 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=https://127.0.0.1:80/d.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "links: 1 address checked in #.### s\n"
       "  https://127.0.0.1:80/d.exe (record 1 URL_XP_32): TLS handshake failed: $TLS: error:0A00010B:SSL routines::wrong version number, #.### s\n"
       "problems: 1 error, 0 warnings\n"
       "  $FILE: error: https://127.0.0.1:80/d.exe (record 1 URL_XP_32): TLS handshake failed: $TLS: error:0A00010B:SSL routines::wrong version number [link-dead]\n",
       Served("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")},
      {"LinkRedirectedToAUnitSeparator", {"--links", "$FILE"}, WithAddress("http://127.0.0.1/r.exe"), 2,
       "$FILE: 86 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=http://127.0.0.1/r.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "links: 1 address checked in #.### s\n"
       "  http://127.0.0.1/r.exe (record 1 URL_XP_32): 302 after 1 redirect to http://127.0.0.1/a\\x1f.exe, redirect to an address with control characters: http://127.0.0.1/a\\x1f.exe, #.### s\n"
       "problems: 1 error, 0 warnings\n"
       "  $FILE: error: http://127.0.0.1/r.exe (record 1 URL_XP_32): redirects to http://127.0.0.1/a\\x1f.exe, an address with control characters [link-dead]\n",
       Served("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1/a\x1f.exe\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")},
      {"LinkRedirectedToADelete", {"--links", "$FILE"}, WithAddress("http://127.0.0.1/r.exe"), 2,
       "$FILE: 86 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=http://127.0.0.1/r.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "links: 1 address checked in #.### s\n"
       "  http://127.0.0.1/r.exe (record 1 URL_XP_32): 302 after 1 redirect to http://127.0.0.1/a\\x7f.exe, redirect to an address with control characters: http://127.0.0.1/a\\x7f.exe, #.### s\n"
       "problems: 1 error, 0 warnings\n"
       "  $FILE: error: http://127.0.0.1/r.exe (record 1 URL_XP_32): redirects to http://127.0.0.1/a\\x7f.exe, an address with control characters [link-dead]\n",
       Served("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1/a\x7f.exe\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")},
      // "0" is a wait like any other: retried at once.
      {"RetryAfterZeroRetriedAtOnce", {"--links", "$FILE"}, WithAddress("http://127.0.0.1/busy.exe"), 2,
       "$FILE: 89 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=http://127.0.0.1/busy.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "links: 1 address checked in #.### s\n"
       "  http://127.0.0.1/busy.exe (record 1 URL_XP_32): 503, retried once, #.### s\n"
       "problems: 1 error, 0 warnings\n"
       "  $FILE: error: http://127.0.0.1/busy.exe (record 1 URL_XP_32): answers 503 [link-dead]\n",
       ServedToHeadRetryAndGet("HTTP/1.1 503 Service Unavailable\r\nRetry-After: 0\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")},
      // More digits than any integer holds: past the bound, not a crash; the report keeps 100.
      {"RetryAfterOfAHundredAndTwentyDigits", {"--links", "$FILE"}, WithAddress("http://127.0.0.1/busy.exe"), 2,
       "$FILE: 89 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=http://127.0.0.1/busy.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "links: 1 address checked in #.### s\n"
       "  http://127.0.0.1/busy.exe (record 1 URL_XP_32): 503 (Retry-After 1" + std::string(99, '0') + " s is past the address's bound), #.### s\n"
       "problems: 1 error, 0 warnings\n"
       "  $FILE: error: http://127.0.0.1/busy.exe (record 1 URL_XP_32): answers 503 [link-dead]\n",
       ServedToHeadAndGet("HTTP/1.1 503 Service Unavailable\r\nRetry-After: 1" + std::string(119, '0') + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")},
      {"RetryAfterOfNeitherFormNotRetried", {"--links", "$FILE"}, WithAddress("http://127.0.0.1/busy.exe"), 2,
       "$FILE: 89 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=http://127.0.0.1/busy.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "links: 1 address checked in #.### s\n"
       "  http://127.0.0.1/busy.exe (record 1 URL_XP_32): 503, #.### s\n"
       "problems: 1 error, 0 warnings\n"
       "  $FILE: error: http://127.0.0.1/busy.exe (record 1 URL_XP_32): answers 503 [link-dead]\n",
       ServedToHeadAndGet("HTTP/1.1 503 Service Unavailable\r\nRetry-After: soon\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")},
      {"RetryAfterADatePastTheBound", {"--links", "$FILE"}, WithAddress("http://127.0.0.1/busy.exe"), 2,
       "$FILE: 89 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=http://127.0.0.1/busy.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "links: 1 address checked in #.### s\n"
       "  http://127.0.0.1/busy.exe (record 1 URL_XP_32): 503 (Retry-After Fri, 31 Dec 9999 23:59:59 GMT is past the address's bound), #.### s\n"
       "problems: 1 error, 0 warnings\n"
       "  $FILE: error: http://127.0.0.1/busy.exe (record 1 URL_XP_32): answers 503 [link-dead]\n",
       ServedToHeadAndGet("HTTP/1.1 503 Service Unavailable\r\nRetry-After: Fri, 31 Dec 9999 23:59:59 GMT\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")},
      // The address's bound as given: 3 s leave no room for a wait of 5.
      {"RetryAfterPastTheAddressBoundGiven", {"--links", "--address-seconds", "3", "$FILE"}, WithAddress("http://127.0.0.1/busy.exe"), 2,
       "$FILE: 89 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=http://127.0.0.1/busy.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "links: 1 address checked in #.### s\n"
       "  http://127.0.0.1/busy.exe (record 1 URL_XP_32): 503 (Retry-After 5 s is past the address's bound), #.### s\n"
       "problems: 1 error, 0 warnings\n"
       "  $FILE: error: http://127.0.0.1/busy.exe (record 1 URL_XP_32): answers 503 [link-dead]\n",
       ServedToHeadAndGet("HTTP/1.1 503 Service Unavailable\r\nRetry-After: 5\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")},
      {"RetryAfterADateGoneRetriedAtOnce", {"--links", "$FILE"}, WithAddress("http://127.0.0.1/busy.exe"), 2,
       "$FILE: 89 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=http://127.0.0.1/busy.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "links: 1 address checked in #.### s\n"
       "  http://127.0.0.1/busy.exe (record 1 URL_XP_32): 503, retried once, #.### s\n"
       "problems: 1 error, 0 warnings\n"
       "  $FILE: error: http://127.0.0.1/busy.exe (record 1 URL_XP_32): answers 503 [link-dead]\n",
       ServedToHeadRetryAndGet("HTTP/1.1 503 Service Unavailable\r\nRetry-After: Sun, 06 Nov 1994 08:49:37 GMT\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")},
      {"RetryAfterOfBlanksSaysNothing", {"--links", "$FILE"}, WithAddress("http://127.0.0.1/busy.exe"), 2,
       "$FILE: 89 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=http://127.0.0.1/busy.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "links: 1 address checked in #.### s\n"
       "  http://127.0.0.1/busy.exe (record 1 URL_XP_32): 503, #.### s\n"
       "problems: 1 error, 0 warnings\n"
       "  $FILE: error: http://127.0.0.1/busy.exe (record 1 URL_XP_32): answers 503 [link-dead]\n",
       ServedToHeadAndGet("HTTP/1.1 503 Service Unavailable\r\nRetry-After: \t \r\nContent-Length: 0\r\nConnection: close\r\n\r\n")},
      {"SizeOfAFileAbove16MiB", {"$FILE"}, kOneRecord, 2,
       "$FILE: 17825792 bytes, of which a download keeps 102400\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "problems: 1 error, 1 warning\n"
       "  $FILE:3: warning: record 1 has no address: a camera with the ids 1234:5678 gets no link from it, and its match hides the not-found message [record-no-address]\n"
       "  $FILE:6: error: the file has 17825792 bytes: a download keeps the first 102400, so everything from here on is lost (what stands before is read as usual) [file-cut]\n",
       ExtendedTo(17825792)},
      {"PipeLongerThan16MiB", {"$PIPE"}, WithAddress("http://example.com/a.exe"), 2,
       "$PIPE: more than 16777216 bytes, of which a download keeps 102400\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=http://example.com/a.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "problems: 1 error, 0 warnings\n"
       "  $PIPE:7: error: the file has more than 16777216 bytes: a download keeps the first 102400, so everything from here on is lost (what stands before is read as usual) [file-cut]\n",
       PipedUpTo(16 * 1024 * 1024 + 65536)},
      {"DeviceOfARecordWithoutAddress", {"--device", "1234:5678", "$FILE"}, kOneRecord, 1,
       "$FILE: 53 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "problems: 0 errors, 1 warning\n"
       "  $FILE:3: warning: record 1 has no address: a camera with the ids 1234:5678 gets no link from it, and its match hides the not-found message [record-no-address]\n"
       "device 1234:5678: record 1 matches: the dialog shows no link and no message\n"},
      {"DeviceOfRecordsWithTheSameIds", {"--device", "1234:5678", "$FILE"}, kSameIdsTwice, 1,
       "$FILE: 148 bytes\n"
       "the program loads 2 records:\n"
       "  1  1234:5678  URL_XP_32=http://a/1  URL_XP_64=http://b/1  URL_Vista_32=  URL_Vista_64=\n"
       "  2  1234:5678  URL_XP_32=http://a/2  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "problems: 0 errors, 1 warning\n"
       "  $FILE:8: warning: record 2 has the ids 1234:5678 of record 1: later non-empty addresses replace earlier ones, so the camera shows URL_XP_32 of record 2, URL_XP_64 of record 1 [duplicate-ids]\n"
       "device 1234:5678: the program configures these links, in this order:\n"
       "  record 1 URL_XP_32=http://a/1  (replaced by record 2)\n"
       "  record 1 URL_XP_64=http://b/1\n"
       "  record 2 URL_XP_32=http://a/2\n"},
      {"DeviceAfterAFailedLoad", {"--device", "1234:5678", "$FILE"}, "[MAIN]\n" + kRecord1, 2,
       "$FILE: 39 bytes\n"
       "the program loads no record\n"
       "problems: 1 error, 0 warnings\n"
       "  $FILE:1: error: \"TotleNumber\" in [MAIN] is missing: every user sees the failure message [count-missing]\n"
       "device 1234:5678: the load fails, so the program shows the failure message \"Can not get internet driver information,please make sure internet connection is ok!\" and closes before any check\n"},
      // Nothing listens: the exchange ends before anything is sent, and so does the report.
      {"ServerRefusesTheConnection", {"--server", "127.0.0.3"}, "", 3,
       "server 127.0.0.3: the program's request, \"GET /english/product/PublicDriver/PID.ini\" and a line feed\n"
       "  not sent: connect() failed with 111 after #.### s; the program keeps whatever file it had\n"
       "127.0.0.3: cannot be read\n",
       {}, "\nconnect(): 111\n"},
      {"ServerGivenAsAnAddress", {"--server", "127.0.0.2"}, "", 0,
       "server 127.0.0.2: the program's request, \"GET /english/product/PublicDriver/PID.ini\" and a line feed\n"
       "  connected in #.### s; 888 bytes in #.### s, ended by the server's close\n"
       "  the reply begins with: profile\n"
       "127.0.0.2: 888 bytes\n"
       "the program loads 4 records:\n"
       "  1  1234:5678  URL_XP_32=http://example.com/drivers/cam5678/xp32/setup.exe  URL_XP_64=http://example.com/drivers/cam5678/xp64/setup.exe  URL_Vista_32=http://example.org/drivers/cam5678/vista32/setup.exe  URL_Vista_64=http://example.net/drivers/cam5678/vista64/setup.exe\n"
       "  2  1234:0001  URL_XP_32=http://example.com/drivers/cam0001/xp32/setup.exe  URL_XP_64=  URL_Vista_32=http://example.com/drivers/cam0001/vista32/setup.exe  URL_Vista_64=\n"
       "  3  0c45:6340  URL_XP_32=http://example.com/drivers/cam6340/xp32/setup.exe  URL_XP_64=http://example.com/drivers/cam6340/xp64/setup.exe  URL_Vista_32=  URL_Vista_64=\n"
       "  4  046d:0824  URL_XP_32=  URL_XP_64=  URL_Vista_32=http://example.com/drivers/cam2084/vista32/setup.exe  URL_Vista_64=http://example.com/drivers/cam2084/vista64/setup.exe\n"
       "no problems\n",
       Served(Sample(), "127.0.0.2")},
      {"ReplyCutByTheDownloadsBound", {"--server", "127.0.0.1"}, "", 2,
       "server 127.0.0.1: the program's request, \"GET /english/product/PublicDriver/PID.ini\" and a line feed\n"
       "  connected in #.### s; 102400 bytes in #.### s, ended by recv() 90\n"
       "  the reply begins with: profile\n"
       "127.0.0.1: 102400 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=http://example.com/a.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "problems: 1 error, 0 warnings\n"
       "  127.0.0.1:7: error: the reply is longer than 102400 bytes: the program keeps the first 102400 and stops reading, so everything from here on is lost (what stands before is read as usual) [file-cut]\n",
       Served(PastTheCut())},
      // A silence ends the reply, and the report blames the silence, not the whole exchange's bound.
      {"ServerSilentInsideTheExchangeBound", {"--server", "127.0.0.1"}, "", 1,
       "server 127.0.0.1: the program's request, \"GET /english/product/PublicDriver/PID.ini\" and a line feed\n"
       "  connected in #.### s; 88 bytes in #.### s, ended by recv() 110\n"
       "  the reply begins with: profile\n"
       "127.0.0.1: 88 bytes\n"
       "the program loads 1 record:\n"
       "  1  1234:5678  URL_XP_32=http://example.com/a.exe  URL_XP_64=  URL_Vista_32=  URL_Vista_64=\n"
       "problems: 0 errors, 1 warning\n"
       "  127.0.0.1: warning: the reply did not end with the server's close but with recv() 110 (nothing more within the program's 15 s): the program stores the 88 bytes that came before [reply-not-closed]\n",
       ServedThenSilent(WithAddress("http://example.com/a.exe"))},
  };
  return rows;
}

void PrintTo(const CommandRow& row, std::ostream* out) { *out << row.name; }

// Gives `bytes` to the one reader of the pipe at `path`, then goes on with ';' up to `total`
// bytes or until the reader closes.
void FeedPipe(const std::string& path, std::string bytes, std::size_t total) {
  const int pipe = open(path.c_str(), O_WRONLY);
  if (pipe < 0) return;
  bytes.resize(total, ';');
  for (std::size_t at = 0; at < bytes.size();) {
    const ssize_t wrote = write(pipe, bytes.data() + at, std::min<std::size_t>(65536, bytes.size() - at));
    if (wrote <= 0) break;
    at += static_cast<std::size_t>(wrote);
  }
  close(pipe);
}

class Command : public testing::TestWithParam<CommandRow> {
 protected:
  static void SetUpTestSuite() {
    PrepareNetworkForTests();
    // A pipe's reader stops at the bound, so the feeder's last write fails instead.
    std::signal(SIGPIPE, SIG_IGN);
  }
  void TearDown() override { catalogue_seams::RestoreFetchTimeouts(); }
  TempFolderScope folder;
};

TEST_P(Command, ReportsAndExitsAsTheProgramBehaves) {
  const CommandRow& row = GetParam();
  const Feed& feed = row.feed;
  const std::string file = folder.folder() + "FILE";
  const std::string missing = folder.folder() + "no such file";
  const std::string pipe = folder.folder() + "PIPE";
  // The folder goes only when empty: whatever a row made in it goes first, however it ends.
  struct Remover {
    const std::string& file;
    const std::string& pipe;
    ~Remover() {
      std::remove(file.c_str());
      std::remove(pipe.c_str());
    }
  } remover{file, pipe};
  WriteBytes(file, row.file);
  if (feed.fileSize != 0) {
    ASSERT_EQ(truncate(file.c_str(), static_cast<off_t>(feed.fileSize)), 0);
  }
  if (feed.pipeBytes != 0) {
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  }
  const auto paths = [&](std::string text) {
    text = ReplaceAll(text, "$TLS", curl_version_info(CURLVERSION_NOW)->ssl_version);
    text = ReplaceAll(text, "$FILE", file);
    text = ReplaceAll(text, "$MISSING", missing);
    text = ReplaceAll(text, "$PIPE", pipe);
    return ReplaceAll(text, "$DIR", folder.folder());
  };
  std::vector<std::string> args = {"catalogue-check"};
  for (const std::string& arg : row.args) args.push_back(paths(arg));
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());

  LoopbackServer server;
  if (!feed.serve.empty()) {
    ServerScript script;
    script.pieces = {feed.serve};
    if (feed.stall) {
      script.ending = ServerScript::Ending::kStall;
      catalogue_seams::SetFetchTimeouts(5000, 300);
    }
    ASSERT_TRUE(server.Start(script, feed.serveAt, kHttpPort, feed.connections));
  }
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> out(feed.unwritable ? std::fopen("/dev/full", "w") : std::tmpfile());
  ASSERT_NE(out, nullptr);
  std::thread feeder;
  if (feed.pipeBytes != 0) feeder = std::thread(FeedPipe, pipe, row.file, feed.pipeBytes);
  StderrCapture errors;
  const int status = RunCatalogueCheck(static_cast<int>(argv.size()), argv.data(), out.get());
  const std::string errorText = errors.Stop();
  if (feeder.joinable()) {
    // A feeder still waiting for a reader, or writing to none, is let go.
    const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    if (reader >= 0) close(reader);
    feeder.join();
  }
  server.Stop();
  EXPECT_EQ(status, row.exitStatus);
  // A server's exchange writes the program's own download lines, as many as its pieces.
  if (feed.serve.empty()) {
    EXPECT_EQ(errorText, row.errors);
  }
  if (feed.unwritable) return;
  std::string report;
  std::rewind(out.get());
  char chunk[4096];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, out.get())) > 0;) report.append(chunk, got);
  report = WithoutDurations(report);
  EXPECT_EQ(report, paths(row.report));
}

INSTANTIATE_TEST_SUITE_P(OnePerFault, Command, testing::ValuesIn(CommandRows()),
                         [](const testing::TestParamInfo<CommandRow>& row) { return std::string(row.param.name); });

// Where a redirect from a public address may not lead: each range's first and last address, and
// the public neighbours on either side.
TEST(LinkCheck, PrivateAddressesAreTheMachineAndItsNetworks) {
  struct AddressRow {
    const char* address;
    bool isPrivate;
  };
  const AddressRow rows[] = {
      {"0.0.0.0", true},        {"0.255.255.255", true},   {"1.0.0.0", false},
      {"9.255.255.255", false}, {"10.0.0.0", true},        {"10.255.255.255", true},
      {"11.0.0.0", false},      {"126.255.255.255", false}, {"127.0.0.0", true},
      {"127.255.255.255", true}, {"128.0.0.0", false},     {"169.253.255.255", false},
      {"169.254.0.0", true},    {"169.254.169.254", true}, {"169.254.255.255", true},
      {"169.255.0.0", false},   {"172.15.255.255", false}, {"172.16.0.0", true},
      {"172.31.255.255", true}, {"172.32.0.0", false},     {"192.167.255.255", false},
      {"192.168.0.0", true},    {"192.168.255.255", true}, {"192.169.0.0", false},
      {"198.51.100.1", false},  {"::", true},              {"::1", true},
      {"::2", false},           {"::1:0:1", false},          {"1::1", false},
      {"::ffff:10.0.0.1", true}, {"::ffff:169.254.169.254", true}, {"::ffff:8.8.8.8", false},
      {"::fffe:a00:1", false}, {"fbff:ffff::", false},  {"fc00::", true},
      {"fdff:ffff::1", true},   {"fe00::", false},         {"fe7f:ffff::", false},
      {"fe80::", true},         {"febf:ffff::1", true},    {"fec0::", false},
      {"2001:db8::1", false},    {"::100", false},          {"2080::1", false},
  };
  for (const AddressRow& row : rows) {
    sockaddr_storage storage{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (inet_pton(AF_INET, row.address, &v4->sin_addr) == 1) {
      v4->sin_family = AF_INET;
    } else {
      ASSERT_EQ(inet_pton(AF_INET6, row.address, &v6->sin6_addr), 1) << row.address;
      v6->sin6_family = AF_INET6;
    }
    const auto* address = reinterpret_cast<const sockaddr*>(&storage);
    EXPECT_EQ(IsPrivateAddress(address), row.isPrivate) << row.address;
    EXPECT_EQ(AddressText(address), row.address);
  }
}

}  // namespace
