#include "platform/symbol_file.h"

#include <algorithm>
#include <charconv>

#include "platform/utf8.h"

namespace plat {
namespace {

// The symbol file is UTF-8 (source file names may hold any character).
std::wstring Widen(std::string_view s) { return FromUtf8(s); }

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = end + 1;
    return true;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

bool ParseHex(std::string_view& s, std::uint64_t& v) {
  auto r = std::from_chars(s.data(), s.data() + s.size(), v, 16);
  if (r.ec != std::errc()) return false;
  s.remove_prefix(static_cast<size_t>(r.ptr - s.data()));
  return true;
}

bool ParseDec(std::string_view& s, std::uint32_t& v) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  auto r = std::from_chars(s.data(), s.data() + s.size(), v, 10);
  if (r.ec != std::errc()) return false;
  s.remove_prefix(static_cast<size_t>(r.ptr - s.data()));
  return true;
}

bool SectionHeader(std::string_view line, char tag, std::uint32_t& count) {
  if (line.size() < 3 || line[0] != tag || line[1] != ' ') return false;
  line.remove_prefix(2);
  return ParseDec(line, count);
}

}  // namespace

bool SymbolTable::Parse(std::string_view text) {
  files_.clear();
  procs_.clear();
  rows_.clear();
  Reader r(text);
  std::string_view line;
  if (!r.Next(line) || line != "QSYM 1") return false;
  std::uint32_t n = 0;
  if (!r.Next(line) || !SectionHeader(line, 'F', n)) return true;
  for (std::uint32_t i = 0; i < n && r.Next(line); ++i) files_.push_back(Widen(line));
  if (!r.Next(line) || !SectionHeader(line, 'P', n)) return true;
  procs_.reserve(n);
  for (std::uint32_t i = 0; i < n && r.Next(line); ++i) {
    std::uint64_t rva = 0;
    if (!ParseHex(line, rva) || line.empty() || line.front() != ' ') continue;
    line.remove_prefix(1);
    procs_.push_back({rva, Widen(line)});
  }
  if (r.Next(line) && SectionHeader(line, 'L', n)) {
    rows_.reserve(n);
    for (std::uint32_t i = 0; i < n && r.Next(line); ++i) {
      std::uint64_t rva = 0;
      Row row{};
      if (!ParseHex(line, rva) || !ParseDec(line, row.file) || !ParseDec(line, row.line)) continue;
      row.rva = rva;
      rows_.push_back(row);
    }
  }
  auto by_rva = [](const auto& a, const auto& b) { return a.rva < b.rva; };
  std::stable_sort(procs_.begin(), procs_.end(), by_rva);
  std::stable_sort(rows_.begin(), rows_.end(), by_rva);
  return true;
}

bool SymbolTable::Lookup(std::uint64_t rva, SourceLocation& out) const {
  out = SourceLocation{};
  auto p =
      std::upper_bound(procs_.begin(), procs_.end(), rva, [](std::uint64_t v, const Proc& e) { return v < e.rva; });
  if (p == procs_.begin()) return false;
  --p;
  out.procedure = p->name;
  auto row = std::upper_bound(rows_.begin(), rows_.end(), rva, [](std::uint64_t v, const Row& e) { return v < e.rva; });
  if (row != rows_.begin()) {
    --row;
    if (row->rva >= p->rva && row->line != 0 && row->file < files_.size()) {
      out.file = files_[row->file];
      out.line = static_cast<int>(row->line);
    }
  }
  return true;
}

}  // namespace plat
