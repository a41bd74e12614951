#include <cinttypes>
#include <cstdio>
#include <string>
#include <string_view>

#include "catalogue/load_catalogue.h"
#include "check_run.h"
#include "common/messages.h"
#include "text_encoding.h"

namespace {

constexpr int kEnglish = 1033;

void PrintServer(const CheckRun& run, std::FILE* out) {
  const ServerProbe& probe = *run.server;
  const FetchTrace& trace = probe.trace;
  std::fprintf(out, "server %s: the program's request, \"GET %s\" and a line feed\n",
               ShownOnTerminal(run.source).c_str(), kCatalogueServerPath);
  if (!probe.sent) {
    if (trace.failedStep == nullptr)
      std::fprintf(out, "  the socket session did not start\n");
    else
      std::fprintf(out,
                   "  not sent: %s failed with %d after %.3f s; the program keeps whatever file "
                   "it had\n",
                   trace.failedStep, trace.failureCode, trace.totalSeconds);
    return;
  }
  std::fprintf(out, "  connected in %.3f s; %zu bytes in %.3f s, ", trace.connectSeconds,
               probe.reply.size(), trace.totalSeconds);
  if (trace.failedStep == nullptr)
    std::fprintf(out, "ended by the server's close\n");
  else
    std::fprintf(out, "ended by %s %d\n", trace.failedStep, trace.failureCode);
  std::fprintf(out, "  the reply begins with: %s\n", DescribeStart(probe.start));
}

void PrintRecords(const CatalogueReport& report, std::FILE* out) {
  if (!report.loaded) {
    std::fprintf(out, "the program loads no record\n");
    return;
  }
  std::fprintf(out, "the program loads %zu record%s:\n", report.records.size(),
               report.records.size() == 1 ? "" : "s");
  for (const RecordLine& record : report.records) {
    std::fprintf(out, "  %u  %04x:%04x", record.number, record.vid, record.pid);
    for (std::size_t i = 0; i < record.addresses.size(); ++i)
      std::fprintf(out, "  %s=%s", kUrlKeys[i], ShownOnTerminal(record.addresses[i]).c_str());
    std::fprintf(out, "\n");
  }
}

// One line per address: who uses it, what a click gets, how long it took.
void PrintLinks(const LinkRun& links, std::FILE* out) {
  std::fprintf(out, "links: %zu address%s checked in %.3f s\n", links.results.size(),
               links.results.size() == 1 ? "" : "es", links.seconds);
  for (const LinkResult& result : links.results) {
    std::fprintf(out, "  %s (%s): ", ShownOnTerminal(result.target.address).c_str(),
                 DescribeUses(result.target.uses).c_str());
    if (result.status != 0) std::fprintf(out, "%ld", result.status);
    if (!result.hops.empty())
      std::fprintf(out, "%safter %zu redirect%s to %s", result.status != 0 ? " " : "",
                   result.hops.size(), result.hops.size() == 1 ? "" : "s",
                   ShownOnTerminal(result.finalAddress).c_str());
    if (result.failure != LinkFailure::kNone && result.failure != LinkFailure::kStatus)
      std::fprintf(out, "%s%s%s%s", result.status != 0 || !result.hops.empty() ? ", " : "",
                   DescribeFailure(result.failure), result.detail.empty() ? "" : ": ",
                   ShownOnTerminal(result.detail).c_str());
    if (result.failure == LinkFailure::kStatus && !result.detail.empty())
      std::fprintf(out, " (%s)", ShownOnTerminal(result.detail).c_str());
    if (result.retries != 0) std::fprintf(out, ", retried once");
    if (result.failure == LinkFailure::kNone) {
      std::fprintf(out, ", %s", result.content == Content::kNothing ? "an empty body"
                                                                    : DescribeContent(result.content));
      if (!result.contentType.empty())
        std::fprintf(out, " (%s)", ShownOnTerminal(result.contentType).c_str());
      if (result.bytes >= 0) std::fprintf(out, ", %lld bytes", static_cast<long long>(result.bytes));
    }
    std::fprintf(out, ", %.3f s\n", result.seconds);
  }
}

void PrintProblems(const CheckRun& run, std::FILE* out) {
  std::size_t errors = 0;
  for (const Problem& problem : run.report.problems)
    errors += problem.severity() == Severity::kError;
  if (run.report.problems.empty()) {
    std::fprintf(out, "no problems\n");
    return;
  }
  std::size_t notes = 0;
  for (const Problem& problem : run.report.problems)
    notes += problem.severity() == Severity::kNote;
  const std::size_t warnings = run.report.problems.size() - errors - notes;
  std::fprintf(out, "problems: %zu error%s, %zu warning%s", errors, errors == 1 ? "" : "s",
               warnings, warnings == 1 ? "" : "s");
  if (notes != 0) std::fprintf(out, ", %zu note%s", notes, notes == 1 ? "" : "s");
  std::fprintf(out, "\n");
  const std::string source = ShownOnTerminal(run.source);
  for (const Problem& problem : run.report.problems) {
    const char* severity = SeverityName(problem.severity());
    if (problem.line != 0)
      std::fprintf(out, "  %s:%zu: %s: %s [%s]\n", source.c_str(), problem.line, severity,
                   ShownOnTerminal(problem.message).c_str(), problem.name());
    else
      std::fprintf(out, "  %s: %s: %s [%s]\n", source.c_str(), severity,
                   ShownOnTerminal(problem.message).c_str(), problem.name());
  }
}

void PrintDevices(const CheckRun& run, std::FILE* out) {
  for (const DeviceAnswer& device : run.devices) {
    std::fprintf(out, "device %04x:%04x: ", device.vid, device.pid);
    const DeviceLinks& links = device.links;
    if (!run.report.loaded) {
      // The dialog ends when its load fails: the message box is all a user sees.
      std::fprintf(out, "the load fails, so the program shows the failure message \"%s\" and "
                        "closes before any check\n",
                   CatalogueFailureMessage(kEnglish).text);
    } else if (links.matched.empty()) {
      std::fprintf(out, "%s\n", NotFoundMessage(kEnglish));
    } else if (links.steps.empty()) {
      std::fprintf(out, "record%s", links.matched.size() == 1 ? "" : "s");
      for (std::size_t i = 0; i < links.matched.size(); ++i)
        std::fprintf(out, "%s%u", i == 0 ? " " : ", ", links.matched[i]);
      std::fprintf(out, " match%s: the dialog shows no link and no message\n",
                   links.matched.size() == 1 ? "es" : "");
    } else {
      std::fprintf(out, "the program configures these links, in this order:\n");
      for (const LinkStep& step : links.steps) {
        std::fprintf(out, "  record %u %s=%s", step.record, kUrlKeys[step.link],
                     ShownOnTerminal(step.address).c_str());
        if (step.replacedBy != 0) std::fprintf(out, "  (replaced by record %u)", step.replacedBy);
        std::fprintf(out, "\n");
      }
    }
  }
}

}  // namespace

void PrintText(const CheckRun& run, std::FILE* out) {
  if (run.server) PrintServer(run, out);
  if (!run.readable) {
    std::fprintf(out, "%s: cannot be read%s%s\n", ShownOnTerminal(run.source).c_str(),
                 run.unreadable.empty() ? "" : ": ", ShownOnTerminal(run.unreadable).c_str());
    return;
  }
  std::fprintf(out, "%s: %s%" PRIu64 " bytes", ShownOnTerminal(run.source).c_str(),
               run.report.fileBytesMoreThan ? "more than " : "", run.report.fileBytes);
  if (run.report.readBytes != run.report.fileBytes || run.report.fileBytesMoreThan)
    std::fprintf(out, ", of which a download keeps %zu", run.report.readBytes);
  std::fprintf(out, "\n");
  PrintRecords(run.report, out);
  if (run.links) PrintLinks(*run.links, out);
  PrintProblems(run, out);
  PrintDevices(run, out);
}
