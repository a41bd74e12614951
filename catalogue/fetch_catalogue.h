#pragma once
// The download: one HTTP/0.9 simple request, the whole reply stored as the catalogue file.
// Every outcome is a line on standard error; nothing is reported to the caller.
#include <cstddef>
#include <functional>

constexpr std::size_t kRequestBufferSize = 1024;
constexpr std::size_t kReplyBufferSize = 102400;
constexpr unsigned short kFallbackHttpPort = 80;
// Bounds on a server that never accepts, or accepts and then says nothing. The connect bound
// is Windows' own (three attempts, about 21 s), so no network that Windows would reach is cut
// off early; the receive bound is ours: without it a silent server would hold the window back
// for ever.
constexpr int kConnectTimeoutMilliseconds = 21000;
constexpr int kReceiveTimeoutMilliseconds = 15000;
// A bound on the whole exchange, from the connection made to the server's close: a server that
// is never silent for 15 s, yet never done, is cut here and ends as a silent one does.
constexpr int kExchangeTimeoutMilliseconds = 60000;

// Sockets must have been started (StartSocketSession).
void FetchCatalogue(const char* host, const char* path);

// What a checker wants to know of one exchange besides the bytes.
struct FetchTrace {
  const char* failedStep = nullptr;  // the label of the failure line, when one was written
  int failureCode = 0;
  bool sent = false;  // the request went out, so the program replaces its file
  bool exchangeCut = false;  // the time-out was the whole exchange's bound, not a silence
  double connectSeconds = 0;
  double totalSeconds = 0;
};
using ReplySink = std::function<void(const char* bytes, std::size_t count)>;

// How a dotted IPv4 host becomes the server's address. The program asks for its host entry
// (gethostbyaddr), which fails for an address without a reverse name; a checker that is given
// an address connects to it as it is.
enum class DottedAddress { kLookedUp, kAsGiven };

// FetchCatalogue's exchange on the wire, with its lines and bounds: `store` receives what the
// program would store as the file, once, when the request went out. `port` in network byte
// order; 0 for the program's own rule (the services database's "http" port, else 80).
void FetchCatalogueReply(const char* host, unsigned short port, const char* path,
                         const ReplySink& store, FetchTrace& trace,
                         DottedAddress dotted = DottedAddress::kLookedUp);
