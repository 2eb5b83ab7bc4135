// qzip ARCHIVE BASE FILE...: writes ARCHIVE with the agent's ZIP writer.
//
// Entry names are the files' paths relative to BASE. Prints one line per
// failure with its code and text and exits with 1 when any file failed, 2 on
// wrong usage.
#include <cstdio>
#include <filesystem>
#include <string>

#include "errors/file_tools.h"

namespace {

std::wstring FromUtf8(const std::string& s) {
  std::wstring out;
  for (std::size_t i = 0; i < s.size();) {
    auto c = static_cast<unsigned char>(s[i]);
    int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    std::uint32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
    ++i;
    for (int k = 0; k < extra && i < s.size(); ++k, ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    out += static_cast<wchar_t>(cp);
  }
  return out;
}

std::wstring Absolute(const char* arg) {
  std::error_code ec;
  auto p = std::filesystem::absolute(std::filesystem::path(arg), ec);
  return FromUtf8(ec ? std::string(arg) : p.string());
}

void Report(const char* what, const errors::EZipError& e) {
  std::printf("qzip: %s: error %u (0x%04X): %s\n", what, e.Code(), e.Code(), e.what());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: qzip ARCHIVE BASE FILE...\n");
    return 2;
  }
  int failures = 0;
  try {
    errors::TZip zip(Absolute(argv[1]), errors::kZipBufferSize, Absolute(argv[2]));
    for (int i = 3; i < argc; ++i) {
      try {
        zip.AddFile(Absolute(argv[i]));
      } catch (const errors::EZipError& e) {
        Report(argv[i], e);
        ++failures;
      }
    }
    zip.Close();
  } catch (const errors::EZipError& e) {
    Report(argv[1], e);
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}
