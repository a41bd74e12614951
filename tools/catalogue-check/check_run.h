#pragma once
// One run of the checker, everything it prints: where the bytes came from, the report, the
// answers for the cameras asked about.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "check_report.h"
#include "device_links.h"
#include "server_probe.h"

struct DeviceAnswer {
  std::uint16_t vid;
  std::uint16_t pid;
  std::vector<LinkStep> links;  // empty: the not-found message
};

struct CheckRun {
  std::string source;  // the file's name, or the server as given
  std::optional<ServerProbe> server;
  bool readable = true;  // false: exit 3, no report
  CatalogueReport report;
  std::vector<DeviceAnswer> devices;
  int exitStatus = kExitClean;
};

void PrintText(const CheckRun& run);
void PrintJson(const CheckRun& run);
