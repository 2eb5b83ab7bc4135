// ShortenPathCaption: the short form of a long path for a menu caption and
// for the default title of a new favourite.
#pragma once
#include <string>

namespace menu {

// Paths under 51 characters stay as they are. Otherwise, with the name being
// the text after the last "\" or ":": a name of 40 to 50 characters alone; a
// longer name cut to 49 characters less its extension, then "~~" and the
// extension; a shorter name after "X:\..\" and as many of the last folders as
// keep the whole within 50 characters.
std::wstring ShortenPathCaption(const std::wstring& path);

}  // namespace menu
