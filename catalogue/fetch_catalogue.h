#pragma once
// The download: one HTTP/0.9 simple request, the whole reply stored as the catalogue file.
// Every outcome is a line on standard error; nothing is reported to the caller.
#include <cstddef>

constexpr std::size_t kRequestBufferSize = 1024;
constexpr std::size_t kReplyBufferSize = 102400;
constexpr unsigned short kFallbackHttpPort = 80;
// Bounds on a server that accepts and then says nothing (or never accepts): seconds, so the
// window still appears in reasonable time, long enough for a slow line.
constexpr int kConnectTimeoutMilliseconds = 10000;
constexpr int kReceiveTimeoutMilliseconds = 15000;

// Sockets must have been started (StartSocketSession).
void FetchCatalogue(const char* host, const char* path);
