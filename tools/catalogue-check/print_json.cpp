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

void PrintServer(const CheckRun& run) {
  const ServerProbe& probe = *run.server;
  const FetchTrace& trace = probe.trace;
  std::printf("  \"server\": {\"address\": %s, \"sent\": %s, \"connectSeconds\": %.6f, "
              "\"totalSeconds\": %.6f, \"bytes\": %zu, \"replyStart\": %s, \"failure\": ",
              Quoted(run.source).c_str(), probe.sent ? "true" : "false", trace.connectSeconds,
              trace.totalSeconds, probe.reply.size(), Quoted(DescribeStart(probe.start)).c_str());
  if (trace.failedStep == nullptr)
    std::printf("null},\n");
  else
    std::printf("{\"step\": %s, \"code\": %d}},\n", Quoted(trace.failedStep).c_str(),
                trace.failureCode);
}

void PrintRecords(const CatalogueReport& report) {
  std::printf("  \"records\": [");
  const char* separator = "\n";
  for (const RecordLine& record : report.records) {
    std::printf("%s    {\"number\": %u, \"vid\": %s, \"pid\": %s", separator, record.number,
                Hex(record.vid).c_str(), Hex(record.pid).c_str());
    for (std::size_t i = 0; i < record.addresses.size(); ++i)
      std::printf(", %s: %s", Quoted(kUrlKeys[i]).c_str(), Quoted(record.addresses[i]).c_str());
    std::printf("}");
    separator = ",\n";
  }
  std::printf("%s],\n", report.records.empty() ? "" : "\n  ");
}

void PrintProblems(const CatalogueReport& report) {
  std::printf("  \"problems\": [");
  const char* separator = "\n";
  for (const Problem& problem : report.problems) {
    std::printf("%s    {\"severity\": %s, \"kind\": %s, \"line\": ", separator,
                problem.severity == Severity::kError ? "\"error\"" : "\"warning\"",
                Quoted(problem.kind).c_str());
    if (problem.line != 0)
      std::printf("%zu", problem.line);
    else
      std::printf("null");
    std::printf(", \"message\": %s}", Quoted(problem.message).c_str());
    separator = ",\n";
  }
  std::printf("%s],\n", report.problems.empty() ? "" : "\n  ");
}

void PrintDevices(const CheckRun& run) {
  std::printf("  \"devices\": [");
  const char* separator = "\n";
  for (const DeviceAnswer& device : run.devices) {
    std::printf("%s    {\"vid\": %s, \"pid\": %s, \"notFound\": ", separator,
                Hex(device.vid).c_str(), Hex(device.pid).c_str());
    if (device.links.empty())
      std::printf("%s", Quoted(NotFoundMessage(kEnglish)).c_str());
    else
      std::printf("null");
    std::printf(", \"links\": [");
    const char* inner = "";
    for (const LinkStep& step : device.links) {
      std::printf("%s{\"record\": %u, \"key\": %s, \"address\": %s, \"replacedBy\": ", inner,
                  step.record, Quoted(kUrlKeys[step.link]).c_str(), Quoted(step.address).c_str());
      if (step.replacedBy != 0)
        std::printf("%u}", step.replacedBy);
      else
        std::printf("null}");
      inner = ", ";
    }
    std::printf("]}");
    separator = ",\n";
  }
  std::printf("%s],\n", run.devices.empty() ? "" : "\n  ");
}

}  // namespace

void PrintJson(const CheckRun& run) {
  std::printf("{\n  \"source\": %s,\n", Quoted(run.source).c_str());
  if (run.server) PrintServer(run);
  std::printf("  \"readable\": %s,\n", run.readable ? "true" : "false");
  if (run.readable) {
    std::printf("  \"fileBytes\": %zu,\n  \"readBytes\": %zu,\n  \"loaded\": %s,\n",
                run.report.fileBytes, run.report.readBytes, run.report.loaded ? "true" : "false");
    PrintRecords(run.report);
    PrintProblems(run.report);
    PrintDevices(run);
  }
  std::printf("  \"exitStatus\": %d\n}\n", run.exitStatus);
}
