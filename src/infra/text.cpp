#include "infra/text.h"

#include <algorithm>

#include "platform/system.h"

namespace infra {

std::wstring UpperCaseText(std::wstring_view text) {
  std::wstring out(text);
  plat::CharUpperText(out);
  return out;
}

std::wstring LowerCaseText(std::wstring_view text) {
  std::wstring out(text);
  plat::CharLowerText(out);
  return out;
}

bool SameText(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;
  return UpperCaseText(a) == UpperCaseText(b);
}

int CompareText(std::wstring_view a, std::wstring_view b) {
  const std::wstring ua = UpperCaseText(a), ub = UpperCaseText(b);
  return ua.compare(ub) < 0 ? -1 : ua == ub ? 0 : 1;
}

bool ContainsText(const std::vector<std::wstring>& list, std::wstring_view text) {
  if (list.empty()) return false;
  const std::wstring upper = UpperCaseText(text);
  return std::any_of(list.begin(), list.end(),
                     [&](const std::wstring& x) { return x.size() == upper.size() && UpperCaseText(x) == upper; });
}

std::size_t FindText(std::wstring_view text, std::wstring_view part) {
  return UpperCaseText(text).find(UpperCaseText(part));
}

std::wstring TrimControls(std::wstring_view text) {
  std::size_t a = 0, b = text.size();
  while (a < b && static_cast<std::uint32_t>(text[a]) <= 32) ++a;
  while (b > a && static_cast<std::uint32_t>(text[b - 1]) <= 32) --b;
  return std::wstring(text.substr(a, b - a));
}

}  // namespace infra
