#include "catalogue/socket_compat.h"

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <time.h>
#endif

void CloseSocket(SocketHandle socket) {
#ifdef _WIN32
  closesocket(socket);
#else
  close(socket);
#endif
}

int LastSocketError() {
#ifdef _WIN32
  return WSAGetLastError();
#else
  return errno;
#endif
}

int LastLookupError() {
#ifdef _WIN32
  return WSAGetLastError();
#else
  return h_errno;
#endif
}

int WaitForSocket(SocketHandle socket, bool forConnect, int timeoutMilliseconds) {
#ifdef _WIN32
  // A failed connect shows in the exception set, a finished one in the write set.
  fd_set readable, writable, failed;
  FD_ZERO(&readable);
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  if (forConnect) {
    FD_SET(socket, &writable);
    FD_SET(socket, &failed);
  } else {
    FD_SET(socket, &readable);
  }
  timeval limit{timeoutMilliseconds / 1000, (timeoutMilliseconds % 1000) * 1000};
  int ready = select(0, &readable, &writable, &failed, &limit);
  return ready == SOCKET_ERROR ? -1 : (ready > 0 ? 1 : 0);
#else
  pollfd entry{socket, static_cast<short>(forConnect ? POLLOUT : POLLIN), 0};
  int ready;
  do {
    ready = poll(&entry, 1, timeoutMilliseconds);
  } while (ready < 0 && errno == EINTR);
  return ready < 0 ? -1 : (ready > 0 ? 1 : 0);
#endif
}

bool SetSocketBlocking(SocketHandle socket, bool blocking) {
#ifdef _WIN32
  u_long nonBlocking = blocking ? 0 : 1;
  return ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
#else
  int flags = fcntl(socket, F_GETFL, 0);
  if (flags < 0) return false;
  flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return fcntl(socket, F_SETFL, flags) == 0;
#endif
}

int PendingConnectError(SocketHandle socket) {
  int code = 0;
#ifdef _WIN32
  int size = sizeof code;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &size) != 0)
    return LastSocketError();
#else
  socklen_t size = sizeof code;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &code, &size) != 0) return LastSocketError();
#endif
  return code;
}

bool ConnectInProgress(int code) {
#ifdef _WIN32
  return code == WSAEWOULDBLOCK;
#else
  return code == EINPROGRESS;
#endif
}

unsigned MonotonicMilliseconds() {
#ifdef _WIN32
  return GetTickCount();
#else
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<unsigned>(static_cast<unsigned long long>(now.tv_sec) * 1000u +
                               static_cast<unsigned long long>(now.tv_nsec) / 1000000u);
#endif
}

SocketStartupResult StartSockets() {
#ifdef _WIN32
  WSADATA data{};
  int code = WSAStartup(MAKEWORD(1, 1), &data);
  return {code, data.wVersion};
#else
  return {0, 0x0101};
#endif
}

void CleanUpSockets() {
#ifdef _WIN32
  WSACleanup();
#endif
}
