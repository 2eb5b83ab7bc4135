// ZIP entry names of any base folder and file path: a name never leads out of
// the archive's folder when unpacked (no absolute path, no drive, no "..")
// and a refused name is refused with the ZIP writer's own error.
#include <string>

#include "errors/file_tools.h"
#include "support.h"

namespace {

// The parts of a stored name between separators of either kind.
void CheckStoredName(const std::string& name) {
  fuzz::Check(!name.empty(), "a stored entry name is not empty");
  fuzz::Check(name[0] != '\\' && name[0] != '/', "a stored entry name is relative");
  std::string part;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || name[i] == '\\' || name[i] == '/') {
      fuzz::Check(!part.empty(), "no empty part in an entry name");
      fuzz::Check(part != "." && part != "..", "no \".\" or \"..\" part in an entry name");
      part.clear();
    } else {
      fuzz::Check(name[i] != ':', "no drive or stream in an entry name");
      part += name[i];
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::wstring base = fuzz::NarrowText(in, 300);
  const std::wstring path = fuzz::RestNarrowText(in);

  const std::wstring relative = errors::ZipRelativeName(base, path);
  for (wchar_t c : relative) fuzz::Check(c < 0x0402 && c != L':', "the relative name keeps only single-byte letters");
  try {
    CheckStoredName(errors::ZipEntryName(base, path));
  } catch (const errors::EZipError& e) {
    fuzz::Check(relative.empty() || relative.size() > 65535 / 2, "only an empty or overlong name is refused");
  }
  return 0;
}
