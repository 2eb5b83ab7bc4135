// The program's symbol file: procedures and source lines by address.
//
// The windows build writes it next to each executable at build time
// (scripts/make_symbols.py, from the DWARF information MinGW emits) as
// "<program>.sym"; the stack trace reads it on first need. The format is plain
// text, addresses being hexadecimal offsets from the image base:
//   QSYM 1 / F <n> + n file names / P <n> + "<rva> <procedure>" /
//   L <n> + "<rva> <file index> <line>" (line 0 ends a sequence)
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/stack_trace.h"

namespace plat {

class SymbolTable {
 public:
  // Parses the text of a symbol file; false (and an empty table) when it is
  // not one. Sections may be truncated: what was read stays usable.
  bool Parse(std::string_view text);

  bool Empty() const { return procs_.empty(); }

  // Looks up an offset from the image base. A line is reported only when the
  // nearest line row at or below the offset belongs to the same procedure.
  bool Lookup(std::uint64_t rva, SourceLocation& out) const;

 private:
  struct Proc {
    std::uint64_t rva;
    std::wstring name;
  };
  struct Row {
    std::uint64_t rva;
    std::uint32_t file;
    std::uint32_t line;
  };
  std::vector<std::wstring> files_;
  std::vector<Proc> procs_;
  std::vector<Row> rows_;
};

}  // namespace plat
