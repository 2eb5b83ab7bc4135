// The mail transport of the bug report: an SMTP submission client (RFC 5321)
// with STARTTLS (RFC 3207), AUTH LOGIN, PIPELINING (RFC 2920) and a MIME
// message carrying one base64 attachment.
//
// The account's password is sent only over TLS (1.2 or later, with the
// server's certificate verified): a server that offers no STARTTLS is
// connected but never authenticated.
#pragma once
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/tls_socket.h"

namespace errors {

// Socket failures of the transport. The raised-exception trace leaves these
// three classes out: a failing network is no program error.
struct EIdSocketError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct EIdConnectTimeout : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct EIdNotASocket : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// A reply of the server that refuses what the client asked.
struct EIdSMTPReplyError : std::runtime_error {
  EIdSMTPReplyError(int code, const std::string& text) : std::runtime_error(text), code(code) {}
  int code;
};

// Where and as whom the report is sent. Defaults are built in; string values
// under HKEY_CURRENT_USER "Software\Quantrel\Vorlune Folder\Mail" override them.
struct MailSettings {
  std::wstring server = L"mail.quantrel.com";
  std::uint16_t port = 587;
  std::wstring user = L"bugreport@quantrel.com";
  std::wstring password = L"Vf7#kQ2zw";
  std::wstring recipient = L"support@quantrel.com";
  std::wstring certificate_file;            // empty: the system's trusted roots
  std::uint32_t connect_timeout_ms = 5000;  // connect and greeting
  std::uint32_t reply_timeout_ms = 30000;   // every later reply
};

// The mail registry key below HKEY_CURRENT_USER.
inline constexpr const wchar_t* kMailKey = L"Software\\Quantrel\\Vorlune Folder\\Mail";

// The built-in settings with the string values "Server", "Port", "User",
// "Password", "Recipient" and "CertificateFile" of kMailKey in their place.
// Empty, unreadable or (for the port) invalid values keep the default.
MailSettings ReadMailSettings();

// One attachment of the message.
struct MailAttachment {
  std::wstring file_name;  // as the recipient sees it: "bug-report.zip"
  std::string content;     // the file's bytes
};

// The whole message as sent after DATA (before dot-stuffing): headers, a
// multipart/mixed body with an empty text part and the attachment as
// "application/octet-stream" in base64, lines ending in CR LF.
std::string ComposeMessage(const std::wstring& from, const std::wstring& to, const std::wstring& subject,
                           const std::vector<MailAttachment>& attachments, const std::string& boundary,
                           const std::string& date);

// Base64 of `data` (RFC 4648), in lines of at most `line_length` characters
// joined by CR LF (0: one line).
std::string Base64(const std::string& data, size_t line_length = 0);

// DATA transparency (RFC 5321 4.5.2): a line that starts with "." gets a second one.
std::string DotStuff(const std::string& message);

class TSmtpClient {
 public:
  TSmtpClient() = default;
  ~TSmtpClient();
  TSmtpClient(const TSmtpClient&) = delete;
  TSmtpClient& operator=(const TSmtpClient&) = delete;

  void Configure(const MailSettings& settings) { settings_ = settings; }
  const MailSettings& Settings() const { return settings_; }

  // Connects, reads the greeting, says EHLO and, when the server offers it,
  // starts TLS and says EHLO again. Throws the socket errors above and
  // EIdSMTPReplyError; a server certificate that cannot be trusted throws
  // EIdSocketError and leaves the client disconnected.
  void Connect();
  bool Connected() const { return socket_ != 0; }
  bool TlsStarted() const;

  // AUTH LOGIN (AUTH PLAIN when the server offers only that). False when the
  // server refused the account, or when the connection has no TLS (the
  // password is never sent in the clear). Socket errors throw.
  bool Authenticate();
  // Text of the last refusal, for the log.
  const std::wstring& LastError() const { return last_error_; }

  // MAIL FROM, RCPT TO and DATA (pipelined when the server offers
  // PIPELINING), then the message. Throws on any failure.
  void Send(const std::wstring& subject, const std::vector<MailAttachment>& attachments);

  // QUIT when still connected and answering, then closes. Never throws.
  void Disconnect();

 private:
  struct Reply {
    int code = 0;
    std::vector<std::string> lines;
    std::string Text() const;
  };
  void SendLine(const std::string& line);
  void SendRaw(const std::string& data);
  Reply ReadReply(std::uint32_t timeout_ms);
  Reply Command(const std::string& line, int expected);
  void Ehlo();
  bool Offers(const std::string& keyword) const;
  void Close();

  MailSettings settings_;
  plat::NetSocket socket_ = 0;
  std::string received_;
  std::vector<std::string> extensions_;  // EHLO lines after the first, upper-cased
  std::wstring last_error_;
};

// Disconnects when connected, connects and authenticates: true when both
// succeeded. A failed connection is logged ("ConnectMailServer", with the
// attempt's number) and leaves the client disconnected; a refused account
// leaves it connected, with the server's answer in LastError(). Never throws.
bool ConnectMailServer(TSmtpClient& client, int attempt = 1);

// The steps of sending a report, on an already configured client:
// up to three attempts of ConnectMailServer one second apart (a refused
// account ends them), the message. `make_attachment` builds the attachment (the report archive)
// once connected and authenticated. Logs each failure.
enum class MailResult { kSent, kConnectFailed, kAuthenticateFailed, kSendFailed };
MailResult MailReport(TSmtpClient& client, const std::wstring& subject,
                      const std::function<std::vector<MailAttachment>()>& make_attachment);

}  // namespace errors
