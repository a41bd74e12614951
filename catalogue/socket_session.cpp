#include "catalogue/socket_session.h"

#include <cstdio>

#include "catalogue/catalogue_seams.h"
#include "catalogue/socket_compat.h"

namespace {

constexpr unsigned short kWantedVersion = 0x0101;
catalogue_seams::SocketStartupFn g_startup = nullptr;

}  // namespace

bool StartSocketSession() {
  SocketStartupResult result{};
  if (g_startup != nullptr) {
    catalogue_seams::SocketStartup faked = g_startup();
    result = {faked.code, faked.version};
  } else {
    result = StartSockets();
  }
  if (result.code != 0) {
    std::fprintf(stderr, "\nWSAStartup(): %d\n", result.code);
    CleanUpSockets();
    return false;
  }
  if (result.version != kWantedVersion) {
    std::fprintf(stderr, "\nWinSock version not supported\n");
    CleanUpSockets();
    return false;
  }
  return true;
}

void EndSocketSession() { CleanUpSockets(); }

void catalogue_seams::SetSocketStartup(SocketStartupFn fn) { g_startup = fn; }
