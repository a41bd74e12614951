#pragma once
// WinSock on Windows, BSD sockets elsewhere: only the names that differ between the two.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using SocketHandle = SOCKET;
constexpr SocketHandle kNoSocket = INVALID_SOCKET;
constexpr int kSendFlags = 0;
constexpr int kTimedOutCode = WSAETIMEDOUT;
constexpr int kMessageTooLongCode = WSAEMSGSIZE;
constexpr int kNoBuffersCode = WSAENOBUFS;
constexpr int kHostNotFoundCode = WSAHOST_NOT_FOUND;
#else
#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
using SocketHandle = int;
constexpr SocketHandle kNoSocket = -1;
constexpr int kSendFlags = MSG_NOSIGNAL;  // a peer that has gone must not raise SIGPIPE
constexpr int kTimedOutCode = ETIMEDOUT;
constexpr int kMessageTooLongCode = EMSGSIZE;
constexpr int kNoBuffersCode = ENOBUFS;
constexpr int kHostNotFoundCode = HOST_NOT_FOUND;
#endif

void CloseSocket(SocketHandle socket);
// The code of the last failed socket call (WSAGetLastError).
int LastSocketError();
// The code of the last failed host lookup (WSAGetLastError; h_errno elsewhere).
int LastLookupError();

// 1 when the socket became ready (readable, or for `forConnect` connected or failed),
// 0 on time-out, -1 when waiting failed (see LastSocketError).
int WaitForSocket(SocketHandle socket, bool forConnect, int timeoutMilliseconds);
bool SetSocketBlocking(SocketHandle socket, bool blocking);
// The outcome of a connection started without blocking: 0 or the failure's code.
int PendingConnectError(SocketHandle socket);
// True when a non-blocking connect has only started.
bool ConnectInProgress(int code);

// A millisecond count that only goes forward (GetTickCount on Windows): it wraps after about
// 49 days, so only the unsigned difference of two readings means anything.
unsigned MonotonicMilliseconds();

struct SocketStartupResult {
  int code;
  unsigned short version;
};
// WSAStartup for version 1.1 (elsewhere: nothing to start, 1.1 granted) and WSACleanup.
SocketStartupResult StartSockets();
void CleanUpSockets();

// Closes the socket when it goes out of scope.
class SocketGuard {
 public:
  explicit SocketGuard(SocketHandle socket) : socket_(socket) {}
  ~SocketGuard() {
    if (socket_ != kNoSocket) CloseSocket(socket_);
  }
  SocketGuard(const SocketGuard&) = delete;
  SocketGuard& operator=(const SocketGuard&) = delete;
  SocketHandle get() const { return socket_; }

 private:
  SocketHandle socket_;
};
