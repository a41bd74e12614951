#include "network_scope.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#endif

namespace {

#ifndef _WIN32
bool BringLoopbackUp() {
  int probe = socket(AF_INET, SOCK_DGRAM, 0);
  if (probe < 0) return false;
  ifreq request{};
  std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
  bool up = ioctl(probe, SIOCGIFFLAGS, &request) == 0;
  if (up && !(request.ifr_flags & IFF_UP)) {
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    up = ioctl(probe, SIOCSIFFLAGS, &request) == 0;
  }
  close(probe);
  return up;
}
#endif

}  // namespace

void PrepareNetworkForTests() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
#ifdef _WIN32
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
#else
  if (unshare(CLONE_NEWNET) == 0) BringLoopbackUp();
#endif
}
