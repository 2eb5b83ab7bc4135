#include "errors/error_form.h"

#include <mutex>
#include <stdexcept>

#include "errors/bug_report.h"
#include "errors/global_exception.h"
#include "infra/logger.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/shell_execute.h"
#include "platform/system.h"
#include "platform/window.h"

namespace errors {
namespace {

const wchar_t* const kFormSource = L"Error Message form";

std::mutex g_form_lock;
std::unique_ptr<TErrorMessageFormKTR3>& Form() {
  static std::unique_ptr<TErrorMessageFormKTR3> form;
  return form;
}
std::function<void()>& TerminateHook() {
  static std::function<void()> hook;
  return hook;
}

std::wstring FileNamePart(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

TErrorMessageFormKTR3::TErrorMessageFormKTR3(std::function<void()> terminate) : terminate_(std::move(terminate)) {
  TntFormCreate();
}

void TErrorMessageFormKTR3::TntFormCreate() {
  mail_.Configure(ReadMailSettings());
  texts_.caption = L"Vorlune Folder";
  texts_.heading = L"An error has occured during program execution:";
  texts_.sorry = L"We are sorry for the inconvenience.";
  texts_.ask = L"Please tell us about this problem.";
  texts_.report =
      L"We have created an error report that you can send to help us improve program. "
      L"We will treat this report as confidential and anonymous.";
  texts_.wait = L"Please wait.";
  texts_.check_box = L"&Send this error via Internet";
  texts_.updates = L"Check for Updates";
  texts_.ignore = L"Ignore";
  texts_.restart = L"Restart";
  texts_.terminate = L"Terminate";
}

void TErrorMessageFormKTR3::FormShow() {
  infra::LogMessage(kFormSource, L"Open");
  checked_ = true;
  texts_.caption = L"Vorlune Folder";
}

bool TErrorMessageFormKTR3::ShowModal(const std::wstring& message) {
  texts_.message = message;
  FormShow();
  return plat::ShowErrorDialogModal(texts_, checked_, [this](plat::ErrorDialogButton b) { return Click(b); });
}

bool TErrorMessageFormKTR3::Click(plat::ErrorDialogButton button) {
  switch (button) {
    case plat::ErrorDialogButton::kIgnore:
      return SpeedButton2Click();
    case plat::ErrorDialogButton::kRestart:
      return Button1Click();
    case plat::ErrorDialogButton::kTerminate:
      return Button22Click();
    case plat::ErrorDialogButton::kCheckForUpdates:
      return btn1Click();
  }
  return false;
}

bool TErrorMessageFormKTR3::SpeedButton2Click() {
  infra::LogMessage(kFormSource, L"Click Ignore");
  checked_ = plat::ErrorDialogChecked();
  if (checked_) return SendBugReport();
  return true;
}

bool TErrorMessageFormKTR3::Button1Click() {
  infra::LogMessage(kFormSource, L"Click restart");
  SpeedButton2Click();
  if (!plat::ShellExecute(0, L"open", plat::ProgramPath(), L"/restart", L"", plat::SW_SHOWNORMAL)) {
    infra::LogError(kFormSource, L"Restart fail", plat::ProgramPath(), plat::LastError(), true);
  }
  if (terminate_) terminate_();
  return true;
}

bool TErrorMessageFormKTR3::Button22Click() {
  infra::LogMessage(kFormSource, L"Click Terminate");
  SpeedButton2Click();
  if (terminate_) terminate_();
  return true;
}

bool TErrorMessageFormKTR3::btn1Click() {
  plat::ShellExecute(0, L"open", kUpdatesAddress, L"", L"", plat::SW_SHOWNORMAL);
  return false;
}

bool TErrorMessageFormKTR3::SendBugReport() {
  try {
    plat::ShowErrorDialogWait(true);
    const MailResult result = MailReport(mail_, kBugReportSubject, [] {
      std::wstring report_file;
      std::vector<MailAttachment> attachments;
      if (!BackupSystem(report_file)) throw std::runtime_error("The report archive was not written");
      MailAttachment a;
      a.file_name = FileNamePart(report_file);
      if (!plat::ReadWholeFile(report_file, a.content)) throw std::runtime_error("The report archive cannot be read");
      attachments.push_back(std::move(a));
      return attachments;
    });
    // No connection or no authentication: the dialog stays for another try.
    if (result == MailResult::kConnectFailed || result == MailResult::kAuthenticateFailed) return false;
  } catch (...) {
    infra::LogError(L"SendBugReport", L"ShowModal fail", L"", plat::LastError(), true);
  }
  return true;
}

TErrorMessageFormKTR3* ErrorDialog() {
  std::lock_guard<std::mutex> g(g_form_lock);
  return Form().get();
}

void InstallErrorDialog(std::function<void()> terminate) {
  {
    std::lock_guard<std::mutex> g(g_form_lock);
    TerminateHook() = std::move(terminate);
  }
  SetErrorDialogHooks({[] { return plat::ErrorDialogShowing(); },
                       [](const std::wstring& message) {
                         TErrorMessageFormKTR3* form;
                         {
                           // Created on first use, reused afterwards.
                           std::lock_guard<std::mutex> g(g_form_lock);
                           if (!Form()) Form() = std::make_unique<TErrorMessageFormKTR3>(TerminateHook());
                           form = Form().get();
                         }
                         return form->ShowModal(message);
                       }});
}

void RemoveErrorDialog() {
  SetErrorDialogHooks({});
  std::lock_guard<std::mutex> g(g_form_lock);
  Form().reset();
  TerminateHook() = nullptr;
}

}  // namespace errors
