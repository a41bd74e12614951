#pragma once
// catalogue-check --links: what a user's click on each of the catalogue's addresses gets.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check_report.h"

struct LinkUse {
  std::uint32_t record;  // counted from 1
  std::size_t link;      // 0 to 3: the key kUrlKeys names
};

struct LinkTarget {
  std::string address;  // as stored
  std::string sent;     // as a click hands it to the browser: the program's own encoding
  std::vector<LinkUse> uses;
};

// Every distinct address of the loaded records that a click opens, in the order of first use.
std::vector<LinkTarget> LinkTargets(const CatalogueReport& report);

// What the first bytes of a body are.
enum class Content { kNothing, kExecutable, kZip, kCabinet, kRar, kSevenZip, kHtmlPage, kOther };
Content SniffContent(std::string_view firstBytes);

enum class LinkFailure {
  kNone,
  kStatus,          // the final answer's status is not a success
  kNameNotFound,
  kNoConnection,    // refused, unreachable or not within the connect bound
  kCertificate,     // the certificate was not accepted
  kTls,             // the TLS handshake failed otherwise
  kRedirectLoop,
  kTooManyRedirects,
  kRedirectNotWeb,  // a redirect to a scheme other than http and https
  kRedirectControl,  // a redirect to an address with control characters
  kPrivateNetwork,   // a redirect from a public address to a private, loopback or link-local one
  kBadAnswer,       // no usable HTTP answer
  kAddressBound,    // no whole answer within the address's bound: slow
  kRunBound,        // the run's bound ended first: slow
  kOther,
};

// The compatibility handshake of Windows 2000/XP's own browser: TLS 1.0 at most, no SNI.
enum class OldBrowsers { kNotAsked, kOpens, kNoHandshake, kCertificateWarning };

struct LinkHop {
  long status;
  std::string location;
  bool fromPublic = false;  // led to from a public address: it may not reach a private one
};

struct LinkResult {
  LinkTarget target;
  LinkFailure failure = LinkFailure::kNone;
  std::string detail;  // the failure in the library's words; the hop it happened at
  long status = 0;     // the final HTTP status, 0 when none came
  std::string finalAddress;
  std::vector<LinkHop> hops;  // each redirect: its status and where it led
  bool permanentRedirect = false;  // the address itself has moved: its first hop is permanent
  std::string movedTo;  // where the permanent hops from the address end: the catalogue's new text
  int retries = 0;  // after a 429 or 503 with Retry-After
  Content content = Content::kNothing;
  std::string contentType;  // as the server named it
  std::int64_t bytes = -1;  // the whole body's size, -1 when not known
  double seconds = 0;
  OldBrowsers oldBrowsers = OldBrowsers::kNotAsked;
  std::string oldBrowsersDetail;  // where and why the handshake failed
  bool Dead() const { return failure != LinkFailure::kNone && !Slow(); }
  bool Slow() const {
    return failure == LinkFailure::kAddressBound || failure == LinkFailure::kRunBound;
  }
};

struct LinkOptions {
  std::string caFile;  // empty: the system's store
  double addressSeconds = 60;
  double connectSeconds = 15;
  double runSeconds = 900;
  bool progress = false;  // the one-line display on standard error
};

struct LinkRun {
  std::vector<LinkResult> results;  // in the targets' order
  double seconds = 0;
};

// Fetches every target, several at once, at most 2 at once to one host. Needs the native
// build (libcurl and OpenSSL).
LinkRun CheckLinks(const std::vector<LinkTarget>& targets, const LinkOptions& options);

// The compatibility handshake with https://host:port as Windows XP's browser makes it, all of
// it (the name's look-up, each of its addresses, the handshake) within `seconds`; reads no body.
// `privateRefused`: no connection to a private address (the host was reached by a redirect
// from a public one). kNotAsked when the bound ended first; `detail` says why it failed.
OldBrowsers OldBrowserHandshake(const std::string& host, unsigned short port,
                                const LinkOptions& options, double seconds, bool privateRefused,
                                std::string& detail);

// The problems of the run, appended to the report's.
void NoteLinks(const LinkRun& run, CatalogueReport& report);

const char* DescribeContent(Content content);
const char* DescribeFailure(LinkFailure failure);
// "record 1 URL_XP_32, record 3 URL_XP_64"
std::string DescribeUses(const std::vector<LinkUse>& uses);
