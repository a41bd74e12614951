#pragma once
// One run of the checker, everything it prints: where the bytes came from, the report, the
// answers for the cameras asked about.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "check_report.h"
#include "device_links.h"
#include "link_check.h"
#include "server_probe.h"

struct DeviceAnswer {
  std::uint16_t vid;
  std::uint16_t pid;
  DeviceLinks links;  // none when the load failed: the failure message, then no dialog
};

struct CheckRun {
  std::string source;  // the file's name, or the server as given
  std::optional<ServerProbe> server;
  bool readable = true;  // false: exit 3, no report
  std::string unreadable;  // why not, when the system said
  CatalogueReport report;
  std::vector<DeviceAnswer> devices;
  std::optional<LinkRun> links;  // with --links
  int exitStatus = kExitClean;
};

// Text mode shows each byte of a control character of the file (C0, DEL, and C1: U+0080 to
// U+009F in UTF-8, even across two GBK characters, and a lone byte 0x80-0x9F) as \xHH (ESC as
// \x1b), so that none reaches a terminal; JSON escapes them as \u00HH.
void PrintText(const CheckRun& run, std::FILE* out);
void PrintJson(const CheckRun& run, std::FILE* out);
