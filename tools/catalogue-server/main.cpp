// catalogue-server: serves a catalogue file to HTTP/0.9 simple requests on loopback.
//   catalogue-server FILE [--address A] [--port P] [--connections N] [--pieces N]
//                         [--reset] [--stall] [--silent]
// --connections 0 serves until the process is ended.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "loopback_server.h"

namespace {

constexpr int kMaxPieces = 1000;

bool ReadWhole(const char* path, std::string& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

std::vector<std::string> Split(const std::string& bytes, int pieces) {
  std::vector<std::string> out;
  std::size_t size = (bytes.size() + static_cast<std::size_t>(pieces) - 1) / static_cast<std::size_t>(pieces);
  for (std::size_t at = 0; at < bytes.size(); at += size) out.push_back(bytes.substr(at, size));
  return out;
}

int Usage() {
  std::fprintf(stderr, "usage: catalogue-server FILE [--address A] [--port P] [--connections N]"
                       " [--pieces N] [--reset] [--stall] [--silent]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string address = kLoopbackAddress;
  int port = kHttpPort, connections = 0, pieces = 1;
  ServerScript script;
  for (int i = 2; i < argc; ++i) {
    const char* option = argv[i];
    bool hasValue = i + 1 < argc;
    if (!std::strcmp(option, "--address") && hasValue) address = argv[++i];
    else if (!std::strcmp(option, "--port") && hasValue) port = std::atoi(argv[++i]);
    else if (!std::strcmp(option, "--connections") && hasValue) connections = std::atoi(argv[++i]);
    else if (!std::strcmp(option, "--pieces") && hasValue) pieces = std::atoi(argv[++i]);
    else if (!std::strcmp(option, "--reset")) script.ending = ServerScript::Ending::kReset;
    else if (!std::strcmp(option, "--stall")) script.ending = ServerScript::Ending::kStall;
    else if (!std::strcmp(option, "--silent")) script.answer = false;
    else return Usage();
  }
  if (port <= 0 || port > 65535 || connections < 0 || pieces < 1 || pieces > kMaxPieces) return Usage();
  std::string bytes;
  if (!ReadWhole(argv[1], bytes)) {
    std::fprintf(stderr, "catalogue-server: cannot read %s\n", argv[1]);
    return 1;
  }
  script.pieces = Split(bytes, pieces);
#ifdef _WIN32
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 1;
#endif
  LoopbackServer server;
  if (!server.Start(script, address.c_str(), static_cast<unsigned short>(port), connections, 0)) {
    std::fprintf(stderr, "catalogue-server: cannot listen on %s:%d\n", address.c_str(), port);
    return 1;
  }
  std::printf("serving %s on %s:%d\n", argv[1], address.c_str(), port);
  std::fflush(stdout);
  server.Wait();
  return 0;
}
