#include <cstdio>

#include "catalogue/load_catalogue.h"
#include "check_run.h"
#include "common/messages.h"

namespace {

constexpr int kEnglish = 1033;

void PrintServer(const CheckRun& run) {
  const ServerProbe& probe = *run.server;
  const FetchTrace& trace = probe.trace;
  std::printf("server %s: the program's request, \"GET %s\" and a line feed\n", run.source.c_str(),
              kCatalogueServerPath);
  if (!probe.sent) {
    if (trace.failedStep == nullptr)
      std::printf("  the socket session did not start\n");
    else
      std::printf("  not sent: %s failed with %d after %.3f s; the program keeps whatever file it had\n",
                  trace.failedStep, trace.failureCode, trace.totalSeconds);
    return;
  }
  std::printf("  connected in %.3f s; %zu bytes in %.3f s, ", trace.connectSeconds,
              probe.reply.size(), trace.totalSeconds);
  if (trace.failedStep == nullptr)
    std::printf("ended by the server's close\n");
  else
    std::printf("ended by %s %d\n", trace.failedStep, trace.failureCode);
  std::printf("  the reply begins with: %s\n", DescribeStart(probe.start));
}

void PrintRecords(const CatalogueReport& report) {
  if (!report.loaded) {
    std::printf("the program loads no record\n");
    return;
  }
  std::printf("the program loads %zu record%s:\n", report.records.size(),
              report.records.size() == 1 ? "" : "s");
  for (const RecordLine& record : report.records) {
    std::printf("  %u  %04x:%04x", record.number, record.vid, record.pid);
    for (std::size_t i = 0; i < record.addresses.size(); ++i)
      std::printf("  %s=%s", kUrlKeys[i], record.addresses[i].c_str());
    std::printf("\n");
  }
}

void PrintProblems(const CheckRun& run) {
  std::size_t errors = 0;
  for (const Problem& problem : run.report.problems) errors += problem.severity == Severity::kError;
  if (run.report.problems.empty()) {
    std::printf("no problems\n");
    return;
  }
  std::printf("problems: %zu error%s, %zu warning%s\n", errors, errors == 1 ? "" : "s",
              run.report.problems.size() - errors,
              run.report.problems.size() - errors == 1 ? "" : "s");
  for (const Problem& problem : run.report.problems) {
    const char* severity = problem.severity == Severity::kError ? "error" : "warning";
    if (problem.line != 0)
      std::printf("  %s:%zu: %s: %s [%s]\n", run.source.c_str(), problem.line, severity,
                  problem.message.c_str(), problem.kind.c_str());
    else
      std::printf("  %s: %s: %s [%s]\n", run.source.c_str(), severity, problem.message.c_str(),
                  problem.kind.c_str());
  }
}

void PrintDevices(const CheckRun& run) {
  for (const DeviceAnswer& device : run.devices) {
    if (device.links.empty()) {
      std::printf("device %04x:%04x: %s\n", device.vid, device.pid, NotFoundMessage(kEnglish));
      continue;
    }
    std::printf("device %04x:%04x: the program configures these links, in this order:\n",
                device.vid, device.pid);
    for (const LinkStep& step : device.links) {
      std::printf("  record %u %s=%s", step.record, kUrlKeys[step.link], step.address.c_str());
      if (step.replacedBy != 0) std::printf("  (replaced by record %u)", step.replacedBy);
      std::printf("\n");
    }
  }
}

}  // namespace

void PrintText(const CheckRun& run) {
  if (run.server) PrintServer(run);
  if (!run.readable) {
    std::printf("%s: cannot be read\n", run.source.c_str());
    return;
  }
  std::printf("%s: %zu bytes", run.source.c_str(), run.report.fileBytes);
  if (run.report.readBytes != run.report.fileBytes)
    std::printf(", of which a download keeps %zu", run.report.readBytes);
  std::printf("\n");
  PrintRecords(run.report);
  PrintProblems(run);
  PrintDevices(run);
}
