#include "catalogue/fetch_catalogue.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "catalogue/catalogue_file.h"
#include "catalogue/catalogue_path.h"
#include "catalogue/catalogue_seams.h"
#include "catalogue/socket_compat.h"

namespace {

int g_connectTimeout = kConnectTimeoutMilliseconds;
int g_receiveTimeout = kReceiveTimeoutMilliseconds;
int g_exchangeTimeout = kExchangeTimeoutMilliseconds;
catalogue_seams::ReplyAllocatorFn g_allocateReply = nullptr;

char* PlatformAllocateReply(std::size_t size) { return new (std::nothrow) char[size]; }

void FailureLine(const char* label, int code) { std::fprintf(stderr, "\n%s: %d\n", label, code); }

void FailureLine(const char* label, int code, FetchTrace& trace) {
  FailureLine(label, code);
  trace.failedStep = label;
  trace.failureCode = code;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The server's first IPv4 address: a dotted address through gethostbyaddr (or as it is
// given), any other text through gethostbyname. False when the lookup fails.
bool LookUp(const char* host, DottedAddress dotted, in_addr& server) {
  const auto address = inet_addr(host);
  if (address != INADDR_NONE && dotted == DottedAddress::kAsGiven) {
    server.s_addr = address;
    return true;
  }
  const hostent* entry =
      address == INADDR_NONE
          ? gethostbyname(host)
          : gethostbyaddr(reinterpret_cast<const char*>(&address), 4, AF_INET);
  if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr ||
      entry->h_length != 4)
    return false;
  std::memcpy(&server, entry->h_addr_list[0], 4);
  return true;
}

unsigned short HttpPort() {
  const servent* service = getservbyname("http", "tcp");
  return service != nullptr ? static_cast<unsigned short>(service->s_port)
                            : htons(kFallbackHttpPort);
}

// 0, or the code of the failure; a connection that does not finish in time fails with the
// time-out code.
int ConnectWithin(SocketHandle socket, const sockaddr_in& server, int timeoutMilliseconds) {
  if (!SetSocketBlocking(socket, false)) return LastSocketError();
  int code = 0;
  if (connect(socket, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0) {
    code = LastSocketError();
    if (ConnectInProgress(code)) {
      int ready = WaitForSocket(socket, true, timeoutMilliseconds);
      code = ready > 0 ? PendingConnectError(socket) : (ready == 0 ? kTimedOutCode : LastSocketError());
    }
  }
  if (code == 0 && !SetSocketBlocking(socket, true)) code = LastSocketError();
  return code;
}

// Bytes received (0 when the server closed), or -1 with `code` set.
int ReceiveWithin(SocketHandle socket, char* buffer, int size, int timeoutMilliseconds, int& code) {
  int ready = WaitForSocket(socket, false, timeoutMilliseconds);
  if (ready <= 0) {
    code = ready == 0 ? kTimedOutCode : LastSocketError();
    return -1;
  }
  int count = static_cast<int>(recv(socket, buffer, size, 0));
  if (count < 0) code = LastSocketError();
  return count;
}

// Receives until the server closes or a receive fails. A reply longer than the buffer keeps
// the bytes that fit and ends as a receive failure: reading on would let an endless sender
// hold the program, and what fits is stored like the bytes before any other failure. Each wait
// is cut to what is left of the whole exchange's bound, so a server that sends a byte now and
// then is given up at that bound, as a silent one is.
std::size_t ReceiveReply(SocketHandle socket, unsigned connectedAt, char* request, char* reply,
                         FetchTrace& trace) {
  const unsigned bound = static_cast<unsigned>(g_exchangeTimeout);
  const unsigned receiveWait = static_cast<unsigned>(g_receiveTimeout);
  std::size_t received = 0;
  for (;;) {
    const unsigned spent = MonotonicMilliseconds() - connectedAt;
    const unsigned left = spent < bound ? bound - spent : 0;
    const bool cut = left < receiveWait;  // the bound comes before the receive time-out
    int code = kTimedOutCode;             // kept when the bound has passed already
    int count = left == 0 ? -1
                          : ReceiveWithin(socket, request, static_cast<int>(kRequestBufferSize),
                                          static_cast<int>(cut ? left : receiveWait), code);
    if (count < 0) {
      FailureLine("recv()", code, trace);
      trace.exchangeCut = cut && code == kTimedOutCode;
      return received;
    }
    std::fprintf(stderr, "\nrecv() returned %d bytes", count);
    if (count == 0) return received;
    std::size_t room = kReplyBufferSize - received;
    std::size_t taken = static_cast<std::size_t>(count) < room ? static_cast<std::size_t>(count) : room;
    std::memcpy(reply + received, request, taken);
    received += taken;
    if (taken < static_cast<std::size_t>(count)) {
      FailureLine("recv()", kMessageTooLongCode, trace);
      return received;
    }
  }
}

void StoreReply(const char* reply, std::size_t count) {
  char path[kCataloguePathSize];
  if (!FormCataloguePath(path)) return;  // no path: nothing is written anywhere
  // A write that fails or falls short leaves no file, so the load fails as after a download
  // that stored nothing; like a file that does not open, it is not reported.
  ReplaceFileWith(path, reply, count);
}

}  // namespace

void FetchCatalogue(const char* host, const char* path) {
  FetchTrace trace;
  FetchCatalogueReply(host, 0, path, StoreReply, trace);
}

void FetchCatalogueReply(const char* host, unsigned short port, const char* path,
                         const ReplySink& store, FetchTrace& trace, DottedAddress dotted) {
  const auto start = std::chrono::steady_clock::now();
  if (host == nullptr || path == nullptr) {  // nothing to ask for: as if no host were found
    FailureLine("gethostbyname()", kHostNotFoundCode, trace);
    return;
  }
  sockaddr_in server{};
  server.sin_family = AF_INET;
  if (!LookUp(host, dotted, server.sin_addr)) {
    FailureLine("gethostbyname()", LastLookupError(), trace);
    return;
  }

  SocketGuard socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (socket.get() == kNoSocket) {
    FailureLine("socket()", LastSocketError(), trace);
    return;
  }
  server.sin_port = port != 0 ? port : HttpPort();

  const auto connecting = std::chrono::steady_clock::now();
  int code = ConnectWithin(socket.get(), server, g_connectTimeout);
  const unsigned connectedAt = MonotonicMilliseconds();
  trace.connectSeconds = SecondsSince(connecting);
  if (code != 0) {
    FailureLine("connect()", code, trace);
    trace.totalSeconds = SecondsSince(start);
    return;
  }

  char request[kRequestBufferSize];
  int length = std::snprintf(request, sizeof request, "GET %s\n", path);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof request) {
    // Never sent cut short: a shortened path would ask for another file.
    FailureLine("send()", kMessageTooLongCode, trace);
    return;
  }
  if (send(socket.get(), request, length, kSendFlags) < 0) {
    FailureLine("send()", LastSocketError(), trace);
    return;
  }
  trace.sent = true;

  std::unique_ptr<char[]> reply(
      (g_allocateReply != nullptr ? g_allocateReply : PlatformAllocateReply)(kReplyBufferSize));
  std::size_t received = 0;
  if (reply) {
    received = ReceiveReply(socket.get(), connectedAt, request, reply.get(), trace);
  } else {
    // Counted as a receive that failed before any byte: the file becomes empty.
    FailureLine("recv()", kNoBuffersCode, trace);
  }
  trace.totalSeconds = SecondsSince(start);
  store(reply ? reply.get() : "", received);
}

void catalogue_seams::SetReplyAllocator(ReplyAllocatorFn fn) { g_allocateReply = fn; }

void catalogue_seams::SetFetchTimeouts(int connectMilliseconds, int receiveMilliseconds,
                                       int exchangeMilliseconds) {
  g_connectTimeout = connectMilliseconds;
  g_receiveTimeout = receiveMilliseconds;
  g_exchangeTimeout = exchangeMilliseconds;
}

void catalogue_seams::RestoreFetchTimeouts() {
  SetFetchTimeouts(kConnectTimeoutMilliseconds, kReceiveTimeoutMilliseconds,
                   kExchangeTimeoutMilliseconds);
}
