#pragma once
// Every problem the checker can report, in one list: its fixed name (the JSON's "kind", for
// pipelines) and its severity. The README's table and the crafted-catalogue test follow it.
#include <cstddef>
#include <iterator>

enum class Severity { kWarning, kError };

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

// The list is looked up by the kind's number, so it holds every kind in the enumeration's order.
constexpr bool InEnumerationOrder() {
  if (std::size(kProblemKinds) != static_cast<std::size_t>(ProblemKind::kReplyNotClosed) + 1)
    return false;
  for (std::size_t i = 0; i < std::size(kProblemKinds); ++i)
    if (static_cast<std::size_t>(kProblemKinds[i].kind) != i) return false;
  return true;
}
static_assert(InEnumerationOrder(), "kProblemKinds must list every kind in enumeration order");

constexpr const ProblemKindInfo& InfoOf(ProblemKind kind) {
  return kProblemKinds[static_cast<std::size_t>(kind)];
}
