// The TLS greeting of Windows 2000/XP's own browser, made with OpenSSL directly: libcurl always
// sends a host name's SNI, and the old browser never does. The connection under it is libcurl's,
// whose look-up cannot hold the run.
#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>

#include <arpa/inet.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <string>

#include "link_check.h"
#include "link_private_network.h"

namespace {

std::string OpenSslError(const char* what) {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) return what;
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return std::string(what) + ": " + text;
}

using Clock = std::chrono::steady_clock;

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", seconds);
  return text;
}

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<decltype(left)>(left, 0, INT_MAX));
}

// A connection to host:port with libcurl, which looks the name up on a thread of its own and
// tries each of its addresses, all within `ms`: a socket of the handle, or -1 with `why`
// (and `late` when the bound ended first).
curl_socket_t Connect(CURL* easy, const std::string& host, unsigned short port, long ms,
                      PrivateGuard& guard, char* error, std::string& why, bool& late) {
  const std::string url = "http://" + host + ":" + std::to_string(port) + "/";
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_CONNECT_ONLY, 1L);
  curl_easy_setopt(easy, CURLOPT_PROXY, "");  // the greeting goes to the host itself
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, ms);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, ms);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, OpenUnlessPrivate);
  curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, &guard);
  const CURLcode code = curl_easy_perform(easy);
  const std::string said = error[0] != '\0' ? error : curl_easy_strerror(code);
  curl_socket_t socket = CURL_SOCKET_BAD;
  if (code == CURLE_OK && curl_easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
      socket != CURL_SOCKET_BAD)
    return socket;
  late = code == CURLE_OPERATION_TIMEDOUT;
  if (!guard.refused.empty())
    why = "no connection to " + guard.refused + ": a private address reached by a redirect";
  else if (code == CURLE_COULDNT_RESOLVE_HOST)
    why = "name not found: " + said;
  else
    why = "no connection: " + said;
  return -1;
}

// SSL_connect on a non-blocking socket, polled against the deadline: 1 done, 0 failed, -1 the
// deadline came first.
int Handshake(SSL* ssl, int fd, Clock::time_point deadline) {
  for (;;) {
    const int result = SSL_connect(ssl);
    if (result == 1) return 1;
    const int error = SSL_get_error(ssl, result);
    if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) return 0;
    // Computed again at every step: a server that sends one byte at a time gets no more.
    const int ms = MillisecondsLeft(deadline);
    if (ms == 0) return -1;
    pollfd one{fd, static_cast<short>(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT), 0};
    const int ready = poll(&one, 1, ms);
    if (ready < 0 && errno != EINTR) return 0;
  }
}

bool IsAddressLiteral(const std::string& host) {
  unsigned char bytes[16];
  return inet_pton(AF_INET, host.c_str(), bytes) == 1 || inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

}  // namespace

OldBrowsers OldBrowserHandshake(const std::string& hostName, unsigned short port,
                                const LinkOptions& options, double seconds, bool privateRefused,
                                std::string& detail) {
  // One deadline for all of it: the look-up, every address, the handshake.
  const Clock::time_point deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(
                         std::chrono::duration<double>(std::clamp(seconds, 0.0, 86400.0)));
  // Cut short by the run's bound, the probe proves nothing: the old browser would wait longer.
  const bool wholeBound = seconds >= options.connectSeconds;
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
  CURL* easy = curl_easy_init();
  PrivateGuard guard{privateRefused, ""};
  char error[CURL_ERROR_SIZE] = {};
  const int ms = MillisecondsLeft(deadline);
  bool late = ms == 0;
  const curl_socket_t fd =
      easy != nullptr && !late ? Connect(easy, hostName, port, ms, guard, error, detail, late) : -1;
  if (late) {
    detail = "no connection within " + Seconds(seconds);
    if (!wholeBound) answer = OldBrowsers::kNotAsked;
  }
  SSL* ssl = fd >= 0 ? SSL_new(context) : nullptr;
  if (ssl != nullptr) {
    SSL_set_fd(ssl, fd);  // and no SSL_set_tlsext_host_name: no SNI
    const int handshake = Handshake(ssl, fd, deadline);
    if (handshake < 0) {
      detail = "no TLS 1.0 handshake within " + Seconds(seconds);
      if (!wholeBound) answer = OldBrowsers::kNotAsked;
    } else if (handshake == 0) {
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
  if (easy != nullptr) curl_easy_cleanup(easy);  // closes the socket
  SSL_CTX_free(context);
  return answer;
}
