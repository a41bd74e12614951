// The TLS greeting of Windows 2000/XP's own browser, made with OpenSSL directly: libcurl always
// sends a host name's SNI, and the old browser never does.
#include <fcntl.h>
#include <netdb.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "link_check.h"

namespace {

std::string OpenSslError(const char* what) {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) return what;
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return std::string(what) + ": " + text;
}

// A connected socket within `seconds`, or -1 with `why`.
int Connect(const std::string& host, unsigned short port, double seconds, std::string& why) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int lookup = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (lookup != 0) {
    why = std::string("name not found: ") + gai_strerror(lookup);
    return -1;
  }
  int connected = -1;
  why = "no connection";
  for (addrinfo* address = found; address != nullptr && connected < 0; address = address->ai_next) {
    const int fd = socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, 0);
    if (fd < 0) continue;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    int result = connect(fd, address->ai_addr, address->ai_addrlen);
    if (result != 0 && errno == EINPROGRESS) {
      pollfd one{fd, POLLOUT, 0};
      if (poll(&one, 1, static_cast<int>(seconds * 1000)) == 1) {
        int error = 0;
        socklen_t size = sizeof error;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
        result = error == 0 ? 0 : -1;
        if (error != 0) why = std::string("no connection: ") + std::strerror(error);
      } else {
        why = "no connection within the bound";
      }
    } else if (result != 0) {
      why = std::string("no connection: ") + std::strerror(errno);
    }
    if (result == 0) {
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
      connected = fd;
    } else {
      close(fd);
    }
  }
  freeaddrinfo(found);
  return connected;
}

bool IsAddressLiteral(const std::string& host) {
  unsigned char bytes[16];
  return inet_pton(AF_INET, host.c_str(), bytes) == 1 || inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

}  // namespace

OldBrowsers OldBrowserHandshake(const std::string& hostName, unsigned short port,
                                const LinkOptions& options, double seconds, std::string& detail) {
  std::string host = hostName;
  if (host.size() > 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  SSL_CTX* context = SSL_CTX_new(TLS_client_method());
  if (context == nullptr) {
    detail = OpenSslError("no TLS context");
    return OldBrowsers::kNoHandshake;
  }
  // OpenSSL 3 offers TLS 1.0 only at security level 0 (its signatures use SHA-1), and refuses
  // servers without secure renegotiation unless told: the old browser does neither.
  SSL_CTX_set_security_level(context, 0);
  SSL_CTX_set_min_proto_version(context, TLS1_VERSION);
  SSL_CTX_set_max_proto_version(context, TLS1_VERSION);
  SSL_CTX_set_cipher_list(context, "DEFAULT:@SECLEVEL=0");
  SSL_CTX_set_options(context, SSL_OP_LEGACY_SERVER_CONNECT);
  // Verified after the handshake, so that a failed chain is a warning, not a failed greeting.
  SSL_CTX_set_verify(context, SSL_VERIFY_NONE, nullptr);
  if (options.caFile.empty())
    SSL_CTX_set_default_verify_paths(context);
  else
    SSL_CTX_load_verify_locations(context, options.caFile.c_str(), nullptr);

  OldBrowsers answer = OldBrowsers::kNoHandshake;
  const int fd = Connect(host, port, seconds, detail);
  SSL* ssl = fd >= 0 ? SSL_new(context) : nullptr;
  if (ssl != nullptr) {
    timeval bound{static_cast<time_t>(seconds), 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
    SSL_set_fd(ssl, fd);  // and no SSL_set_tlsext_host_name: no SNI
    if (SSL_connect(ssl) != 1) {
      detail = OpenSslError("no TLS 1.0 handshake without SNI");
    } else {
      X509* certificate = SSL_get1_peer_certificate(ssl);
      const bool named =
          certificate != nullptr &&
          (IsAddressLiteral(host) ? X509_check_ip_asc(certificate, host.c_str(), 0) == 1
                                  : X509_check_host(certificate, host.c_str(), 0, 0, nullptr) == 1);
      const long verified = SSL_get_verify_result(ssl);
      if (certificate == nullptr) {
        detail = "no certificate";
        answer = OldBrowsers::kCertificateWarning;
      } else if (!named) {
        detail = "the certificate without SNI does not name " + host;
        answer = OldBrowsers::kCertificateWarning;
      } else if (verified != X509_V_OK) {
        detail = std::string("the certificate without SNI: ") +
                 X509_verify_cert_error_string(verified);
        answer = OldBrowsers::kCertificateWarning;
      } else {
        detail.clear();
        answer = OldBrowsers::kOpens;
      }
      X509_free(certificate);
      SSL_shutdown(ssl);
    }
    SSL_free(ssl);
  }
  if (fd >= 0) close(fd);
  SSL_CTX_free(context);
  return answer;
}
