// The global error log and the system information block: what the global
// exception handler writes for an exception that reached the message loop.
#pragma once
#include <functional>
#include <string>

namespace errors {

// Names of the active form and of its focused control, for the extended
// system information; the forms layer installs it. Empty names are left out.
struct ActiveNames {
  std::wstring form;
  std::wstring control;
};
void SetActiveNamesProvider(std::function<ActiveNames()> provider);

// The system information text: "Program version: ", with extended the active
// form and control and the last system error, then the system, processor,
// memory and screen lines, joined with CR LF. On failure LogError
// ("GetSystemInfo", "Common error") and an empty text.
std::wstring GetSystemInfo(bool extended);

// Rewrites "folder_global_error.log" in the log folder: date and time + ": "
// + message, the extended system information, and, when one was captured for
// `thrown` (the caught exception object; see CapturedStack), "Call stack: "
// and its frames. Written in every case, also without a stack. Never throws.
void WriteGlobalErrorLog(const std::wstring& message, const void* thrown);

}  // namespace errors
