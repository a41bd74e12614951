#pragma once
// Where a redirect from a public address may not lead: into the machine or its network (a
// maintainer's CI machine reaches its cloud's metadata address). Judged by the address a
// connection is about to be made to, not by the name.
#include <curl/curl.h>
#include <sys/socket.h>

#include <string>

// Loopback, private, link-local or unspecified, IPv4 or IPv6, also IPv4 mapped into IPv6.
bool IsPrivateAddress(const sockaddr* address);

// The text form of the address, "" for a family other than IPv4 and IPv6.
std::string AddressText(const sockaddr* address);

struct PrivateGuard {
  bool refuse = false;  // on: no connection to a private address
  std::string refused;  // the last address refused
};

// A CURLOPT_OPENSOCKETFUNCTION (its data a PrivateGuard): refuses before a byte is sent.
curl_socket_t OpenUnlessPrivate(void* guard, curlsocktype purpose, curl_sockaddr* address);
