// The mail client against a server that answers anything: the fuzzer's bytes
// are everything a server on loopback sends, from its greeting on, before it
// closes. Connecting, authenticating and sending end in a result or one of
// the transport's own errors, never in a crash or a wait past the time-outs.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "errors/mail_transport.h"
#include "support.h"

namespace {

// One listening socket on loopback for the whole run.
int Listener(std::uint16_t& port) {
  static int fd = -1;
  static std::uint16_t bound = 0;
  if (fd < 0) {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    fuzz::Check(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0, "bind on loopback");
    fuzz::Check(::listen(fd, 4) == 0, "listen on loopback");
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    bound = ntohs(a.sin_port);
  }
  port = bound;
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint16_t port = 0;
  const int listener = Listener(port);
  const std::string replies(reinterpret_cast<const char*>(data), size);

  // The server: takes one connection, sends the replies, closes its side and
  // reads whatever the client says until the client closes.
  std::thread server([listener, &replies] {
    const int c = ::accept(listener, nullptr, nullptr);
    if (c < 0) return;
    std::size_t sent = 0;
    while (sent < replies.size()) {
      const ssize_t n = ::send(c, replies.data() + sent, replies.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    ::shutdown(c, SHUT_WR);
    char buf[4096];
    while (::recv(c, buf, sizeof buf, 0) > 0) {}
    ::close(c);
  });

  errors::MailSettings settings;
  settings.server = L"127.0.0.1";
  settings.port = port;
  settings.connect_timeout_ms = 5000;
  settings.reply_timeout_ms = 5000;
  // No server here speaks TLS: a named root that does not exist ends STARTTLS
  // at once instead of loading the system's whole trust store for every input.
  settings.certificate_file = L"C:\\no such root.pem";
  const auto start = std::chrono::steady_clock::now();
  {
    errors::TSmtpClient client;
    client.Configure(settings);
    try {
      client.Connect();
      if (client.Authenticate()) {
        client.Send(L"Bug report", {{L"bug-report.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0')}});
      }
    } catch (const std::exception&) {
      // what the report's sender catches and logs
    }
    client.Disconnect();
  }
  server.join();
  // The server closed at once: no step may wait for a time-out.
  fuzz::Check(std::chrono::steady_clock::now() - start < std::chrono::milliseconds(4500),
              "a closed connection ends the session without waiting");
  return 0;
}
