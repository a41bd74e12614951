#pragma once
// The detector's download, run against a server of the maintainer's choice.
#include <string>

#include "catalogue/fetch_catalogue.h"

enum class ReplyStart { kNothing, kProfile, kStatusLine, kHtmlPage };

struct ServerProbe {
  bool sent = false;  // false: the program would have found no new file
  FetchTrace trace;
  std::string reply;  // what the program stores as its file
  ReplyStart start = ReplyStart::kNothing;
};

// HOST or HOST:PORT; false when the text names no port in 1-65535.
bool SplitServer(const std::string& server, std::string& host, unsigned short& port);
// Starts and ends the program's socket session around the program's own download, except that
// a dotted address is connected to as it is given (the program would look its name up first).
ServerProbe ProbeServer(const std::string& host, unsigned short port);
// What the reply begins with, by its first bytes.
ReplyStart ClassifyReply(const std::string& reply);
const char* DescribeStart(ReplyStart start);

struct CatalogueReport;
// What the reply's start and end mean for the file the program stores; a reply stopped at the
// download's 102400 bytes is cut like a longer file.
void NoteReply(const ServerProbe& probe, CatalogueReport& report);
