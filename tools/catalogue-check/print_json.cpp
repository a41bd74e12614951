#include <cinttypes>
#include <cstdio>
#include <string>
#include <string_view>

#include "catalogue/load_catalogue.h"
#include "check_run.h"
#include "common/messages.h"

namespace {

constexpr int kEnglish = 1033;

// JSON text is UTF-8; the catalogue's bytes need not be, so each byte above 0x7F is written as
// the character of the same number (U+0080 to U+00FF), one per byte.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '"' || byte == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
  return Quoted(text);
}

void PrintServer(const CheckRun& run, std::FILE* out) {
  const ServerProbe& probe = *run.server;
  const FetchTrace& trace = probe.trace;
  std::fprintf(out,
               "  \"server\": {\"address\": %s, \"sent\": %s, \"connectSeconds\": %.6f, "
               "\"totalSeconds\": %.6f, \"bytes\": %zu, \"replyStart\": %s, \"failure\": ",
               Quoted(run.source).c_str(), probe.sent ? "true" : "false", trace.connectSeconds,
               trace.totalSeconds, probe.reply.size(), Quoted(DescribeStart(probe.start)).c_str());
  if (trace.failedStep == nullptr)
    std::fprintf(out, "null},\n");
  else
    std::fprintf(out, "{\"step\": %s, \"code\": %d}},\n", Quoted(trace.failedStep).c_str(),
                 trace.failureCode);
}

void PrintRecords(const CatalogueReport& report, std::FILE* out) {
  std::fprintf(out, "  \"records\": [");
  const char* separator = "\n";
  for (const RecordLine& record : report.records) {
    std::fprintf(out, "%s    {\"number\": %u, \"vid\": %s, \"pid\": %s", separator, record.number,
                 Hex(record.vid).c_str(), Hex(record.pid).c_str());
    for (std::size_t i = 0; i < record.addresses.size(); ++i)
      std::fprintf(out, ", %s: %s", Quoted(kUrlKeys[i]).c_str(),
                   Quoted(record.addresses[i]).c_str());
    std::fprintf(out, "}");
    separator = ",\n";
  }
  std::fprintf(out, "%s],\n", report.records.empty() ? "" : "\n  ");
}

// A message the user sees, or null.
std::string MessageOrNull(bool shown, const char* message) {
  return shown ? Quoted(message) : std::string("null");
}

const char* OldBrowsersName(OldBrowsers answer) {
  switch (answer) {
    case OldBrowsers::kNotAsked: return "not asked";
    case OldBrowsers::kOpens: return "opens";
    case OldBrowsers::kNoHandshake: return "no handshake";
    case OldBrowsers::kCertificateWarning: return "certificate warning";
  }
  return "";
}

void PrintLinks(const LinkRun& links, std::FILE* out) {
  std::fprintf(out, "  \"links\": {\"seconds\": %.6f, \"addresses\": [", links.seconds);
  const char* separator = "\n";
  for (const LinkResult& result : links.results) {
    std::fprintf(out, "%s    {\"address\": %s, \"uses\": [", separator,
                 Quoted(result.target.address).c_str());
    const char* inner = "";
    for (const LinkUse& use : result.target.uses) {
      std::fprintf(out, "%s{\"record\": %u, \"key\": %s}", inner, use.record,
                   Quoted(kUrlKeys[use.link]).c_str());
      inner = ", ";
    }
    std::fprintf(out, "], \"status\": ");
    if (result.status != 0)
      std::fprintf(out, "%ld", result.status);
    else
      std::fprintf(out, "null");
    std::fprintf(out, ", \"failure\": ");
    if (result.failure == LinkFailure::kNone)
      std::fprintf(out, "null");
    else
      std::fprintf(out, "{\"kind\": %s, \"detail\": %s}",
                   Quoted(DescribeFailure(result.failure)).c_str(), Quoted(result.detail).c_str());
    std::fprintf(out, ", \"finalAddress\": %s, \"redirects\": [",
                 Quoted(result.finalAddress).c_str());
    inner = "";
    for (const LinkHop& hop : result.hops) {
      std::fprintf(out, "%s{\"status\": %ld, \"location\": %s}", inner, hop.status,
                   Quoted(hop.location).c_str());
      inner = ", ";
    }
    std::fprintf(out, "], \"retries\": %d, \"content\": %s, \"contentType\": %s, \"bytes\": ",
                 result.retries, Quoted(DescribeContent(result.content)).c_str(),
                 MessageOrNull(!result.contentType.empty(), result.contentType.c_str()).c_str());
    if (result.bytes >= 0)
      std::fprintf(out, "%lld", static_cast<long long>(result.bytes));
    else
      std::fprintf(out, "null");
    std::fprintf(out, ", \"seconds\": %.6f, \"oldBrowsers\": %s, \"oldBrowsersDetail\": %s}",
                 result.seconds, Quoted(OldBrowsersName(result.oldBrowsers)).c_str(),
                 MessageOrNull(!result.oldBrowsersDetail.empty(),
                               result.oldBrowsersDetail.c_str()).c_str());
    separator = ",\n";
  }
  std::fprintf(out, "%s]},\n", links.results.empty() ? "" : "\n  ");
}

void PrintProblems(const CatalogueReport& report, std::FILE* out) {
  std::fprintf(out, "  \"problems\": [");
  const char* separator = "\n";
  for (const Problem& problem : report.problems) {
    std::fprintf(out, "%s    {\"severity\": %s, \"kind\": %s, \"line\": ", separator,
                 Quoted(SeverityName(problem.severity())).c_str(), Quoted(problem.name()).c_str());
    if (problem.line != 0)
      std::fprintf(out, "%zu", problem.line);
    else
      std::fprintf(out, "null");
    std::fprintf(out, ", \"message\": %s}", Quoted(problem.message).c_str());
    separator = ",\n";
  }
  std::fprintf(out, "%s],\n", report.problems.empty() ? "" : "\n  ");
}

void PrintDevices(const CheckRun& run, std::FILE* out) {
  std::fprintf(out, "  \"devices\": [");
  const char* separator = "\n";
  for (const DeviceAnswer& device : run.devices) {
    const DeviceLinks& links = device.links;
    const bool loaded = run.report.loaded;
    std::fprintf(out, "%s    {\"vid\": %s, \"pid\": %s, \"failure\": %s, \"notFound\": %s, ",
                 separator, Hex(device.vid).c_str(), Hex(device.pid).c_str(),
                 MessageOrNull(!loaded, CatalogueFailureMessage(kEnglish).text).c_str(),
                 MessageOrNull(loaded && links.matched.empty(), NotFoundMessage(kEnglish)).c_str());
    std::fprintf(out, "\"matched\": [");
    for (std::size_t i = 0; i < links.matched.size(); ++i)
      std::fprintf(out, "%s%u", i == 0 ? "" : ", ", links.matched[i]);
    std::fprintf(out, "], \"links\": [");
    const char* inner = "";
    for (const LinkStep& step : links.steps) {
      std::fprintf(out, "%s{\"record\": %u, \"key\": %s, \"address\": %s, \"replacedBy\": ",
                   inner, step.record, Quoted(kUrlKeys[step.link]).c_str(),
                   Quoted(step.address).c_str());
      if (step.replacedBy != 0)
        std::fprintf(out, "%u}", step.replacedBy);
      else
        std::fprintf(out, "null}");
      inner = ", ";
    }
    std::fprintf(out, "]}");
    separator = ",\n";
  }
  std::fprintf(out, "%s],\n", run.devices.empty() ? "" : "\n  ");
}

}  // namespace

void PrintJson(const CheckRun& run, std::FILE* out) {
  std::fprintf(out, "{\n  \"source\": %s,\n", Quoted(run.source).c_str());
  if (run.server) PrintServer(run, out);
  std::fprintf(out, "  \"readable\": %s,\n", run.readable ? "true" : "false");
  if (run.readable) {
    std::fprintf(out,
                 "  \"fileBytes\": %" PRIu64 ",\n  \"fileBytesMoreThan\": %s,\n"
                 "  \"readBytes\": %zu,\n  \"loaded\": %s,\n",
                 run.report.fileBytes, run.report.fileBytesMoreThan ? "true" : "false",
                 run.report.readBytes, run.report.loaded ? "true" : "false");
    PrintRecords(run.report, out);
    if (run.links) PrintLinks(*run.links, out);
    PrintProblems(run.report, out);
    PrintDevices(run, out);
  } else {
    std::fprintf(out, "  \"unreadable\": %s,\n",
                 MessageOrNull(!run.unreadable.empty(), run.unreadable.c_str()).c_str());
  }
  std::fprintf(out, "  \"exitStatus\": %d\n}\n", run.exitStatus);
}
