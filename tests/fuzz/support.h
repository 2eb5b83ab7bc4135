// Shared pieces of the fuzz targets (libFuzzer, scripts/build.sh fuzz): a
// fresh simulated world for each input, and texts drawn from the fuzzer's
// bytes the way the agent meets them from other programs: UTF-16 code units
// of any value, embedded zeros and lone surrogates included.
//
// A target checks what a user relies on with Check: a broken rule prints the
// rule and aborts, which libFuzzer reports as a crash with the input saved.
#pragma once
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Resets the whole sim world and the logger, then maps drive C: to a fresh
// temporary host folder.
void FreshWorld();

// Up to max_units UTF-16 code units (two bytes each, little-endian).
std::wstring Text(FuzzedDataProvider& in, std::size_t max_units);
// Up to max_units code units, each byte one unit below 0x100 (or, after a
// 0xFF byte, the next two bytes as one unit): denser for texts that are
// mostly ASCII, such as paths, numbers and masks.
std::wstring NarrowText(FuzzedDataProvider& in, std::size_t max_units);
// Every byte left as one narrow text.
std::wstring RestNarrowText(FuzzedDataProvider& in);

// Aborts with the rule when ok is false.
void Check(bool ok, const char* rule);

// The UTF-16LE bytes of a text (no byte-order mark, no terminating zero).
std::string Utf16Bytes(const std::wstring& text);

}  // namespace fuzz
