#include "link_private_network.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdint>
#include <cstring>

namespace {

bool IsPrivateV4(std::uint32_t address) {
  const auto within = [address](std::uint32_t network, int bits) {
    return (address >> (32 - bits)) == (network >> (32 - bits));
  };
  return within(0x00000000, 8) ||   // 0/8: "this network", 0.0.0.0 reaches the machine
         within(0x7F000000, 8) ||   // 127/8
         within(0x0A000000, 8) ||   // 10/8
         within(0xAC100000, 12) ||  // 172.16/12
         within(0xC0A80000, 16) ||  // 192.168/16
         within(0xA9FE0000, 16);    // 169.254/16
}

}  // namespace

bool IsPrivateAddress(const sockaddr* address) {
  if (address->sa_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
    return IsPrivateV4(ntohl(v4->sin_addr.s_addr));
  }
  if (address->sa_family != AF_INET6) return false;
  const unsigned char* bytes = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr.s6_addr;
  static const unsigned char kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  if (std::memcmp(bytes, kMapped, sizeof kMapped) == 0)
    return IsPrivateV4(std::uint32_t{bytes[12]} << 24 | std::uint32_t{bytes[13]} << 16 |
                       std::uint32_t{bytes[14]} << 8 | bytes[15]);
  bool zeros = true;  // :: and ::1
  for (int i = 0; i < 15; ++i) zeros = zeros && bytes[i] == 0;
  return (zeros && bytes[15] <= 1) ||
         (bytes[0] & 0xFE) == 0xFC ||                     // fc00::/7
         (bytes[0] == 0xFE && (bytes[1] & 0xC0) == 0x80);  // fe80::/10
}

std::string AddressText(const sockaddr* address) {
  char text[INET6_ADDRSTRLEN] = {};
  const void* raw = nullptr;
  if (address->sa_family == AF_INET)
    raw = &reinterpret_cast<const sockaddr_in*>(address)->sin_addr;
  else if (address->sa_family == AF_INET6)
    raw = &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
  if (raw == nullptr || inet_ntop(address->sa_family, raw, text, sizeof text) == nullptr) return "";
  return text;
}

curl_socket_t OpenUnlessPrivate(void* data, curlsocktype purpose, curl_sockaddr* address) {
  auto* guard = static_cast<PrivateGuard*>(data);
  if (purpose == CURLSOCKTYPE_IPCXN && guard->refuse && IsPrivateAddress(&address->addr)) {
    guard->refused = AddressText(&address->addr);
    return CURL_SOCKET_BAD;
  }
  return socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}
