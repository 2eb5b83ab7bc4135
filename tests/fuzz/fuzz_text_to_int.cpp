// TextToInt over any text: never fails, never overflows, and reads back the
// numbers it is given in every form the agent stores them.
#include <cstdio>
#include <string>

#include "support.h"
#include "infra/dral_utils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::int32_t number = in.ConsumeIntegral<std::int32_t>();
  const std::wstring text = fuzz::RestNarrowText(in);

  const std::int32_t value = infra::TextToInt(text);
  // Reading stops at the first character that is no digit: what follows it
  // never changes the value.
  if (text.empty() || text.back() < L'0' || text.back() > L'9') {
    fuzz::Check(infra::TextToInt(text + L"z9") == value, "a non-digit ends the number");
  }

  // Decimal and hexadecimal forms of any 32-bit number read back as that number.
  fuzz::Check(infra::TextToInt(std::to_wstring(number)) == number, "decimal round trip");
  // A tail that goes on with digits makes another number, and "0" followed by
  // "x" is the hexadecimal prefix.
  const bool tail_continues =
      !text.empty() && ((text[0] >= L'0' && text[0] <= L'9') || (number == 0 && (text[0] == L'x' || text[0] == L'X')));
  fuzz::Check(infra::TextToInt(L"  " + std::to_wstring(number) + text) == number || tail_continues,
              "decimal with blanks and a tail");
  wchar_t hex[16];
  std::swprintf(hex, 16, L"$%X", static_cast<unsigned>(number));
  fuzz::Check(infra::TextToInt(hex) == number, "hexadecimal round trip");
  std::swprintf(hex, 16, L"0x%x", static_cast<unsigned>(number));
  fuzz::Check(infra::TextToInt(hex) == number, "0x round trip");
  return 0;
}
