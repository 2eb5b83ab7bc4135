// The sim's system facts: last error and error texts.
#include <map>

#include "platform/system.h"

namespace plat {
namespace {
thread_local std::uint32_t t_last_error = 0;
}

std::uint32_t LastError() { return t_last_error; }
void SetLastError(std::uint32_t code) { t_last_error = code; }

std::wstring SystemErrorMessage(std::uint32_t code) {
  // The texts of the codes the agent meets most, as Windows words them.
  static const std::map<std::uint32_t, std::wstring> kTexts = {
      {0, L"The operation completed successfully.\r\n"},
      {2, L"The system cannot find the file specified.\r\n"},
      {3, L"The system cannot find the path specified.\r\n"},
      {5, L"Access is denied.\r\n"},
      {6, L"The handle is invalid.\r\n"},
      {18, L"There are no more files.\r\n"},
      {21, L"The device is not ready.\r\n"},
      {32, L"The process cannot access the file because it is being used by another process.\r\n"},
      {80, L"The file exists.\r\n"},
      {87, L"The parameter is incorrect.\r\n"},
      {112, L"There is not enough space on the disk.\r\n"},
      {123, L"The filename, directory name, or volume label syntax is incorrect.\r\n"},
      {145, L"The directory is not empty.\r\n"},
      {183, L"Cannot create a file when that file already exists.\r\n"},
      {1400, L"Invalid window handle.\r\n"},
  };
  auto it = kTexts.find(code);
  return it == kTexts.end() ? std::wstring() : it->second;
}

}  // namespace plat
