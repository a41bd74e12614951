#include "check_command.h"

#if CATALOGUE_CHECK_LINKS
#include <unistd.h>
#endif

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "check_catalogue.h"
#include "check_run.h"
#include "file_read.h"
#include "link_check.h"

namespace {

constexpr const char kUsage[] =
    "usage: catalogue-check [--json] [--device VID:PID]... FILE\n"
    "       catalogue-check [--json] [--device VID:PID]... --server HOST[:PORT]\n"
    "       catalogue-check --links [--ca-file FILE] [--address-seconds S] [--run-seconds S]\n"
    "                       [--json] [--device VID:PID]... FILE | --server HOST[:PORT]\n";

struct Options {
  bool json = false;
  std::string file;
  std::string server;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> devices;
  bool links = false;
  LinkOptions linkOptions;
};

bool ParseSeconds(const char* text, double& seconds) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(value > 0) || value > 86400) return false;
  seconds = value;
  return true;
}

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

bool ParseOptions(int argc, const char* const* argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--json") {
      options.json = true;
    } else if (arg == "--device" && i + 1 < argc) {
      if (!ParseDevice(argv[++i], options)) return false;
    } else if (arg == "--server" && i + 1 < argc) {
      options.server = argv[++i];
    } else if (arg == "--links") {
      options.links = true;
    } else if (arg == "--ca-file" && i + 1 < argc) {
      options.linkOptions.caFile = argv[++i];
    } else if (arg == "--address-seconds" && i + 1 < argc) {
      if (!ParseSeconds(argv[++i], options.linkOptions.addressSeconds)) return false;
    } else if (arg == "--run-seconds" && i + 1 < argc) {
      if (!ParseSeconds(argv[++i], options.linkOptions.runSeconds)) return false;
    } else if (!arg.empty() && arg[0] != '-' && options.file.empty()) {
      options.file = arg;
    } else {
      return false;
    }
  }
  return options.file.empty() != options.server.empty();
}

// The bytes to check, from the file or from the server; false when there are none.
bool Fetch(const Options& options, CheckRun& run, std::string& bytes, FileSize& size) {
  if (options.server.empty()) {
    run.source = options.file;
    FileRead file = ReadCatalogueFile(options.file);
    run.unreadable = std::move(file.why);
    bytes = std::move(file.bytes);
    size = file.size;
    return file.readable;
  }
  run.source = options.server;
  std::string host;
  unsigned short port = 0;
  if (!SplitServer(options.server, host, port)) return false;
  run.server = ProbeServer(host, port);
  bytes = run.server->reply;
  size = FileSize{bytes.size(), false};
  return run.server->sent;
}

}  // namespace

int RunCatalogueCheck(int argc, const char* const* argv, std::FILE* out) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return kExitUnreadable;
  }
#if !CATALOGUE_CHECK_LINKS
  if (options.links) {
    std::fputs("catalogue-check: --links needs the native build\n", stderr);
    return kExitUnreadable;
  }
#endif
  CheckRun run;
  std::string bytes;
  FileSize size{0, false};
  run.readable = Fetch(options, run, bytes, size);
  if (run.readable) {
    LoadedTable table(bytes);
    run.report = CheckCatalogue(bytes, size, table.Table());
    if (run.server) NoteReply(*run.server, run.report);
    for (const auto& [vid, pid] : options.devices)
      run.devices.push_back({vid, pid, LinksForDevice(table.Table(), vid, pid)});
#if CATALOGUE_CHECK_LINKS
    if (options.links) {
      options.linkOptions.progress = !options.json && isatty(STDERR_FILENO) == 1;
      run.links = CheckLinks(LinkTargets(run.report), options.linkOptions);
      NoteLinks(*run.links, run.report);
    }
#endif
    run.exitStatus = ExitStatus(run.report);
  } else {
    run.exitStatus = kExitUnreadable;
  }
  // The program's own download lines went to standard error; the report follows them.
  std::fflush(stderr);
  if (options.json)
    PrintJson(run, out);
  else
    PrintText(run, out);
  // A report that did not reach its reader has told nothing.
  if (std::fflush(out) != 0 || std::ferror(out)) {
    std::fputs("catalogue-check: the report could not be written\n", stderr);
    return kExitUnreadable;
  }
  return run.exitStatus;
}
