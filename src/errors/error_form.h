// The error dialog TErrorMessageFormKTR3 that GlobalException shows: the
// exception message, Ignore, Restart ("/restart"), Terminate, Check for
// Updates, and "&Send this error via Internet", which mails the bug report
// archive when the dialog is left.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "errors/mail_transport.h"
#include "platform/error_dialog.h"

namespace errors {

// The maker's web page opened by Check for Updates.
inline constexpr const wchar_t* kUpdatesAddress = L"https://www.quantrel.com/vorlune-folder/";
inline constexpr const wchar_t* kBugReportSubject = L"Vorlune Folder bug report";

class TErrorMessageFormKTR3 {
 public:
  // `terminate` tells the application to terminate (Restart, Terminate).
  explicit TErrorMessageFormKTR3(std::function<void()> terminate);

  // Puts the message into Label1 and shows the dialog modally. False when it
  // could not be shown.
  bool ShowModal(const std::wstring& message);
  bool Showing() const { return plat::ErrorDialogShowing(); }

  // The handlers; each returns true when the dialog closes.
  void TntFormCreate();
  void FormShow();
  bool SpeedButton2Click();  // Ignore
  bool Button1Click();       // Restart
  bool Button22Click();      // Terminate
  bool btn1Click();          // Check for Updates

  // Packs the report and mails it. True when the dialog closes (sent, or
  // sending failed); false when no connection or authentication could be
  // made, so that the user can try again.
  // The connection is made by ConnectMailServer (mail_transport.h).
  bool SendBugReport();

  TSmtpClient& Mail() { return mail_; }
  const plat::ErrorDialogTexts& Texts() const { return texts_; }

 private:
  bool Click(plat::ErrorDialogButton button);
  std::function<void()> terminate_;
  plat::ErrorDialogTexts texts_;
  TSmtpClient mail_;
  bool checked_ = true;
};

// Creates the error dialog (once, on first use) and hands it to
// GlobalException. `terminate` tells the application to terminate.
void InstallErrorDialog(std::function<void()> terminate);
// The installed dialog, or nullptr.
TErrorMessageFormKTR3* ErrorDialog();
// Removes it again (tests, program end).
void RemoveErrorDialog();

}  // namespace errors
