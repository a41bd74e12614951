#include "check_catalogue.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "address_checks.h"
#include "app/device_match/device_match.h"
#include "catalogue/catalogue_ids.h"
#include "catalogue/catalogue_table.h"
#include "catalogue/fetch_catalogue.h"
#include "catalogue/load_catalogue.h"
#include "catalogue/profile_reader.h"
#include "common/ascii.h"
#include "section_names.h"

namespace {

// The load's owner, with no dialog: the failure message is only noted.
class SilentOwner : public CatalogueOwner {
 public:
  void HideStatusText() override {}
  void ShowFailureMessage(const char*, const char*) override {}
  int LanguageId() const override { return 1033; }
};

// Line numbers as an editor counts them: LF, CR LF or a lone CR ends a line.
class LineIndex {
 public:
  explicit LineIndex(std::string_view text) {
    starts_.push_back(0);
    for (std::size_t at = 0; at < text.size(); ++at) {
      if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
      if (text[at] == '\n' || text[at] == '\r') starts_.push_back(at + 1);
    }
  }
  std::size_t LineOf(std::size_t offset) const {
    if (offset == ProfileReader::kNone) return 0;
    return static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), offset) -
                                    starts_.begin());
  }

 private:
  std::vector<std::size_t> starts_;
};

std::string Hex4(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
  return text;
}

std::string Ids(std::uint32_t vid, std::uint32_t pid) { return Hex4(vid) + ":" + Hex4(pid); }

bool UsableId(std::uint32_t id) { return id != 0 && id <= 0xFFFF; }

bool UsableIds(const CatalogueEntry& entry) { return UsableId(entry.vid) && UsableId(entry.pid); }

class Checker {
 public:
  Checker(std::string_view text, const DriverCatalogue& table, CatalogueReport& report)
      : text_(text), table_(table), reader_(text), lines_(text), report_(report),
        scratch_(text.size() + 1) {}

  void CheckCount();
  void CheckRecords();
  void CheckHeadings();
  void CheckRecordKeys();
  void CheckDuplicates();

 private:
  void Note(std::size_t offset, ProblemKind kind, std::string message) {
    report_.problems.push_back({kind, lines_.LineOf(offset), std::move(message)});
  }
  std::size_t HeadingOffset(const char* section) const {
    const std::size_t heading = reader_.SectionHeading(section);
    return heading == ProfileReader::kNone ? heading : reader_.Headings()[heading].offset;
  }
  // The whole value, unquoted, as the reader hands it out before any cut.
  std::string_view Written(const char* section, const char* key) {
    const std::size_t length =
        reader_.ReadText(section, key, "", scratch_.data(), scratch_.size());
    return std::string_view(scratch_.data(), length);
  }
  std::uint32_t Count() const { return table_.count; }

  std::string_view text_;
  const DriverCatalogue& table_;
  ProfileReader reader_;
  LineIndex lines_;
  CatalogueReport& report_;
  std::vector<char> scratch_;
};

void Checker::CheckCount() {
  if (report_.loaded) return;
  const std::size_t keyAt = reader_.KeyOffset(kMainSection, kCountKey);
  const std::string written(Written(kMainSection, kCountKey));
  const std::uint32_t count = reader_.ReadInt(kMainSection, kCountKey, 0);
  const std::string where = std::string("\"") + kCountKey + "\" in [" + kMainSection + "]";
  const char* outcome = ": every user sees the failure message";
  if (text_.empty()) {
    Note(ProfileReader::kNone, ProblemKind::kFileEmpty, "the file is empty" + std::string(outcome));
  } else if (keyAt == ProfileReader::kNone || written.empty()) {
    Note(keyAt != ProfileReader::kNone ? keyAt : HeadingOffset(kMainSection),
         ProblemKind::kCountMissing, where + " is missing" + outcome);
  } else if (count == 0) {
    Note(keyAt, ProblemKind::kCountZero, where + " reads as 0 (\"" + written + "\")" + outcome);
  } else if (written[0] == '-') {
    Note(keyAt, ProblemKind::kCountSigned,
         where + " is written with a minus sign (\"" + written + "\")" + outcome);
  } else if (count > kMaxCatalogueCount) {
    Note(keyAt, ProblemKind::kCountTooLarge, where + " is " + std::to_string(count) + ", above " +
                                                 std::to_string(kMaxCatalogueCount) + outcome);
  } else {
    // The count is valid, so only memory can have been short, here as on a user's machine.
    Note(keyAt, ProblemKind::kTableNotMade,
         "the table of " + std::to_string(count) +
             " records could not be made (memory ran short): a user whose memory is as short "
             "sees the failure message");
  }
}

void Checker::CheckRecords() {
  for (std::uint32_t number = 1; number <= Count(); ++number) {
    const CatalogueEntry& entry = table_.entries[number - 1];
    const RecordSectionName section(number);
    const auto fields = LinkAddresses(entry);
    RecordLine line{number, entry.vid, entry.pid, {}};
    for (std::size_t i = 0; i < kLinkCount; ++i) line.addresses[i] = fields[i];
    report_.records.push_back(line);

    const std::string record = "record " + std::to_string(number);
    if (!reader_.HasSection(section.text)) {
      Note(ProfileReader::kNone, ProblemKind::kRecordMissing,
           record + ": no section [" + section.text + "]: the record has ids 0 and no links");
      continue;
    }
    if (!UsableIds(entry)) {
      const char* key = UsableId(entry.vid) ? kPidKey : kVidKey;
      std::size_t at = reader_.KeyOffset(section.text, key);
      if (at == ProfileReader::kNone) at = HeadingOffset(section.text);
      Note(at, ProblemKind::kRecordIds, record + ": ids " + Ids(entry.vid, entry.pid) +
                                            ": no camera carries an id of 0 or above 0xFFFF");
    } else if (std::none_of(fields.begin(), fields.end(), ConfiguresLink)) {
      Note(HeadingOffset(section.text), ProblemKind::kRecordNoAddress,
           record + " has no address: a camera with the ids " + Ids(entry.vid, entry.pid) +
               " gets no link from it, and its match hides the not-found message");
    }
    for (std::size_t i = 0; i < kLinkCount; ++i) {
      const std::size_t at = reader_.KeyOffset(section.text, kUrlKeys[i]);
      const std::string written(Written(section.text, kUrlKeys[i]));
      for (const AddressFinding& finding : CheckAddress(fields[i], written))
        Note(at, finding.kind, record + " " + kUrlKeys[i] + ": " + finding.message);
    }
  }
}

// Only the sections the program reads: a repeat of any other is never read either way.
bool IsReadSection(const HeadingClass& heading, std::string_view name, std::uint32_t count) {
  if (heading.kind == HeadingKind::kRecord) return heading.number != 0 && heading.number <= count;
  return heading.kind == HeadingKind::kOther && name.size() == sizeof kMainSection - 1 &&
         std::equal(name.begin(), name.end(), kMainSection,
                    [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
}

void Checker::CheckHeadings() {
  const auto& headings = reader_.Headings();
  for (std::size_t h = 1; h < headings.size(); ++h) {
    const std::string name(headings[h].name);
    const HeadingClass heading = ClassifyHeading(reader_, name);
    const std::size_t first = reader_.SectionHeading(name);
    if (first != h && IsReadSection(heading, name, Count())) {
      Note(headings[h].offset, ProblemKind::kSectionRepeated,
           "[" + name + "] is never read: the program reads the first section of that name, [" +
               std::string(headings[first].name) + "] on line " +
               std::to_string(lines_.LineOf(headings[first].offset)) +
               ", and drops every key of this one");
      continue;
    }
    const std::string read = RecordSectionName(heading.number).text;
    switch (heading.kind) {
      case HeadingKind::kRecord:
        if (report_.loaded && (heading.number == 0 || heading.number > Count())) {
          Note(headings[h].offset, ProblemKind::kSectionAboveCount,
               "[" + name + "] is never read: the count (\"" + kCountKey + "\") is " +
                   std::to_string(Count()) + " and records count from 1");
        }
        break;
      case HeadingKind::kLeadingZeros:
      case HeadingKind::kMisspelt:
        Note(headings[h].offset, ProblemKind::kSectionAlmostRecord,
             "[" + name + "] is never read: the program reads record " +
                 std::to_string(heading.number) + " from [" + read + "]");
        break;
      case HeadingKind::kOther:
        break;
    }
  }
}

void Checker::CheckRecordKeys() {
  const auto& headings = reader_.Headings();
  for (const ProfileReader::KeyLine& key : reader_.Keys()) {
    if (key.name.empty() || key.name.front() == ';' || key.name.front() == '#') continue;
    const std::string section(headings[key.heading].name);
    const HeadingClass heading = ClassifyHeading(reader_, section);
    if (heading.kind != HeadingKind::kRecord || heading.number == 0 || heading.number > Count())
      continue;
    const char* const read[] = {kVidKey, kPidKey, kUrlKeys[0], kUrlKeys[1], kUrlKeys[2], kUrlKeys[3]};
    const bool isRead = std::any_of(std::begin(read), std::end(read), [&](const char* name) {
      return reader_.KeyOffset(section, name) == key.offset;
    });
    if (!isRead) {
      Note(key.offset, ProblemKind::kKeyUnknown,
           "\"" + std::string(key.name) + "\" in [" + section + "] is never read");
    }
  }
}

// Records of the same ids all match the same camera, in record order, and a later record's
// non-empty address replaces an earlier one's: the records are grouped by their ids once, so
// each id pair is worked out once, whatever the number of copies.
void Checker::CheckDuplicates() {
  std::vector<std::uint32_t> numbers;
  for (std::uint32_t number = 1; number <= Count(); ++number)
    if (UsableIds(table_.entries[number - 1])) numbers.push_back(number);
  const auto idsOf = [this](std::uint32_t number) {
    const CatalogueEntry& entry = table_.entries[number - 1];
    return std::make_pair(entry.vid, entry.pid);
  };
  std::stable_sort(numbers.begin(), numbers.end(), [&](std::uint32_t a, std::uint32_t b) {
    return idsOf(a) < idsOf(b);
  });
  for (std::size_t begin = 0, end = 0; begin < numbers.size(); begin = end) {
    end = begin + 1;
    while (end < numbers.size() && idsOf(numbers[end]) == idsOf(numbers[begin])) ++end;
    if (end - begin < 2) continue;
    std::uint32_t shownBy[kLinkCount] = {};
    for (std::size_t i = begin; i < end; ++i) {
      const auto addresses = LinkAddresses(table_.entries[numbers[i] - 1]);
      for (std::size_t link = 0; link < kLinkCount; ++link)
        if (ConfiguresLink(addresses[link])) shownBy[link] = numbers[i];
    }
    std::string shown;
    for (std::size_t link = 0; link < kLinkCount; ++link) {
      if (shownBy[link] == 0) continue;
      shown += std::string(shown.empty() ? "" : ", ") + kUrlKeys[link] + " of record " +
               std::to_string(shownBy[link]);
    }
    if (shown.empty()) shown = "none";
    const auto [vid, pid] = idsOf(numbers[begin]);
    for (std::size_t i = begin + 1; i < end; ++i) {
      Note(HeadingOffset(RecordSectionName(numbers[i]).text), ProblemKind::kDuplicateIds,
           "record " + std::to_string(numbers[i]) + " has the ids " + Ids(vid, pid) +
               " of record " + std::to_string(numbers[begin]) +
               ": later non-empty addresses replace earlier ones, so the camera shows " + shown);
    }
  }
}

}  // namespace

int ExitStatus(const CatalogueReport& report) {
  const auto& problems = report.problems;
  if (std::any_of(problems.begin(), problems.end(),
                  [](const Problem& p) { return p.severity() == Severity::kError; }))
    return kExitErrors;
  return std::any_of(problems.begin(), problems.end(),
                     [](const Problem& p) { return p.severity() == Severity::kWarning; })
             ? kExitWarnings
             : kExitClean;
}

std::size_t LineOfOffset(std::string_view text, std::size_t offset) {
  return LineIndex(text).LineOf(offset);
}

LoadedTable::LoadedTable(std::string_view fileBytes) {
  SilentOwner owner;
  if (LoadCatalogueFromText(owner, fileBytes.substr(0, kReplyBufferSize)) != 1) return;
  DriverCatalogue& programWide = TheCatalogue();
  table_ = programWide;
  programWide = DriverCatalogue{0, nullptr};
  // The ids kept beside the block would outlive it here; matching reads the records instead.
  DropKeptIds();
}

LoadedTable::~LoadedTable() { std::free(table_.entries); }

CatalogueReport CheckCatalogue(std::string_view fileBytes, const DriverCatalogue& table) {
  return CheckCatalogue(fileBytes, FileSize{fileBytes.size(), false}, table);
}

CatalogueReport CheckCatalogue(std::string_view fileBytes, FileSize size,
                               const DriverCatalogue& table) {
  CatalogueReport report;
  report.fileBytes = std::max<std::uint64_t>(size.bytes, fileBytes.size());
  report.fileBytesMoreThan = size.moreThan;
  const std::string_view text = fileBytes.substr(0, kReplyBufferSize);
  report.readBytes = text.size();
  report.loaded = table.entries != nullptr;

  Checker checker(text, table, report);
  if (report.fileBytes > text.size()) {
    report.problems.push_back(
        {ProblemKind::kFileCut, LineOfOffset(fileBytes, text.size()),
         "the file has " + std::string(report.fileBytesMoreThan ? "more than " : "") +
             std::to_string(report.fileBytes) + " bytes: a download keeps the first " +
             std::to_string(kReplyBufferSize) +
             ", so everything from here on is lost (what stands before is read as usual)"});
  }
  checker.CheckCount();
  checker.CheckRecords();
  checker.CheckHeadings();
  checker.CheckRecordKeys();
  checker.CheckDuplicates();
  std::stable_sort(report.problems.begin(), report.problems.end(),
                   [](const Problem& a, const Problem& b) { return a.line < b.line; });
  return report;
}
