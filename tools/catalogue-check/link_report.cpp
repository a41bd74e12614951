#include <cstring>
#include <string>
#include <string_view>

#include "app/link_label/link_logic.h"
#include "catalogue/load_catalogue.h"
#include "link_check.h"

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view start) {
  if (text.size() < start.size()) return false;
  for (std::size_t i = 0; i < start.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != start[i]) return false;
  }
  return true;
}

std::string Subject(const LinkResult& result) {
  return result.target.address + " (" + DescribeUses(result.target.uses) + ")";
}

std::string DeadBecause(const LinkResult& result) {
  switch (result.failure) {
    case LinkFailure::kStatus:
      return "answers " + std::to_string(result.status);
    case LinkFailure::kRedirectLoop:
      return "redirects in a loop back to " + result.detail;
    case LinkFailure::kTooManyRedirects:
      return "redirects more than 10 times";
    case LinkFailure::kRedirectNotWeb:
      return "redirects to " + result.detail + ", not a web address";
    case LinkFailure::kRedirectControl:
      return "redirects to " + result.detail + ", an address with control characters";
    case LinkFailure::kPrivateNetwork:
      return "redirects into a private network: " + result.finalAddress + " is at " +
             result.detail;
    default:
      return std::string(DescribeFailure(result.failure)) +
             (result.detail.empty() ? "" : ": " + result.detail);
  }
}

}  // namespace

std::vector<LinkTarget> LinkTargets(const CatalogueReport& report) {
  std::vector<LinkTarget> targets;
  for (const RecordLine& record : report.records) {
    for (std::size_t link = 0; link < record.addresses.size(); ++link) {
      const std::string& address = record.addresses[link];
      // What the program would open; a click on anything else is refused before it.
      if (!linklogic::IsOpenableWebAddress(address)) continue;
      LinkTarget* found = nullptr;
      for (LinkTarget& target : targets)
        if (target.address == address) found = &target;
      if (found == nullptr) {
        targets.push_back({address, linklogic::EncodeWebAddress(address), {}});
        found = &targets.back();
      }
      found->uses.push_back({record.number, link});
    }
  }
  return targets;
}

Content SniffContent(std::string_view bytes) {
  auto starts = [&](std::string_view magic) { return bytes.substr(0, magic.size()) == magic; };
  if (bytes.empty()) return Content::kNothing;
  if (starts("MZ")) return Content::kExecutable;
  if (starts(std::string_view("PK\x03\x04", 4))) return Content::kZip;
  if (starts("MSCF")) return Content::kCabinet;
  if (starts(std::string_view("Rar!\x1a\x07", 6))) return Content::kRar;
  if (starts(std::string_view("7z\xbc\xaf\x27\x1c", 6))) return Content::kSevenZip;
  std::string_view text = bytes;
  if (text.substr(0, 3) == "\xef\xbb\xbf") text.remove_prefix(3);
  while (!text.empty() && std::strchr(" \t\r\n\f", text.front()) != nullptr) text.remove_prefix(1);
  if (StartsWithNoCase(text, "<!doctype") || StartsWithNoCase(text, "<html"))
    return Content::kHtmlPage;
  return Content::kOther;
}

const char* DescribeContent(Content content) {
  switch (content) {
    case Content::kNothing: return "nothing";
    case Content::kExecutable: return "a Windows executable";
    case Content::kZip: return "a ZIP archive";
    case Content::kCabinet: return "a cabinet";
    case Content::kRar: return "a RAR archive";
    case Content::kSevenZip: return "a 7-Zip archive";
    case Content::kHtmlPage: return "a web page";
    case Content::kOther: return "other content";
  }
  return "";
}

const char* DescribeFailure(LinkFailure failure) {
  switch (failure) {
    case LinkFailure::kNone: return "none";
    case LinkFailure::kStatus: return "an error status";
    case LinkFailure::kNameNotFound: return "name not found";
    case LinkFailure::kNoConnection: return "no connection";
    case LinkFailure::kCertificate: return "certificate not accepted";
    case LinkFailure::kTls: return "TLS handshake failed";
    case LinkFailure::kRedirectLoop: return "redirect loop";
    case LinkFailure::kTooManyRedirects: return "more than 10 redirects";
    case LinkFailure::kRedirectNotWeb: return "redirect to a non-web address";
    case LinkFailure::kRedirectControl: return "redirect to an address with control characters";
    case LinkFailure::kPrivateNetwork: return "redirect into a private network";
    case LinkFailure::kBadAnswer: return "no usable answer";
    case LinkFailure::kAddressBound: return "no whole answer within the address's bound";
    case LinkFailure::kRunBound: return "not done within the run's bound";
    case LinkFailure::kOther: return "failed";
  }
  return "";
}

std::string DescribeUses(const std::vector<LinkUse>& uses) {
  std::string text;
  for (const LinkUse& use : uses) {
    if (!text.empty()) text += ", ";
    text += "record " + std::to_string(use.record) + " " + kUrlKeys[use.link];
  }
  return text;
}

void NoteLinks(const LinkRun& run, CatalogueReport& report) {
  for (const LinkResult& result : run.results) {
    const std::string subject = Subject(result);
    if (result.Slow())
      report.problems.push_back({ProblemKind::kLinkSlow, 0,
                                 subject + ": " + DescribeFailure(result.failure) +
                                     (result.detail.empty() ? "" : " (" + result.detail + ")")});
    else if (result.Dead())
      report.problems.push_back({ProblemKind::kLinkDead, 0, subject + ": " + DeadBecause(result)});
    if (result.content == Content::kHtmlPage)
      report.problems.push_back({ProblemKind::kLinkPage, 0,
                                 subject + ": the address answers with a web page, not a file"});
    if (result.oldBrowsers == OldBrowsers::kNoHandshake)
      report.problems.push_back(
          {ProblemKind::kLinkOldBrowsers, 0,
           subject + ": users of Windows 2000/XP cannot open this address with the system's "
                     "browser (" + result.oldBrowsersDetail + ")"});
    else if (result.oldBrowsers == OldBrowsers::kCertificateWarning)
      report.problems.push_back({ProblemKind::kLinkOldBrowsers, 0,
                                 subject + ": users of Windows 2000/XP see a certificate warning (" +
                                     result.oldBrowsersDetail + ")"});
    if (result.permanentRedirect && !result.Dead() && !result.Slow())
      report.problems.push_back({ProblemKind::kLinkRedirected, 0,
                                 subject + ": moved permanently; the new address is " +
                                     result.movedTo});
  }
}
