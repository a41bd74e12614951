#pragma once
// Every problem the checker can report, in one list: its fixed name (the JSON's "kind", for
// pipelines) and its severity. The table in docs/MAINTAINERS.md and the crafted-catalogue
// test follow the catalogue's kinds; the links' kinds, which need servers to arise, have a
// list of their own.
#include <cstddef>
#include <iterator>

// A note tells something to act on without counting against the catalogue (exit status 0).
enum class Severity { kWarning, kError, kNote };

constexpr const char* SeverityName(Severity severity) {
  return severity == Severity::kError ? "error" : severity == Severity::kNote ? "note" : "warning";
}

enum class ProblemKind {
  kFileEmpty,
  kFileCut,
  kCountMissing,
  kCountZero,
  kCountTooLarge,
  kCountSigned,
  kTableNotMade,
  kRecordMissing,
  kRecordIds,
  kRecordNoAddress,
  kSectionAboveCount,
  kSectionAlmostRecord,
  kSectionRepeated,
  kDuplicateIds,
  kKeyUnknown,
  kAddressCut,
  kAddressNotWeb,
  kAddressEncoded,
  kAddressUtf8,
  kAddressNotGbk,
  kReplyStatusLine,
  kReplyHtml,
  kReplyNotClosed,
  // catalogue-check --links
  kLinkDead,
  kLinkPage,
  kLinkOldBrowsers,
  kLinkSlow,
  kLinkRedirected,
};

struct ProblemKindInfo {
  ProblemKind kind;
  const char* name;
  Severity severity;
};

inline constexpr ProblemKindInfo kProblemKinds[] = {
    {ProblemKind::kFileEmpty, "file-empty", Severity::kError},
    {ProblemKind::kFileCut, "file-cut", Severity::kError},
    {ProblemKind::kCountMissing, "count-missing", Severity::kError},
    {ProblemKind::kCountZero, "count-zero", Severity::kError},
    {ProblemKind::kCountTooLarge, "count-too-large", Severity::kError},
    {ProblemKind::kCountSigned, "count-signed", Severity::kError},
    {ProblemKind::kTableNotMade, "table-not-made", Severity::kError},
    {ProblemKind::kRecordMissing, "record-missing", Severity::kWarning},
    {ProblemKind::kRecordIds, "record-ids", Severity::kWarning},
    {ProblemKind::kRecordNoAddress, "record-no-address", Severity::kWarning},
    {ProblemKind::kSectionAboveCount, "section-above-count", Severity::kWarning},
    {ProblemKind::kSectionAlmostRecord, "section-almost-record", Severity::kWarning},
    {ProblemKind::kSectionRepeated, "section-repeated", Severity::kWarning},
    {ProblemKind::kDuplicateIds, "duplicate-ids", Severity::kWarning},
    {ProblemKind::kKeyUnknown, "key-unknown", Severity::kWarning},
    {ProblemKind::kAddressCut, "address-cut", Severity::kWarning},
    {ProblemKind::kAddressNotWeb, "address-not-web", Severity::kWarning},
    {ProblemKind::kAddressEncoded, "address-encoded", Severity::kWarning},
    {ProblemKind::kAddressUtf8, "address-utf8", Severity::kWarning},
    {ProblemKind::kAddressNotGbk, "address-not-gbk", Severity::kWarning},
    {ProblemKind::kReplyStatusLine, "reply-status-line", Severity::kWarning},
    {ProblemKind::kReplyHtml, "reply-html", Severity::kWarning},
    {ProblemKind::kReplyNotClosed, "reply-not-closed", Severity::kWarning},
};

inline constexpr ProblemKindInfo kLinkProblemKinds[] = {
    {ProblemKind::kLinkDead, "link-dead", Severity::kError},
    {ProblemKind::kLinkPage, "link-page", Severity::kWarning},
    {ProblemKind::kLinkOldBrowsers, "link-old-browsers", Severity::kWarning},
    {ProblemKind::kLinkSlow, "link-slow", Severity::kError},
    {ProblemKind::kLinkRedirected, "link-redirected", Severity::kNote},
};

// The lists are looked up by the kind's number, so together they hold every kind in the
// enumeration's order.
constexpr bool InEnumerationOrder() {
  const std::size_t first = std::size(kProblemKinds);
  if (first != static_cast<std::size_t>(ProblemKind::kReplyNotClosed) + 1 ||
      first + std::size(kLinkProblemKinds) != static_cast<std::size_t>(ProblemKind::kLinkRedirected) + 1)
    return false;
  for (std::size_t i = 0; i < first; ++i)
    if (static_cast<std::size_t>(kProblemKinds[i].kind) != i) return false;
  for (std::size_t i = 0; i < std::size(kLinkProblemKinds); ++i)
    if (static_cast<std::size_t>(kLinkProblemKinds[i].kind) != first + i) return false;
  return true;
}
static_assert(InEnumerationOrder(), "the kind lists must hold every kind in enumeration order");

constexpr const ProblemKindInfo& InfoOf(ProblemKind kind) {
  const auto number = static_cast<std::size_t>(kind);
  return number < std::size(kProblemKinds) ? kProblemKinds[number]
                                           : kLinkProblemKinds[number - std::size(kProblemKinds)];
}
