// The host build's connections: real POSIX sockets and OpenSSL, so the mail
// transport is tested against a real server on loopback.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/tls_socket.h"
#include "platform/utf8.h"

namespace {

struct Conn {
  int fd = -1;
  SSL_CTX* ctx = nullptr;
  SSL* ssl = nullptr;
  ~Conn() {
    if (ssl) {
      SSL_shutdown(ssl);
      SSL_free(ssl);
    }
    if (ctx) SSL_CTX_free(ctx);
    if (fd >= 0) ::close(fd);
  }
};

std::mutex g_lock;
std::map<plat::NetSocket, std::shared_ptr<Conn>> g_conns;
plat::NetSocket g_next = 1;

std::shared_ptr<Conn> Find(plat::NetSocket s) {
  std::lock_guard<std::mutex> g(g_lock);
  auto it = g_conns.find(s);
  return it == g_conns.end() ? nullptr : it->second;
}

std::wstring Widen(const std::string& s) { return plat::FromUtf8(s); }

std::wstring Errno(const char* what) { return Widen(std::string(what) + ": " + std::strerror(errno)); }

std::wstring OpenSslError(const char* what) {
  std::string text = what;
  unsigned long e;
  while ((e = ERR_get_error()) != 0) {
    char buf[256];
    ERR_error_string_n(e, buf, sizeof buf);
    text += std::string("; ") + buf;
  }
  return Widen(text);
}

void SetTimeouts(int fd, std::uint32_t ms) {
  timeval tv{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>((ms % 1000) * 1000)};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

}  // namespace

namespace plat {

NetSocket NetConnect(const std::wstring& host, std::uint16_t port, std::uint32_t timeout_ms, std::wstring& error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const std::string name = plat::ToUtf8(host);
  const std::string service = std::to_string(port);
  int rc = ::getaddrinfo(name.c_str(), service.c_str(), &hints, &list);
  if (rc != 0) {
    error = Widen(std::string("Host not found: ") + ::gai_strerror(rc));
    return 0;
  }
  int fd = -1;
  error = L"No address";
  for (addrinfo* a = list; a && fd < 0; a = a->ai_next) {
    int s = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (s < 0) {
      error = Errno("socket");
      continue;
    }
    int flags = ::fcntl(s, F_GETFL, 0);
    ::fcntl(s, F_SETFL, flags | O_NONBLOCK);
    rc = ::connect(s, a->ai_addr, a->ai_addrlen);
    if (rc != 0 && errno == EINPROGRESS) {
      pollfd p{s, POLLOUT, 0};
      rc = ::poll(&p, 1, static_cast<int>(timeout_ms));
      if (rc == 0) {
        error = L"Connect timed out";
        ::close(s);
        continue;
      }
      int soerr = 0;
      socklen_t len = sizeof soerr;
      ::getsockopt(s, SOL_SOCKET, SO_ERROR, &soerr, &len);
      rc = soerr == 0 ? 0 : -1;
      errno = soerr;
    }
    if (rc != 0) {
      error = Errno("connect");
      ::close(s);
      continue;
    }
    ::fcntl(s, F_SETFL, flags);
    fd = s;
  }
  ::freeaddrinfo(list);
  if (fd < 0) return 0;
  auto c = std::make_shared<Conn>();
  c->fd = fd;
  std::lock_guard<std::mutex> g(g_lock);
  NetSocket id = g_next++;
  g_conns[id] = c;
  error.clear();
  return id;
}

NetResult NetSend(NetSocket s, const std::string& data, std::uint32_t timeout_ms, std::wstring& error) {
  auto c = Find(s);
  if (!c) {
    error = L"Not a socket";
    return NetResult::kError;
  }
  SetTimeouts(c->fd, timeout_ms);
  size_t done = 0;
  while (done < data.size()) {
    if (c->ssl) {
      int n = SSL_write(c->ssl, data.data() + done, static_cast<int>(data.size() - done));
      if (n <= 0) {
        int e = SSL_get_error(c->ssl, n);
        if (e == SSL_ERROR_WANT_WRITE || e == SSL_ERROR_WANT_READ) return NetResult::kTimeout;
        error = OpenSslError("TLS write failed");
        return e == SSL_ERROR_ZERO_RETURN ? NetResult::kClosed : NetResult::kError;
      }
      done += static_cast<size_t>(n);
    } else {
      ssize_t n = ::send(c->fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
      if (n < 0) {
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return NetResult::kTimeout;
        error = Errno("send");
        return errno == EPIPE || errno == ECONNRESET ? NetResult::kClosed : NetResult::kError;
      }
      done += static_cast<size_t>(n);
    }
  }
  return NetResult::kOk;
}

NetResult NetReceive(NetSocket s, char* buffer, std::size_t max, std::size_t& got, std::uint32_t timeout_ms,
                     std::wstring& error) {
  got = 0;
  auto c = Find(s);
  if (!c) {
    error = L"Not a socket";
    return NetResult::kError;
  }
  if (!c->ssl || SSL_pending(c->ssl) == 0) {
    pollfd p{c->fd, POLLIN, 0};
    int rc;
    do {
      rc = ::poll(&p, 1, static_cast<int>(timeout_ms));
    } while (rc < 0 && errno == EINTR);
    if (rc == 0) return NetResult::kTimeout;
    if (rc < 0) {
      error = Errno("poll");
      return NetResult::kError;
    }
  }
  SetTimeouts(c->fd, timeout_ms);
  if (c->ssl) {
    int n = SSL_read(c->ssl, buffer, static_cast<int>(max));
    if (n <= 0) {
      int e = SSL_get_error(c->ssl, n);
      if (e == SSL_ERROR_ZERO_RETURN) return NetResult::kClosed;
      if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) return NetResult::kTimeout;
      if (e == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) return NetResult::kClosed;
      error = OpenSslError("TLS read failed");
      return NetResult::kError;
    }
    got = static_cast<size_t>(n);
    return NetResult::kOk;
  }
  ssize_t n = ::recv(c->fd, buffer, max, 0);
  if (n == 0) return NetResult::kClosed;
  if (n < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK) return NetResult::kTimeout;
    error = Errno("recv");
    return errno == ECONNRESET ? NetResult::kClosed : NetResult::kError;
  }
  got = static_cast<size_t>(n);
  return NetResult::kOk;
}

bool TlsStartClient(NetSocket s, const std::wstring& host, const std::wstring& ca_file, std::uint32_t timeout_ms,
                    std::wstring& error) {
  auto c = Find(s);
  if (!c) {
    error = L"Not a socket";
    return false;
  }
  if (c->ssl) return true;
  ERR_clear_error();
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  if (!ctx) {
    error = OpenSslError("TLS context");
    return false;
  }
  c->ctx = ctx;
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
  if (!ca_file.empty()) {
    if (SSL_CTX_load_verify_locations(ctx, plat::ToUtf8(ca_file).c_str(), nullptr) != 1) {
      error = OpenSslError("Cannot read the certificate file");
      return false;
    }
  } else if (SSL_CTX_set_default_verify_paths(ctx) != 1) {
    error = OpenSslError("No trusted roots");
    return false;
  }
  SSL* ssl = SSL_new(ctx);
  const std::string name = plat::ToUtf8(host);
  in6_addr probe6;
  in_addr probe4;
  const bool is_ip =
      ::inet_pton(AF_INET, name.c_str(), &probe4) == 1 || ::inet_pton(AF_INET6, name.c_str(), &probe6) == 1;
  X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
  if (is_ip) {
    X509_VERIFY_PARAM_set1_ip_asc(param, name.c_str());
  } else {
    SSL_set_tlsext_host_name(ssl, name.c_str());
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    X509_VERIFY_PARAM_set1_host(param, name.c_str(), 0);
  }
  SSL_set_fd(ssl, c->fd);
  SetTimeouts(c->fd, timeout_ms);
  if (SSL_connect(ssl) != 1) {
    long verify = SSL_get_verify_result(ssl);
    if (verify != X509_V_OK) {
      error = Widen(std::string("Server certificate not trusted: ") + X509_verify_cert_error_string(verify));
      ERR_clear_error();
    } else {
      error = OpenSslError("TLS handshake failed");
    }
    SSL_free(ssl);
    return false;
  }
  c->ssl = ssl;
  return true;
}

bool TlsActive(NetSocket s) {
  auto c = Find(s);
  return c && c->ssl;
}

void NetClose(NetSocket s) {
  std::shared_ptr<Conn> c;
  {
    std::lock_guard<std::mutex> g(g_lock);
    auto it = g_conns.find(s);
    if (it == g_conns.end()) return;
    c = it->second;
    g_conns.erase(it);
  }
  if (c->ssl) SetTimeouts(c->fd, 500);
}

}  // namespace plat
