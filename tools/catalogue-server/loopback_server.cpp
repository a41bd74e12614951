#include "loopback_server.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr int kPollMilliseconds = 50;
constexpr int kAcceptLimitMilliseconds = 30000;  // a client that never comes
constexpr int kStallLimitMilliseconds = 60000;   // a stall that nobody stops
constexpr int kDrainLimitMilliseconds = 5000;    // a client that never closes
constexpr int kBindRetryMilliseconds = 100;

void SetReuse(SocketHandle socket) {
  int on = 1;
  setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
}

SocketHandle BindWithin(const char* address, unsigned short port, int waitMilliseconds) {
  sockaddr_in where{};
  where.sin_family = AF_INET;
  where.sin_port = htons(port);
  where.sin_addr.s_addr = inet_addr(address);
  for (int waited = 0;; waited += kBindRetryMilliseconds) {
    SocketHandle socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket == kNoSocket) return kNoSocket;
    SetReuse(socket);
    if (bind(socket, reinterpret_cast<const sockaddr*>(&where), sizeof where) == 0) return socket;
    CloseSocket(socket);
    if (waited >= waitMilliseconds) return kNoSocket;
    std::this_thread::sleep_for(std::chrono::milliseconds(kBindRetryMilliseconds));
  }
}

// False when the client has gone: it may stop early on purpose.
bool SendAll(SocketHandle socket, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    int count = static_cast<int>(send(socket, bytes.data() + sent,
                                      static_cast<int>(bytes.size() - sent), kSendFlags));
    if (count <= 0) return false;
    sent += static_cast<std::size_t>(count);
  }
  return true;
}

void ResetOnClose(SocketHandle socket) {
  linger abortive{};
  abortive.l_onoff = 1;
  abortive.l_linger = 0;
  setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
             sizeof abortive);
}

void ShutdownSending(SocketHandle socket) {
#ifdef _WIN32
  shutdown(socket, SD_SEND);
#else
  shutdown(socket, SHUT_WR);
#endif
}

}  // namespace

bool LoopbackServer::Start(const ServerScript& script, const char* address, unsigned short port,
                           int connections, int bindWaitMilliseconds) {
  Stop();
  listener_ = BindWithin(address, port, bindWaitMilliseconds);
  if (listener_ == kNoSocket) return false;
  if (listen(listener_, 4) != 0) {
    CloseSocket(listener_);
    listener_ = kNoSocket;
    return false;
  }
  stopping_ = false;
  served_ = 0;
  {
    WorkerLock lock(mutex_);
    received_.clear();
  }
  if (thread_.Start([this, script, connections] { Run(script, connections); })) return true;
  CloseSocket(listener_);
  listener_ = kNoSocket;
  return false;
}

bool LoopbackServer::Refuse(const char* address, unsigned short port, int bindWaitMilliseconds) {
  Stop();
  listener_ = BindWithin(address, port, bindWaitMilliseconds);
  return listener_ != kNoSocket;
}

bool LoopbackServer::Clog(const char* address, unsigned short port, int bindWaitMilliseconds) {
  Stop();
  listener_ = BindWithin(address, port, bindWaitMilliseconds);
  if (listener_ == kNoSocket || listen(listener_, 0) != 0) return false;
  sockaddr_in where{};
  where.sin_family = AF_INET;
  where.sin_port = htons(port);
  where.sin_addr.s_addr = inet_addr(address);
  filler_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  return filler_ != kNoSocket &&
         connect(filler_, reinterpret_cast<const sockaddr*>(&where), sizeof where) == 0;
}

void LoopbackServer::Stop() {
  stopping_ = true;
  thread_.Join();
  if (filler_ != kNoSocket) CloseSocket(filler_);
  filler_ = kNoSocket;
  if (listener_ != kNoSocket) CloseSocket(listener_);
  listener_ = kNoSocket;
}

void LoopbackServer::Wait() {
  thread_.Join();
}

std::string LoopbackServer::Received() const {
  WorkerLock lock(mutex_);
  return received_;
}

void LoopbackServer::Run(ServerScript script, int connections) {
  int waited = 0;
  while (!stopping_ && (connections == 0 || served_ < connections)) {
    int ready = WaitForSocket(listener_, false, kPollMilliseconds);
    if (ready < 0) return;
    if (ready == 0) {
      waited += kPollMilliseconds;
      if (connections != 0 && waited >= kAcceptLimitMilliseconds) return;
      continue;
    }
    SocketHandle client = accept(listener_, nullptr, nullptr);
    if (client == kNoSocket) continue;
    Serve(client, script);
    ++served_;
    waited = 0;
  }
}

void LoopbackServer::Serve(SocketHandle client, const ServerScript& script) {
  SocketGuard guard(client);
  std::string request;
  char buffer[2048];
  bool reset = script.answer && script.ending == ServerScript::Ending::kReset;
  // Closing with the request still unread makes the system reset the connection, whatever the
  // linger option does (Wine's socket layer ignores it); the request is then not recorded.
  if (reset) WaitForSocket(client, false, kDrainLimitMilliseconds);
  // Reads what the client sends until `enough` says so, it closes, or it is quiet too long.
  auto readRequest = [&](auto enough) {
    for (int waited = 0; !enough() && waited < kDrainLimitMilliseconds;) {
      int ready = WaitForSocket(client, false, kPollMilliseconds);
      if (ready < 0) break;
      if (ready == 0) {
        waited += kPollMilliseconds;
        continue;
      }
      int count = static_cast<int>(recv(client, buffer, sizeof buffer, 0));
      if (count <= 0) break;
      request.append(buffer, static_cast<std::size_t>(count));
    }
  };
  // The request ends with its line feed; a client that sends none is answered after a while.
  if (!reset) readRequest([&] { return request.find('\n') != std::string::npos; });
  auto record = [&] {
    WorkerLock lock(mutex_);
    received_ = request;
  };
  record();

  bool stall = !script.answer || script.ending == ServerScript::Ending::kStall;
  if (script.answer) {
    // A slow drip ends early when the client has gone or the server is stopped.
    for (std::size_t i = 0; i < script.pieces.size() && !stopping_; ++i) {
      if (i != 0) std::this_thread::sleep_for(std::chrono::milliseconds(script.pauseMilliseconds));
      if (!SendAll(client, script.pieces[i])) break;
    }
  }
  if (stall) {
    for (int waited = 0; !stopping_ && waited < kStallLimitMilliseconds; waited += kPollMilliseconds)
      std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
    return;
  }
  if (reset) {
    // Give the client time to take the bytes before the reset overtakes them.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ResetOnClose(client);
    return;
  }
  // Orderly close; keep reading until the client closes, so any byte it sends late is seen.
  ShutdownSending(client);
  readRequest([] { return false; });
  record();
}
