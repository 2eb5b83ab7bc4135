#include "errors/mail_transport.h"

#include <algorithm>
#include <cctype>

#include "infra/logger.h"
#include "infra/registry.h"
#include "platform/clock.h"
#include "platform/utf8.h"

namespace errors {
namespace {

constexpr int kMaxAttempts = 3;
constexpr std::uint32_t kAttemptPauseMs = 1000;
const wchar_t* const kSendSource = L"bugform_send.SpTBXButton1Click";

// Exception texts and server replies are UTF-8.
std::wstring Wide(const std::string& s) { return plat::FromUtf8(s); }

bool IsAscii(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A header value: plain ASCII as it is, anything else as an RFC 2047 word.
std::string HeaderText(const std::wstring& text) {
  std::string u = plat::ToUtf8(text);
  if (IsAscii(u)) return u;
  return "=?UTF-8?B?" + Base64(u) + "?=";
}

// CR and LF never reach a command line or a header.
std::string OneLine(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != '\r' && c != '\n') out.push_back(c);
  return out;
}

}  // namespace

std::string Base64(const std::string& data, size_t line_length) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4 + (line_length ? data.size() / line_length * 2 : 0) + 4);
  size_t column = 0;
  auto put = [&](char c) {
    if (line_length && column == line_length) {
      out += "\r\n";
      column = 0;
    }
    out.push_back(c);
    ++column;
  };
  size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    std::uint32_t v = (static_cast<unsigned char>(data[i]) << 16) | (static_cast<unsigned char>(data[i + 1]) << 8) |
                      static_cast<unsigned char>(data[i + 2]);
    put(kAlphabet[(v >> 18) & 63]);
    put(kAlphabet[(v >> 12) & 63]);
    put(kAlphabet[(v >> 6) & 63]);
    put(kAlphabet[v & 63]);
  }
  if (i < data.size()) {
    std::uint32_t v = static_cast<unsigned char>(data[i]) << 16;
    if (i + 1 < data.size()) v |= static_cast<unsigned char>(data[i + 1]) << 8;
    put(kAlphabet[(v >> 18) & 63]);
    put(kAlphabet[(v >> 12) & 63]);
    put(i + 1 < data.size() ? kAlphabet[(v >> 6) & 63] : '=');
    put('=');
  }
  return out;
}

std::string DotStuff(const std::string& message) {
  std::string out;
  out.reserve(message.size() + 16);
  bool line_start = true;
  for (char c : message) {
    if (line_start && c == '.') out.push_back('.');
    out.push_back(c);
    line_start = c == '\n';
  }
  return out;
}

std::string ComposeMessage(const std::wstring& from, const std::wstring& to, const std::wstring& subject,
                           const std::vector<MailAttachment>& attachments, const std::string& boundary,
                           const std::string& date) {
  std::string m;
  m += "From: <" + OneLine(plat::ToUtf8(from)) + ">\r\n";
  m += "To: <" + OneLine(plat::ToUtf8(to)) + ">\r\n";
  m += "Subject: " + OneLine(HeaderText(subject)) + "\r\n";
  if (!date.empty()) m += "Date: " + date + "\r\n";
  m += "MIME-Version: 1.0\r\n";
  m += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n";
  m += "\r\n";
  m += "This is a multi-part message in MIME format.\r\n";
  m += "\r\n--" + boundary + "\r\n";
  m += "Content-Type: text/plain; charset=\"us-ascii\"\r\n";
  m += "Content-Transfer-Encoding: 7bit\r\n";
  m += "\r\n";
  for (const auto& a : attachments) {
    std::string name = OneLine(HeaderText(a.file_name));
    std::erase(name, '"');
    m += "\r\n--" + boundary + "\r\n";
    m += "Content-Type: application/octet-stream; name=\"" + name + "\"\r\n";
    m += "Content-Transfer-Encoding: base64\r\n";
    m += "Content-Disposition: attachment; filename=\"" + name + "\"\r\n";
    m += "\r\n";
    m += Base64(a.content, 76);
    m += "\r\n";
  }
  m += "\r\n--" + boundary + "--\r\n";
  return m;
}

MailSettings ReadMailSettings() {
  MailSettings s;
  try {
    infra::TRegistry reg;
    reg.SetRootKey(plat::HKEY_CURRENT_USER);
    if (!reg.OpenKeyReadOnly(kMailKey)) return s;
    auto read = [&](const wchar_t* name, std::wstring& into) {
      try {
        if (!reg.ValueExists(name)) return;
        std::wstring v = reg.ReadString(name);
        if (!v.empty()) into = v;
      } catch (const std::exception&) {
        infra::LogError(L"ReadMailSettings", L"Can't read value", std::wstring(L"Name=") + name, 0, true);
      }
    };
    read(L"Server", s.server);
    read(L"User", s.user);
    read(L"Password", s.password);
    read(L"Recipient", s.recipient);
    read(L"CertificateFile", s.certificate_file);
    std::wstring port;
    read(L"Port", port);
    if (!port.empty() && port.size() <= 5 &&
        std::all_of(port.begin(), port.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
      const unsigned long p = std::stoul(port);
      if (p > 0 && p <= 65535) s.port = static_cast<std::uint16_t>(p);
    }
  } catch (const std::exception&) {}
  return s;
}

std::string TSmtpClient::Reply::Text() const {
  std::string t = std::to_string(code);
  for (const auto& l : lines) t += " " + l;
  return t;
}

TSmtpClient::~TSmtpClient() { Close(); }

bool TSmtpClient::TlsStarted() const { return socket_ != 0 && plat::TlsActive(socket_); }

void TSmtpClient::Close() {
  if (socket_) plat::NetClose(socket_);
  socket_ = 0;
  received_.clear();
  extensions_.clear();
}

void TSmtpClient::SendRaw(const std::string& data) {
  if (!socket_) throw EIdNotASocket("Not connected");
  std::wstring error;
  plat::NetResult r = plat::NetSend(socket_, data, settings_.reply_timeout_ms, error);
  if (r == plat::NetResult::kOk) return;
  Close();
  if (r == plat::NetResult::kTimeout) throw EIdConnectTimeout("Send timed out");
  throw EIdSocketError(r == plat::NetResult::kClosed ? "Connection closed by the server"
                                                     : "Socket error: " + plat::ToUtf8(error));
}

void TSmtpClient::SendLine(const std::string& line) { SendRaw(line + "\r\n"); }

TSmtpClient::Reply TSmtpClient::ReadReply(std::uint32_t timeout_ms) {
  Reply reply;
  for (;;) {
    size_t eol;
    while ((eol = received_.find("\r\n")) == std::string::npos) {
      if (!socket_) throw EIdNotASocket("Not connected");
      if (received_.size() > 65536) {
        Close();
        throw EIdSocketError("Reply line too long");
      }
      char buf[4096];
      size_t got = 0;
      std::wstring error;
      plat::NetResult r = plat::NetReceive(socket_, buf, sizeof buf, got, timeout_ms, error);
      if (r == plat::NetResult::kOk) {
        received_.append(buf, got);
        continue;
      }
      Close();
      if (r == plat::NetResult::kTimeout) throw EIdConnectTimeout("No reply from the server");
      throw EIdSocketError(r == plat::NetResult::kClosed ? "Connection closed by the server"
                                                         : "Socket error: " + plat::ToUtf8(error));
    }
    std::string line = received_.substr(0, eol);
    received_.erase(0, eol + 2);
    if (line.size() < 3 || !std::isdigit(static_cast<unsigned char>(line[0])) ||
        !std::isdigit(static_cast<unsigned char>(line[1])) || !std::isdigit(static_cast<unsigned char>(line[2]))) {
      Close();
      throw EIdSocketError("Not an SMTP reply: " + line.substr(0, 80));
    }
    reply.code = std::stoi(line.substr(0, 3));
    reply.lines.push_back(line.size() > 4 ? line.substr(4) : "");
    if (line.size() < 4 || line[3] != '-') return reply;
  }
}

TSmtpClient::Reply TSmtpClient::Command(const std::string& line, int expected) {
  SendLine(line);
  Reply r = ReadReply(settings_.reply_timeout_ms);
  if (r.code != expected) throw EIdSMTPReplyError(r.code, r.Text());
  return r;
}

void TSmtpClient::Ehlo() {
  Reply r = Command("EHLO localhost", 250);
  extensions_.clear();
  for (size_t i = 1; i < r.lines.size(); ++i) {
    std::string e = r.lines[i];
    std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return std::toupper(c); });
    extensions_.push_back(e);
  }
}

bool TSmtpClient::Offers(const std::string& keyword) const {
  for (const auto& e : extensions_) {
    if (e == keyword || e.rfind(keyword + " ", 0) == 0) return true;
  }
  return false;
}

void TSmtpClient::Connect() {
  Close();
  last_error_.clear();
  std::wstring error;
  socket_ = plat::NetConnect(settings_.server, settings_.port, settings_.connect_timeout_ms, error);
  if (!socket_) throw EIdSocketError("Cannot connect to the server: " + plat::ToUtf8(error));
  Reply greeting = ReadReply(settings_.connect_timeout_ms);
  if (greeting.code != 220) {
    Close();
    throw EIdSMTPReplyError(greeting.code, greeting.Text());
  }
  Ehlo();
  if (Offers("STARTTLS")) {
    Command("STARTTLS", 220);
    if (!received_.empty()) {  // nothing may follow the go-ahead in the clear
      Close();
      throw EIdSocketError("Data after STARTTLS reply");
    }
    if (!plat::TlsStartClient(socket_, settings_.server, settings_.certificate_file, settings_.connect_timeout_ms,
                              error)) {
      Close();
      throw EIdSocketError("TLS failed: " + plat::ToUtf8(error));
    }
    Ehlo();  // the server's offer may change under TLS
  }
}

bool TSmtpClient::Authenticate() {
  last_error_.clear();
  if (!socket_) throw EIdNotASocket("Not connected");
  if (!TlsStarted()) {
    last_error_ = L"The server offers no STARTTLS; the password is not sent without TLS";
    return false;
  }
  bool login = false, plain = false;
  for (const auto& e : extensions_) {
    if (e.rfind("AUTH", 0) != 0) continue;
    login = login || e.find(" LOGIN") != std::string::npos || e.find("=LOGIN") != std::string::npos;
    plain = plain || e.find(" PLAIN") != std::string::npos;
  }
  try {
    if (login || !plain) {
      Command("AUTH LOGIN", 334);
      Command(Base64(plat::ToUtf8(settings_.user)), 334);
      Command(Base64(plat::ToUtf8(settings_.password)), 235);
    } else {
      std::string token;
      token.push_back('\0');
      token += plat::ToUtf8(settings_.user);
      token.push_back('\0');
      token += plat::ToUtf8(settings_.password);
      Command("AUTH PLAIN " + Base64(token), 235);
    }
    return true;
  } catch (const EIdSMTPReplyError& e) {
    last_error_ = Wide(e.what());
    return false;
  }
}

void TSmtpClient::Send(const std::wstring& subject, const std::vector<MailAttachment>& attachments) {
  const std::string from = "MAIL FROM:<" + OneLine(plat::ToUtf8(settings_.user)) + ">";
  const std::string to = "RCPT TO:<" + OneLine(plat::ToUtf8(settings_.recipient)) + ">";
  if (Offers("PIPELINING")) {
    SendRaw(from + "\r\n" + to + "\r\nDATA\r\n");
    // Read all three replies before judging, so the connection stays in step.
    Reply r1 = ReadReply(settings_.reply_timeout_ms);
    Reply r2 = ReadReply(settings_.reply_timeout_ms);
    Reply r3 = ReadReply(settings_.reply_timeout_ms);
    if (r1.code != 250) throw EIdSMTPReplyError(r1.code, r1.Text());
    if (r2.code != 250 && r2.code != 251) throw EIdSMTPReplyError(r2.code, r2.Text());
    if (r3.code != 354) throw EIdSMTPReplyError(r3.code, r3.Text());
  } else {
    Command(from, 250);
    SendLine(to);
    Reply r2 = ReadReply(settings_.reply_timeout_ms);
    if (r2.code != 250 && r2.code != 251) throw EIdSMTPReplyError(r2.code, r2.Text());
    Command("DATA", 354);
  }
  const std::uint32_t stamp = plat::TickCount();
  const std::string boundary = "----=_Part_" + std::to_string(stamp) + "_" + std::to_string(attachments.size());
  SendRaw(DotStuff(ComposeMessage(settings_.user, settings_.recipient, subject, attachments, boundary, "")));
  SendRaw(".\r\n");
  Reply done = ReadReply(settings_.reply_timeout_ms);
  if (done.code != 250) throw EIdSMTPReplyError(done.code, done.Text());
}

void TSmtpClient::Disconnect() {
  if (!socket_) return;
  try {
    SendLine("QUIT");
    ReadReply(std::min<std::uint32_t>(settings_.reply_timeout_ms, 2000));
  } catch (...) {}
  Close();
}

namespace {
std::wstring ServerText(const MailSettings& s) { return L"Server=" + s.server + L":" + std::to_wstring(s.port); }
}  // namespace

bool ConnectMailServer(TSmtpClient& client, int attempt) {
  const std::wstring server = ServerText(client.Settings());
  try {
    if (client.Connected()) client.Disconnect();
    client.Connect();
  } catch (const std::exception& e) {
    infra::LogMessage(L"ConnectMailServer", server + L", Attempt=" + std::to_wstring(attempt) + L", " + Wide(e.what()));
    return false;
  } catch (...) {
    return false;
  }
  if (!client.Connected()) return false;
  try {
    return client.Authenticate();
  } catch (const std::exception& e) {
    infra::LogMessage(L"ConnectMailServer", server + L", " + Wide(e.what()));
  } catch (...) {}
  return false;
}

MailResult MailReport(TSmtpClient& client, const std::wstring& subject,
                      const std::function<std::vector<MailAttachment>()>& make_attachment) {
  const MailSettings& s = client.Settings();
  const std::wstring server = ServerText(s);
  bool authenticated = false;
  for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
    if (attempt > 1) plat::SleepMs(kAttemptPauseMs);
    authenticated = ConnectMailServer(client, attempt);
    // Only a failed connection is tried again: an account the server refused
    // is not offered to it a second time.
    if (authenticated || client.Connected()) break;
  }
  if (!client.Connected()) {
    infra::LogError(kSendSource, L"Connected fail", L"", 0, true);
    return MailResult::kConnectFailed;
  }
  if (!authenticated) {
    infra::LogError(kSendSource, L"Authenticate fail", server + L", " + client.LastError(), 0, true);
    client.Disconnect();
    return MailResult::kAuthenticateFailed;
  }
  try {
    client.Send(subject, make_attachment());
  } catch (const std::exception& e) {
    infra::LogError(kSendSource, L"Send fail", server + L", " + Wide(e.what()), 0, true);
    client.Disconnect();
    return MailResult::kSendFailed;
  }
  infra::LogMessage(L"SendBugReport", L"Sent to " + s.recipient);
  client.Disconnect();
  return MailResult::kSent;
}

}  // namespace errors
