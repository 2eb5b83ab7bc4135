// Text: the program's one home for texts compared without regard to case,
// trimmed, and converted between bytes and wide texts.
//
// Case is folded by the system's case tables (CharUpperBuffW/CharLowerBuffW
// through the platform), the same tables the registry uses for value names:
// every part that asks "is this the same folder, name or switch" gets the
// answer the store gets. Nothing here throws.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "infra/utf16.h"
#include "platform/utf8.h"

namespace infra {

// --- Case ------------------------------------------------------------------------

// Upper case by the system's character tables.
std::wstring UpperCaseText(std::wstring_view text);
// Lower case by the system's character tables.
std::wstring LowerCaseText(std::wstring_view text);
// The same text without regard to case.
bool SameText(std::wstring_view a, std::wstring_view b);
// Order without regard to case: < 0, 0 or > 0 as a sorts before, with or
// after b (by the upper-case forms' code units; a prefix sorts first).
int CompareText(std::wstring_view a, std::wstring_view b);
// Some text of list is SameText as text.
bool ContainsText(const std::vector<std::wstring>& list, std::wstring_view text);
// Where part first stands in text without regard to case; npos when nowhere.
std::size_t FindText(std::wstring_view text, std::wstring_view part);

// --- Trimming --------------------------------------------------------------------

// Without leading and trailing characters with codes up to 32.
std::wstring TrimControls(std::wstring_view text);

// --- Conversion ------------------------------------------------------------------

// UTF-8: the one converter (platform/utf8.h, shared with the platform
// backends). Malformed bytes become U+FFFD; nothing is widened byte by byte.
using plat::FromUtf8;
using plat::ToUtf8;
// UTF-16LE bytes: infra/utf16.h (ToUtf16Le, FromUtf16Le, kUtf16LeBom).

}  // namespace infra
