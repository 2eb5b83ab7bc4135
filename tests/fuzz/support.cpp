#include "support.h"

#include <cstdio>
#include <cstdlib>

#include "infra/logger_files.h"
#include "sim/sim_files.h"
#include "sim/sim_world.h"

namespace fuzz {

void FreshWorld() {
  infra::ResetLogger();
  sim::ResetWorld();
  sim::MapTempDrive(L'C');
}

std::wstring Text(FuzzedDataProvider& in, std::size_t max_units) {
  const std::size_t units = in.ConsumeIntegralInRange<std::size_t>(0, max_units);
  std::wstring out;
  out.reserve(units);
  for (std::size_t i = 0; i < units && in.remaining_bytes() > 0; ++i) {
    out += static_cast<wchar_t>(in.ConsumeIntegral<std::uint16_t>());
  }
  return out;
}

namespace {
void AppendNarrow(FuzzedDataProvider& in, std::wstring& out) {
  const std::uint8_t b = in.ConsumeIntegral<std::uint8_t>();
  if (b == 0xFF && in.remaining_bytes() >= 2) {
    out += static_cast<wchar_t>(in.ConsumeIntegral<std::uint16_t>());
  } else {
    out += static_cast<wchar_t>(b);
  }
}
}  // namespace

std::wstring NarrowText(FuzzedDataProvider& in, std::size_t max_units) {
  const std::size_t units = in.ConsumeIntegralInRange<std::size_t>(0, max_units);
  std::wstring out;
  for (std::size_t i = 0; i < units && in.remaining_bytes() > 0; ++i) AppendNarrow(in, out);
  return out;
}

std::wstring RestNarrowText(FuzzedDataProvider& in) {
  std::wstring out;
  while (in.remaining_bytes() > 0) AppendNarrow(in, out);
  return out;
}

void Check(bool ok, const char* rule) {
  if (ok) return;
  std::fprintf(stderr, "fuzz: rule broken: %s\n", rule);
  std::fflush(stderr);
  std::abort();
}

std::string Utf16Bytes(const std::wstring& text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (wchar_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>((c >> 8) & 0xFF);
  }
  return out;
}

}  // namespace fuzz
