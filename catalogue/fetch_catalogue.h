#pragma once
// The download: one HTTP/0.9 simple request, the whole reply stored as the catalogue file.
// Every outcome is a line on standard error; nothing is reported to the caller.
#include <cstddef>

constexpr std::size_t kRequestBufferSize = 1024;
constexpr std::size_t kReplyBufferSize = 102400;
constexpr unsigned short kFallbackHttpPort = 80;
// Bounds on a server that never accepts, or accepts and then says nothing. The connect bound
// is Windows' own (three attempts, about 21 s), so no network that Windows would reach is cut
// off early; the receive bound is ours: without it a silent server would hold the window back
// for ever.
constexpr int kConnectTimeoutMilliseconds = 21000;
constexpr int kReceiveTimeoutMilliseconds = 15000;

// Sockets must have been started (StartSocketSession).
void FetchCatalogue(const char* host, const char* path);
