#include "check_catalogue.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

#include "address_checks.h"
#include "catalogue/catalogue_table.h"
#include "catalogue/fetch_catalogue.h"
#include "catalogue/load_catalogue.h"
#include "catalogue/profile_reader.h"
#include "device_links.h"
#include "section_names.h"

namespace {

// The load's owner, with no dialog: the failure message is only noted.
class SilentOwner : public CatalogueOwner {
 public:
  void HideStatusText() override {}
  void ShowFailureMessage(const char*, const char*) override { shown = true; }
  int LanguageId() const override { return 1033; }
  bool shown = false;
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

class Checker {
 public:
  Checker(std::string_view text, CatalogueReport& report)
      : text_(text), reader_(text), lines_(text), report_(report),
        scratch_(text.size() + 1) {}

  void CheckCount();
  void CheckRecords();
  void CheckHeadings();
  void CheckRecordKeys();
  void CheckDuplicates();

 private:
  void Warn(std::size_t offset, const char* kind, std::string message) {
    report_.problems.push_back({Severity::kWarning, lines_.LineOf(offset), kind, std::move(message)});
  }
  void Error(std::size_t offset, const char* kind, std::string message) {
    report_.problems.push_back({Severity::kError, lines_.LineOf(offset), kind, std::move(message)});
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
  std::uint32_t Count() const { return TheCatalogue().count; }

  std::string_view text_;
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
    Error(ProfileReader::kNone, "file-empty", "the file is empty" + std::string(outcome));
  } else if (keyAt == ProfileReader::kNone || written.empty()) {
    Error(keyAt != ProfileReader::kNone ? keyAt : HeadingOffset(kMainSection), "count-missing",
          where + " is missing" + outcome);
  } else if (count == 0) {
    Error(keyAt, "count-zero", where + " reads as 0 (\"" + written + "\")" + outcome);
  } else if (written[0] == '-') {
    Error(keyAt, "count-signed",
          where + " is written with a minus sign (\"" + written + "\")" + outcome);
  } else if (count > kMaxCatalogueCount) {
    Error(keyAt, "count-too-large", where + " is " + std::to_string(count) + ", above " +
                                        std::to_string(kMaxCatalogueCount) + outcome);
  } else {
    Error(keyAt, "table-not-made", "the table of " + std::to_string(count) +
                                       " records could not be made" + outcome);
  }
}

void Checker::CheckRecords() {
  const DriverCatalogue& table = TheCatalogue();
  for (std::uint32_t number = 1; number <= Count(); ++number) {
    const CatalogueEntry& entry = table.entries[number - 1];
    const RecordSectionName section(number);
    RecordLine line{number, entry.vid, entry.pid, {}};
    const char* const fields[] = {entry.urlXp32, entry.urlXp64, entry.urlVista32, entry.urlVista64};
    for (std::size_t i = 0; i < 4; ++i) line.addresses[i] = fields[i];
    report_.records.push_back(line);

    const std::string record = "record " + std::to_string(number);
    if (!reader_.HasSection(section.text)) {
      Warn(ProfileReader::kNone, "record-missing",
           record + ": no section [" + section.text + "]: the record has ids 0 and no links");
      continue;
    }
    if (!UsableId(entry.vid) || !UsableId(entry.pid)) {
      const char* key = UsableId(entry.vid) ? kPidKey : kVidKey;
      std::size_t at = reader_.KeyOffset(section.text, key);
      if (at == ProfileReader::kNone) at = HeadingOffset(section.text);
      Warn(at, "record-ids", record + ": ids " + Ids(entry.vid, entry.pid) +
                                 ": no camera carries an id of 0 or above 0xFFFF");
    }
    for (std::size_t i = 0; i < 4; ++i) {
      const std::size_t at = reader_.KeyOffset(section.text, kUrlKeys[i]);
      const std::string written(Written(section.text, kUrlKeys[i]));
      for (const AddressFinding& finding : CheckAddress(fields[i], written))
        Warn(at, finding.kind, record + " " + kUrlKeys[i] + ": " + finding.message);
    }
  }
}

void Checker::CheckHeadings() {
  const auto& headings = reader_.Headings();
  for (std::size_t h = 1; h < headings.size(); ++h) {
    const std::string name(headings[h].name);
    const HeadingClass heading = ClassifyHeading(reader_, name);
    const std::string read = RecordSectionName(heading.number).text;
    switch (heading.kind) {
      case HeadingKind::kRecord:
        if (report_.loaded && (heading.number == 0 || heading.number > Count())) {
          Warn(headings[h].offset, "section-above-count",
               "[" + name + "] is never read: the count (\"" + kCountKey + "\") is " +
                   std::to_string(Count()) + " and records count from 1");
        }
        break;
      case HeadingKind::kLeadingZeros:
      case HeadingKind::kMisspelt:
        Warn(headings[h].offset, "section-almost-record",
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
      Warn(key.offset, "key-unknown",
           "\"" + std::string(key.name) + "\" in [" + section + "] is never read");
    }
  }
}

void Checker::CheckDuplicates() {
  DriverCatalogue& table = TheCatalogue();
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> first;
  for (std::uint32_t number = 1; number <= Count(); ++number) {
    const CatalogueEntry& entry = table.entries[number - 1];
    if (!UsableId(entry.vid) || !UsableId(entry.pid)) continue;
    const auto inserted = first.emplace(std::make_pair(entry.vid, entry.pid), number);
    if (inserted.second) continue;
    std::vector<LinkStep> steps = LinksForDevice(table, static_cast<std::uint16_t>(entry.vid),
                                                 static_cast<std::uint16_t>(entry.pid));
    std::stable_sort(steps.begin(), steps.end(),
                     [](const LinkStep& a, const LinkStep& b) { return a.link < b.link; });
    std::string shown;
    for (const LinkStep& step : steps) {
      if (step.replacedBy != 0) continue;
      shown += std::string(shown.empty() ? "" : ", ") + kUrlKeys[step.link] + " of record " +
               std::to_string(step.record);
    }
    if (shown.empty()) shown = "none";
    Warn(HeadingOffset(RecordSectionName(number).text), "duplicate-ids",
         "record " + std::to_string(number) + " has the ids " + Ids(entry.vid, entry.pid) +
             " of record " + std::to_string(inserted.first->second) +
             ": later non-empty addresses replace earlier ones, so the camera shows " + shown);
  }
}

}  // namespace

int ExitStatus(const CatalogueReport& report) {
  const auto& problems = report.problems;
  if (std::any_of(problems.begin(), problems.end(),
                  [](const Problem& p) { return p.severity == Severity::kError; }))
    return kExitErrors;
  return problems.empty() ? kExitClean : kExitWarnings;
}

CatalogueReport CheckCatalogue(std::string_view fileBytes) {
  CatalogueReport report;
  report.fileBytes = fileBytes.size();
  const std::string_view text = fileBytes.substr(0, kReplyBufferSize);
  report.readBytes = text.size();

  SilentOwner owner;
  report.loaded = LoadCatalogueFromText(owner, text) == 1;

  Checker checker(text, report);
  if (fileBytes.size() > text.size()) {
    const LineIndex lines(fileBytes);
    report.problems.push_back(
        {Severity::kError, lines.LineOf(text.size()), "file-cut",
         "the file has " + std::to_string(fileBytes.size()) + " bytes: a download keeps the first " +
             std::to_string(kReplyBufferSize) + ", so everything from here on is lost"});
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
