#include "server_probe.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "catalogue/load_catalogue.h"
#include "catalogue/socket_compat.h"
#include "catalogue/socket_session.h"
#include "check_catalogue.h"
#include "check_report.h"

ReplyStart ClassifyReply(const std::string& reply) {
  if (reply.empty()) return ReplyStart::kNothing;
  if (reply.compare(0, 5, "HTTP/") == 0) return ReplyStart::kStatusLine;
  const std::size_t first = reply.find_first_not_of(" \t\r\n");
  if (first != std::string::npos && reply[first] == '<') return ReplyStart::kHtmlPage;
  return ReplyStart::kProfile;
}

bool SplitServer(const std::string& server, std::string& host, unsigned short& port) {
  const std::size_t colon = server.rfind(':');
  host = server.substr(0, colon);
  port = 0;
  if (host.empty()) return false;
  if (colon == std::string::npos) return true;
  const std::string digits = server.substr(colon + 1);
  if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const long value = std::strtol(digits.c_str(), nullptr, 10);
  if (value < 1 || value > 65535) return false;
  port = htons(static_cast<unsigned short>(value));
  return true;
}

ServerProbe ProbeServer(const std::string& host, unsigned short port) {
  ServerProbe probe;
  if (!StartSocketSession()) return probe;
  FetchCatalogueReply(host.c_str(), port, kCatalogueServerPath,
                      [&probe](const char* bytes, std::size_t count) {
                        probe.sent = true;
                        probe.reply.assign(bytes, count);
                      },
                      probe.trace, DottedAddress::kAsGiven);
  EndSocketSession();
  probe.start = ClassifyReply(probe.reply);
  return probe;
}

const char* DescribeStart(ReplyStart start) {
  switch (start) {
    case ReplyStart::kNothing: return "nothing";
    case ReplyStart::kProfile: return "profile";
    case ReplyStart::kStatusLine: return "HTTP status line";
    case ReplyStart::kHtmlPage: return "HTML page";
  }
  return "nothing";
}

void NoteReply(const ServerProbe& probe, CatalogueReport& report) {
  const std::string firstLine = probe.reply.substr(0, probe.reply.find_first_of("\r\n"));
  if (probe.start == ReplyStart::kStatusLine) {
    report.problems.push_back({ProblemKind::kReplyStatusLine, 1,
                               "the reply begins with an HTTP status line (\"" + firstLine +
                                   "\"): the program stores it and any header lines as part of "
                                   "the file"});
  } else if (probe.start == ReplyStart::kHtmlPage) {
    report.problems.push_back({ProblemKind::kReplyHtml, 1,
                               "the reply is an HTML page, not the catalogue: the program stores "
                               "it as its file"});
  }
  const FetchTrace& trace = probe.trace;
  // The download stops at its buffer's end with this failure: the same cut as a longer file's.
  const bool cut = trace.failedStep != nullptr && std::strcmp(trace.failedStep, "recv()") == 0 &&
                   trace.failureCode == kMessageTooLongCode;
  if (cut) {
    report.problems.push_back(
        {ProblemKind::kFileCut, LineOfOffset(probe.reply, probe.reply.size()),
         "the reply is longer than " + std::to_string(kReplyBufferSize) +
             " bytes: the program keeps the first " + std::to_string(kReplyBufferSize) +
             " and stops reading, so everything from here on is lost (what stands before is "
             "read as usual)"});
  } else if (trace.failedStep != nullptr) {
    std::string ending = std::string(trace.failedStep) + " " + std::to_string(trace.failureCode);
    if (trace.exchangeCut) {
      ending += " (the program's " + std::to_string(kExchangeTimeoutMilliseconds / 1000) +
                " s for the whole exchange ran out)";
    } else if (trace.failureCode == kTimedOutCode) {
      ending += " (nothing more within the program's " +
                std::to_string(kReceiveTimeoutMilliseconds / 1000) + " s)";
    }
    report.problems.push_back({ProblemKind::kReplyNotClosed, 0,
                               "the reply did not end with the server's close but with " + ending +
                                   ": the program stores the " +
                                   std::to_string(probe.reply.size()) + " bytes that came before"});
  }
  std::stable_sort(report.problems.begin(), report.problems.end(),
                   [](const Problem& a, const Problem& b) { return a.line < b.line; });
}
