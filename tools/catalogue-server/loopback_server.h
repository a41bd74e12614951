#pragma once
// A catalogue server on loopback for tests and benchmarks: serves N connections (or until
// stopped) on its own thread, the way it is told (pieces, pauses, close, stall, reset, silence),
// or refuses or clogs its port.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/socket_compat.h"
#include "worker_thread.h"

struct ServerScript {
  enum class Ending {
    kClose,  // orderly close after the last piece
    kReset,  // abortive close (the client's receive fails)
    kStall,  // say nothing more until stopped
  };
  std::vector<std::string> pieces;  // sent in order, each with its own send
  int pauseMilliseconds = 20;       // between pieces, so that they arrive apart
  Ending ending = Ending::kClose;
  bool answer = true;  // false: accept, read the request, then stall without a byte
};

constexpr const char kLoopbackAddress[] = "127.0.0.1";
constexpr unsigned short kHttpPort = 80;

class LoopbackServer {
 public:
  LoopbackServer() = default;
  ~LoopbackServer() { Stop(); }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  // Listens on address:port and serves `connections` clients with the script (0: until
  // stopped). Waits up to `bindWaitMilliseconds` for a port another process holds. False when
  // it could not listen.
  bool Start(const ServerScript& script, const char* address = kLoopbackAddress,
             unsigned short port = kHttpPort, int connections = 1,
             int bindWaitMilliseconds = 60000);
  // Holds address:port bound without listening, so a connection there is refused.
  bool Refuse(const char* address = kLoopbackAddress, unsigned short port = kHttpPort,
              int bindWaitMilliseconds = 60000);
  // Listens with a full queue and never accepts, so a further connection never completes.
  bool Clog(const char* address = kLoopbackAddress, unsigned short port = kHttpPort,
            int bindWaitMilliseconds = 60000);
  // Ends a stall, waits for the thread and releases the port.
  void Stop();
  // Waits until the connections asked for are served (or nobody came for a long while).
  void Wait();
  // Every byte the last client sent, up to its close (valid after Wait).
  std::string Received() const;
  int Served() const { return served_; }

 private:
  void Run(ServerScript script, int connections);
  void Serve(SocketHandle client, const ServerScript& script);

  SocketHandle listener_ = kNoSocket;
  SocketHandle filler_ = kNoSocket;  // the connection that fills the queue of a clog
  WorkerThread thread_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> served_{0};
  mutable WorkerMutex mutex_;
  std::string received_;
};
