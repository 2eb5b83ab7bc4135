// e2e probe of the mail transport: mail_probe SERVER PORT CERTFILE|- USER
// PASSWORD FILE sends FILE as "bug-report.zip" with the subject
// "Vorlune Folder bug report" and prints the result; mail_probe registry
// FILE takes the settings from the registry instead. Exit code: 0 sent,
// 1 no connection, 2 authentication refused, 3 sending failed, 9 usage.
#include <windows.h>

#include <cstdio>
#include <string>

#include "errors/mail_transport.h"
#include "infra/logger.h"

int wmain(int argc, wchar_t** argv) {
  const bool from_registry = argc == 3 && std::wstring(argv[1]) == L"registry";
  if (argc < 7 && !from_registry) return 9;
  infra::SetLogFolder(L"C:\\qorbin\\Log\\");  // the scenario shows this log when a run goes wrong
  errors::MailSettings s;
  const wchar_t* file = argv[2];
  if (from_registry) {
    s = errors::ReadMailSettings();
  } else {
    s.server = argv[1];
    s.port = static_cast<std::uint16_t>(std::wcstoul(argv[2], nullptr, 10));
    s.certificate_file = std::wstring(argv[3]) == L"-" ? L"" : argv[3];
    s.user = argv[4];
    s.password = argv[5];
    s.recipient = L"bugs@vorlune.test";
    file = argv[6];
  }
  s.connect_timeout_ms = 5000;
  s.reply_timeout_ms = 10000;
  std::string content;
  if (FILE* f = ::_wfopen(file, L"rb")) {
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) content.append(buf, n);
    std::fclose(f);
  }
  errors::TSmtpClient client;
  client.Configure(s);
  errors::MailResult r = errors::MailReport(client, L"Vorlune Folder bug report", [&] {
    return std::vector<errors::MailAttachment>{{L"bug-report.zip", content}};
  });
  const char* names[] = {"sent", "connect failed", "authenticate failed", "send failed"};
  std::printf("%s\n", names[static_cast<int>(r)]);
  infra::SaveAllLogs(true);
  return static_cast<int>(r);
}
