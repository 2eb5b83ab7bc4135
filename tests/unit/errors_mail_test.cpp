#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "errors/exception_trace.h"
#include "errors/mail_transport.h"
#include "infra/logger_files.h"
#include "sim/sim_clock.h"
#include "sim/sim_world.h"
#include "trace_test_support.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using errors::MailResult;

const fs::path kServerScript = fs::path(__FILE__).parent_path().parent_path() / "tools" / "smtp_server.py";

std::string ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

bool Contains(const std::vector<std::wstring>& lines, const std::wstring& text) {
  for (const auto& l : lines)
    if (l.find(text) != std::wstring::npos) return true;
  return false;
}

// The loopback server of tests/tools/smtp_server.py, stopped when destroyed.
class SmtpServer {
 public:
  SmtpServer(const std::string& mode, const fs::path& dir, const std::string& name = "out")
      : out_(dir / (name + "-" + mode)) {
    fs::create_directories(out_);
    int out_pipe[2], in_pipe[2];
    if (::pipe(out_pipe) != 0 || ::pipe(in_pipe) != 0) return;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out_pipe[1], 1);
    posix_spawn_file_actions_adddup2(&fa, in_pipe[0], 0);
    posix_spawn_file_actions_addclose(&fa, out_pipe[0]);
    posix_spawn_file_actions_addclose(&fa, in_pipe[1]);
    posix_spawn_file_actions_addopen(&fa, 2, (out_ / "server.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string script = kServerScript.string(), cert = (dir / "cert.pem").string(),
                      key = (dir / "key.pem").string(), out = out_.string();
    std::vector<std::string> args = {
        "/usr/bin/python3", script, "--mode", mode, "--cert", cert, "--key", key, "--out", out};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&fa);
    ::close(out_pipe[1]);
    ::close(in_pipe[0]);
    stdin_ = in_pipe[1];
    // "PORT <n>"; the server gives up on its own after two minutes.
    std::string line;
    char c;
    while (line.size() < 64 && ::read(out_pipe[0], &c, 1) == 1 && c != '\n') line.push_back(c);
    ::close(out_pipe[0]);
    if (line.rfind("PORT ", 0) == 0) port_ = static_cast<std::uint16_t>(std::stoi(line.substr(5)));
  }
  ~SmtpServer() {
    if (stdin_ >= 0) ::close(stdin_);
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      // The server ends within a few seconds; one that does not is killed.
      int status;
      bool ended = false;
      for (int i = 0; i < 100 && !ended; ++i) {
        ended = ::waitpid(pid_, &status, WNOHANG) == pid_;
        if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      if (!ended) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
      }
    }
  }
  std::uint16_t port() const { return port_; }
  const fs::path& out() const { return out_; }

 private:
  fs::path out_;
  pid_t pid_ = 0;
  int stdin_ = -1;
  std::uint16_t port_ = 0;
};

// A server that accepts connections and never says a word.
class SilentServer {
 public:
  SilentServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd_, 8);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] {
      for (;;) {
        int c = ::accept(fd_, nullptr, nullptr);
        if (c < 0 || stop_) {
          if (c >= 0) ::close(c);
          return;
        }
        ++accepted_;
        held_.push_back(c);
      }
    });
  }
  ~SilentServer() {
    stop_ = true;
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    thread_.join();
    for (int c : held_) ::close(c);
  }
  std::uint16_t port() const { return port_; }
  int accepted() const { return accepted_; }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> accepted_{0};
  std::vector<int> held_;
  std::thread thread_;
};

class ErrorsMail : public trace_test::TraceFixture {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("qb-mail-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    const std::string cmd =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost"
        " -addext subjectAltName=DNS:localhost,IP:127.0.0.1 -keyout '" +
        (dir_ / "key.pem").string() + "' -out '" + (dir_ / "cert.pem").string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  errors::MailSettings Settings(std::uint16_t port) {
    errors::MailSettings s;
    s.server = L"localhost";
    s.port = port;
    s.user = L"reporter";
    s.password = L"secret";
    s.recipient = L"bugs@vorlune.test";
    s.certificate_file = (dir_ / "cert.pem").wstring();
    s.connect_timeout_ms = 10000;
    s.reply_timeout_ms = 10000;
    return s;
  }
  static std::vector<errors::MailAttachment> Report() {
    std::string bytes;
    for (int i = 0; i < 70000; ++i) bytes.push_back(static_cast<char>((i * 7919) % 251));
    bytes += "\r\n.\r\nQUIT\r\n";
    return {{L"bug-report.zip", bytes}};
  }
  static inline fs::path dir_;
};

TEST_F(ErrorsMail, ReportArrivesOverTlsWithSubjectAndAttachment) {
  SmtpServer server("tls", dir_);
  ASSERT_NE(server.port(), 0);
  errors::TSmtpClient client;
  client.Configure(Settings(server.port()));
  EXPECT_EQ(errors::MailReport(client, L"Vorlune Folder bug report", Report), MailResult::kSent);
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(ReadFile(server.out() / "1.subject"), "Vorlune Folder bug report");
  EXPECT_EQ(ReadFile(server.out() / "1.rcpt"), "bugs@vorlune.test");
  EXPECT_EQ(ReadFile(server.out() / "1-bug-report.zip"), Report()[0].content);
  EXPECT_EQ(ReadFile(server.out() / "auth.log"), "LOGIN reporter ok\n");
  EXPECT_TRUE(Contains(trace_test::MainLog(), L"SendBugReport"));
  EXPECT_FALSE(Contains(trace_test::ErrorLog(), L" Exception "));
}

TEST_F(ErrorsMail, FailuresEndCleanlyWithTheirLogLines) {
  struct Case {
    std::string mode;
    bool trust_server;
    std::wstring password;
    MailResult result;
    const wchar_t* logged;
    const char* auth_log;  // what the server saw of AUTH
  } cases[] = {
      {"tls", true, L"wrong", MailResult::kAuthenticateFailed, L"Authenticate fail", "LOGIN reporter refused\n"},
      {"plain", true, L"secret", MailResult::kAuthenticateFailed, L"Authenticate fail",
       ""},  // no password in the clear
      {"drop-data", true, L"secret", MailResult::kSendFailed, L"Send fail", "LOGIN reporter ok\n"},
      {"tls", false, L"secret", MailResult::kConnectFailed, L"Connected fail", ""},  // certificate not trusted
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode + (c.trust_server ? "" : " untrusted"));
    trace_test::ResetLogs();
    SmtpServer server(c.mode, dir_, c.trust_server ? "trusted" : "untrusted");
    ASSERT_NE(server.port(), 0);
    auto s = Settings(server.port());
    s.password = c.password;
    if (!c.trust_server) s.certificate_file.clear();  // the system's roots do not know the test certificate
    errors::TSmtpClient client;
    client.Configure(s);
    EXPECT_EQ(errors::MailReport(client, L"Vorlune Folder bug report", Report), c.result);
    EXPECT_FALSE(client.Connected());
    EXPECT_TRUE(Contains(trace_test::MainLog(), std::wstring(L"Message: ") + c.logged));
    EXPECT_EQ(ReadFile(server.out() / "auth.log"), c.auth_log);
    EXPECT_FALSE(fs::exists(server.out() / "1.eml"));
  }
}

TEST_F(ErrorsMail, SilentServerGetsThreeAttemptsOneSecondApart) {
  SilentServer server;
  auto s = Settings(server.port());
  s.connect_timeout_ms = 300;
  errors::TSmtpClient client;
  client.Configure(s);
  const std::uint64_t before = sim::Now();
  EXPECT_EQ(errors::MailReport(client, L"Vorlune Folder bug report", Report), MailResult::kConnectFailed);
  EXPECT_EQ(sim::Now() - before, 2000u);  // two pauses of 1000 ms between the three attempts
  EXPECT_EQ(server.accepted(), 3);
  EXPECT_TRUE(Contains(trace_test::MainLog(), L"Message: Connected fail"));
  // The socket errors of the transport are no program errors: no trace block,
  // only the error block of "Connected fail".
  EXPECT_FALSE(Contains(trace_test::ErrorLog(), L" Exception "));
  EXPECT_TRUE(Contains(trace_test::ErrorLog(), L"Connected fail"));
}

// A loopback port with nobody listening.
std::uint16_t ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

TEST_F(ErrorsMail, ConnectMailServerConnectsAuthenticatesAndTellsWhatFailed) {
  SmtpServer server("tls", dir_, "connect");
  ASSERT_NE(server.port(), 0);
  struct Case {
    const char* what;
    std::uint16_t port;
    std::wstring password;
    bool result;
    bool connected_after;
  };
  const Case cases[] = {
      {"accepted account", server.port(), L"secret", true, true},
      {"refused account: connected, not authenticated", server.port(), L"wrong", false, true},
      {"nobody listening", ClosedPort(), L"secret", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    trace_test::ResetLogs();
    auto s = Settings(c.port);
    s.password = c.password;
    errors::TSmtpClient client;
    client.Configure(s);
    EXPECT_EQ(errors::ConnectMailServer(client, 2), c.result);
    EXPECT_EQ(client.Connected(), c.connected_after);
    if (c.connected_after) {
      // Again on a connected client: the old connection ends first.
      EXPECT_EQ(errors::ConnectMailServer(client, 3), c.result);
      EXPECT_EQ(client.Connected(), c.connected_after);
    } else {
      EXPECT_TRUE(Contains(trace_test::MainLog(), L"Attempt=2"));
    }
    if (!c.result && c.connected_after) EXPECT_FALSE(client.LastError().empty());
    client.Disconnect();
  }
  // A refused account is offered once per call, never retried behind the caller's back.
  EXPECT_EQ(ReadFile(server.out() / "auth.log"),
            "LOGIN reporter ok\nLOGIN reporter ok\nLOGIN reporter refused\nLOGIN reporter refused\n");
}

TEST_F(ErrorsMail, NobodyListeningGivesThreeLoggedAttemptsAndConnectedFail) {
  errors::TSmtpClient client;
  client.Configure(Settings(ClosedPort()));
  const std::uint64_t before = sim::Now();
  EXPECT_EQ(errors::MailReport(client, L"Vorlune Folder bug report", Report), MailResult::kConnectFailed);
  EXPECT_EQ(sim::Now() - before, 2000u);
  const auto log = trace_test::MainLog();
  for (const wchar_t* attempt : {L"Attempt=1", L"Attempt=2", L"Attempt=3"})
    EXPECT_TRUE(Contains(log, attempt)) << attempt;
  EXPECT_FALSE(Contains(log, L"Attempt=4"));
  EXPECT_TRUE(Contains(log, L"Message: Connected fail"));
  EXPECT_FALSE(client.Connected());
}

TEST(ErrorsMailFormat, Base64DotStuffingAndMessageLayout) {
  struct B64 {
    std::string in, out;
  } b64[] = {{"", ""},
             {"f", "Zg=="},
             {"fo", "Zm8="},
             {"foo", "Zm9v"},
             {"foob", "Zm9vYg=="},
             {"fooba", "Zm9vYmE="},
             {"foobar", "Zm9vYmFy"},
             {std::string("\0\xff", 2), "AP8="}};
  for (const auto& c : b64) EXPECT_EQ(errors::Base64(c.in), c.out) << c.in;
  EXPECT_EQ(errors::Base64(std::string(60, 'a'), 76).find("\r\n"), 76u);

  struct Dot {
    std::string in, out;
  } dots[] = {{".", ".."}, {"a\r\n.\r\nb", "a\r\n..\r\nb"}, {"a.b\r\n..x", "a.b\r\n...x"}, {"x", "x"}};
  for (const auto& c : dots) EXPECT_EQ(errors::DotStuff(c.in), c.out) << c.in;

  std::string m = errors::ComposeMessage(L"a@b.test", L"c@d.test", L"Vorlune Folder bug report",
                                         {{L"bug-report.zip", "PK\x03\x04"}}, "BOUNDARY", "");
  for (const char* part :
       {"From: <a@b.test>\r\n", "To: <c@d.test>\r\n", "Subject: Vorlune Folder bug report\r\n", "MIME-Version: 1.0\r\n",
        "Content-Type: multipart/mixed; boundary=\"BOUNDARY\"\r\n",
        "Content-Type: application/octet-stream; name=\"bug-report.zip\"\r\n", "Content-Transfer-Encoding: base64\r\n",
        "Content-Disposition: attachment; filename=\"bug-report.zip\"\r\n\r\nUEsDBA==\r\n", "\r\n--BOUNDARY--\r\n"}) {
    EXPECT_NE(m.find(part), std::string::npos) << part;
  }
  // Every line ends in CR LF and no header breaks into a second line.
  for (size_t i = 0; i < m.size(); ++i)
    if (m[i] == '\n') EXPECT_EQ(m[i - 1], '\r');
  std::string evil = errors::ComposeMessage(L"a@b\r\nBcc: x@y", L"c", L"s\r\nBcc: z", {}, "B", "");
  EXPECT_EQ(evil.find("\r\nBcc:"), std::string::npos);
}

}  // namespace

#include "infra/registry.h"
#include "sim/sim_registry.h"

namespace {

TEST(ErrorsMailSettings, RegistryStringsOverrideTheBuiltInDefaults) {
  sim::ResetWorld();
  infra::ResetLogger();
  const errors::MailSettings defaults;
  EXPECT_EQ(errors::ReadMailSettings().server, defaults.server);  // no key at all
  const std::wstring key = errors::kMailKey;
  struct Case {
    const wchar_t* port;  // value of "Port"
    std::uint16_t expected;
  } ports[] = {{L"2525", 2525}, {L"0", 587}, {L"70000", 587}, {L"25x", 587}, {L"", 587}, {L"65535", 65535}};
  for (const auto& c : ports) {
    sim::RegSetString(plat::HKEY_CURRENT_USER, key, L"Port", c.port);
    EXPECT_EQ(errors::ReadMailSettings().port, c.expected) << c.port;
  }
  sim::RegSetString(plat::HKEY_CURRENT_USER, key, L"Server", L"localhost");
  sim::RegSetString(plat::HKEY_CURRENT_USER, key, L"User", L"reporter");
  sim::RegSetString(plat::HKEY_CURRENT_USER, key, L"Password", L"secret");
  sim::RegSetString(plat::HKEY_CURRENT_USER, key, L"Recipient", L"bugs@vorlune.test");
  sim::RegSetString(plat::HKEY_CURRENT_USER, key, L"CertificateFile", L"C:\\certs\\server.pem");
  sim::RegSetString(plat::HKEY_CURRENT_USER, key, L"Recipient", L"");  // empty keeps the default
  sim::RegSetDword(plat::HKEY_CURRENT_USER, key, L"Port", 2525);       // not a string: the default
  errors::MailSettings s = errors::ReadMailSettings();
  EXPECT_EQ(s.server, L"localhost");
  EXPECT_EQ(s.user, L"reporter");
  EXPECT_EQ(s.password, L"secret");
  EXPECT_EQ(s.recipient, defaults.recipient);
  EXPECT_EQ(s.certificate_file, L"C:\\certs\\server.pem");
  EXPECT_EQ(s.port, 587);
  // HKEY_LOCAL_MACHINE is not the place.
  sim::ResetWorld();
  sim::RegSetString(plat::HKEY_LOCAL_MACHINE, key, L"Server", L"elsewhere");
  EXPECT_EQ(errors::ReadMailSettings().server, defaults.server);
  infra::ResetLogger();
}

}  // namespace
