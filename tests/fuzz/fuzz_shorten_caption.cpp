// ShortenPathCaption over any text: short paths stay whole, long ones come
// back no longer (save the "~~" mark), and nothing is read outside the text.
#include <string>

#include "support.h"
#include "menu/shorten_caption.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::wstring path = fuzz::RestNarrowText(in);
  const std::wstring caption = menu::ShortenPathCaption(path);
  if (path.size() <= 50) {
    fuzz::Check(caption == path, "a path of up to 50 characters is its own caption");
  } else {
    fuzz::Check(!caption.empty(), "a long path has a caption");
    // At worst the name is cut and marked with "~~" in place of its first letters.
    fuzz::Check(caption.size() <= path.size() + 2, "the caption of a long path is no longer than the path");
  }
  fuzz::Check(menu::ShortenPathCaption(path) == caption, "the same path gives the same caption");
  return 0;
}
