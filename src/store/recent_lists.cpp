#include "store/recent_lists.h"

#include <algorithm>

#include "infra/text.h"

namespace store {

TRecentList RecentFiles;
TRecentList RecentFolders;

std::uint32_t RecentKeyTimeStamp(const std::wstring& key) {
  const std::size_t at = key.find(L'@');
  const std::size_t end = at == std::wstring::npos ? key.size() : at;
  std::size_t i = 0;
  bool negative = false;
  if (i < end && (key[i] == L'-' || key[i] == L'+')) negative = key[i++] == L'-';
  std::uint64_t value = 0;
  for (; i < end && key[i] >= L'0' && key[i] <= L'9'; ++i) value = (value * 10 + (key[i] - L'0')) & 0xFFFFFFFFull;
  // A stamp written as a signed number ("-2147483648") stands for the same bits.
  return static_cast<std::uint32_t>(negative ? (0x100000000ull - value) & 0xFFFFFFFFull : value);
}

bool RecentKeyLess(const std::wstring& a, const std::wstring& b) {
  const std::uint32_t ta = RecentKeyTimeStamp(a), tb = RecentKeyTimeStamp(b);
  if (ta != tb) return ta < tb;
  const std::size_t aa = a.find(L'@'), ba = b.find(L'@');
  const std::wstring_view va(a), vb(b);
  return infra::CompareText(va.substr(aa == std::wstring::npos ? a.size() : aa),
                            vb.substr(ba == std::wstring::npos ? b.size() : ba)) < 0;
}

int TRecentList::Add(std::wstring key, TStr object) {
  auto it = std::upper_bound(entries_.begin(), entries_.end(), key,
                             [](const std::wstring& k, const Entry& e) { return RecentKeyLess(k, e.key); });
  it = entries_.insert(it, Entry{std::move(key), std::move(object)});
  return static_cast<int>(it - entries_.begin());
}

void TRecentList::Delete(int i) {
  if (i < 0 || i >= Count()) return;
  entries_.erase(entries_.begin() + i);
}

int TRecentList::IndexOf(const std::wstring& key) const {
  for (int i = 0; i < Count(); ++i) {
    if (infra::SameText(entries_[static_cast<std::size_t>(i)].key, key)) return i;
  }
  return -1;
}

void TRecentList::Sort() {
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const Entry& a, const Entry& b) { return RecentKeyLess(a.key, b.key); });
}

std::uint32_t DosDateTime(const plat::LocalTime& t) {
  if (t.year < 1980 || t.year > 2107) return 0;
  const std::uint32_t date = (static_cast<std::uint32_t>(t.year - 1980) << 9) |
                             (static_cast<std::uint32_t>(t.month) << 5) | static_cast<std::uint32_t>(t.day);
  const std::uint32_t time = (static_cast<std::uint32_t>(t.hour) << 11) | (static_cast<std::uint32_t>(t.minute) << 5) |
                             static_cast<std::uint32_t>(t.second / 2);
  return (date << 16) | time;
}

std::wstring TouchedRecentKey(const std::wstring& old_key, std::uint32_t time_stamp) {
  // The time stamp never holds an "@", the path may: the key's path starts
  // after its first one.
  const std::size_t at = old_key.find(L'@');
  return std::to_wstring(time_stamp) + (at == std::wstring::npos ? std::wstring() : old_key.substr(at));
}

}  // namespace store
