#pragma once
// The whole command: its options, the bytes from a file or a server, the report and the exit
// status. The report goes to `out`; the usage and a failed write's line to standard error.
//   catalogue-check [--json] [--device VID:PID]... FILE
//   catalogue-check [--json] [--device VID:PID]... --server HOST[:PORT]
//   catalogue-check --links [--ca-file FILE] [--address-seconds S] [--run-seconds S] [--json]
//                   [--device VID:PID]... FILE | --server HOST[:PORT]
// Exit status: 0 no problem, 1 warnings only, 2 an error, 3 nothing could be read or the
// report could not be written (and --links in a build without it).
#include <cstdio>

int RunCatalogueCheck(int argc, const char* const* argv, std::FILE* out);
