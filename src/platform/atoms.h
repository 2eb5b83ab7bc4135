// Global atoms: short texts shared by every process of the session.
#pragma once
#include <cstdint>
#include <string>

namespace plat {

// GlobalAddAtomW: the atom of the text (0xC000..0xFFFF), adding a reference
// when it exists; 0 on failure (empty text, text longer than 255 characters).
std::uint16_t GlobalAddAtomW(const std::wstring& text);
// GlobalGetAtomNameW into a buffer of buffer_chars characters (with the
// terminator); false when the atom names nothing.
bool GlobalGetAtomNameW(std::uint16_t atom, std::wstring& name, std::size_t buffer_chars = 261);
// GlobalDeleteAtom: drops one reference.
void GlobalDeleteAtom(std::uint16_t atom);

}  // namespace plat
