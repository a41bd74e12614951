// catalogue-check: what every user's detector will make of a catalogue file or server.
//   catalogue-check [--json] [--device VID:PID]... FILE
//   catalogue-check [--json] [--device VID:PID]... --server HOST[:PORT]
// Exit status: 0 no problem, 1 warnings only, 2 an error, 3 nothing could be read.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalogue/catalogue_file.h"
#include "catalogue/catalogue_table.h"
#include "check_catalogue.h"
#include "check_run.h"

namespace {

constexpr const char kUsage[] =
    "usage: catalogue-check [--json] [--device VID:PID]... FILE\n"
    "       catalogue-check [--json] [--device VID:PID]... --server HOST[:PORT]\n";

struct Options {
  bool json = false;
  std::string file;
  std::string server;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> devices;
};

bool ParseHexId(const std::string& text, std::uint16_t& id) {
  if (text.empty() || text.size() > 4 ||
      text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return false;
  id = static_cast<std::uint16_t>(std::strtoul(text.c_str(), nullptr, 16));
  return true;
}

bool ParseDevice(const std::string& text, Options& options) {
  const std::size_t colon = text.find(':');
  std::uint16_t vid = 0, pid = 0;
  if (colon == std::string::npos || !ParseHexId(text.substr(0, colon), vid) ||
      !ParseHexId(text.substr(colon + 1), pid))
    return false;
  options.devices.emplace_back(vid, pid);
  return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--json") {
      options.json = true;
    } else if (arg == "--device" && i + 1 < argc) {
      if (!ParseDevice(argv[++i], options)) return false;
    } else if (arg == "--server" && i + 1 < argc) {
      options.server = argv[++i];
    } else if (!arg.empty() && arg[0] != '-' && options.file.empty()) {
      options.file = arg;
    } else {
      return false;
    }
  }
  return options.file.empty() != options.server.empty();
}

// The bytes to check, from the file or from the server; false when there are none.
bool Fetch(const Options& options, CheckRun& run, std::string& bytes) {
  if (options.server.empty()) {
    run.source = options.file;
    return ReadFileBytes(options.file.c_str(), bytes);
  }
  run.source = options.server;
  std::string host;
  unsigned short port = 0;
  if (!SplitServer(options.server, host, port)) return false;
  run.server = ProbeServer(host, port);
  bytes = run.server->reply;
  return run.server->sent;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return kExitUnreadable;
  }
  CheckRun run;
  std::string bytes;
  run.readable = Fetch(options, run, bytes);
  if (run.readable) {
    run.report = CheckCatalogue(bytes);
    if (run.server) NoteReply(*run.server, run.report);
    for (const auto& [vid, pid] : options.devices)
      run.devices.push_back({vid, pid, LinksForDevice(TheCatalogue(), vid, pid)});
    run.exitStatus = ExitStatus(run.report);
  } else {
    run.exitStatus = kExitUnreadable;
  }
  // The program's own download lines went to standard error; the report follows them.
  std::fflush(stderr);
  if (options.json)
    PrintJson(run);
  else
    PrintText(run);
  return run.exitStatus;
}
