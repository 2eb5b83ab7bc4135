#include "ui/folder_rows.h"

#include <algorithm>

#include "infra/dral_utils.h"
#include "store/favourites.h"

namespace ui {

plat::ListRow ToListRow(const TFolderRow& row) { return plat::ListRow{row.title, {row.path}, row.image, row.indent}; }

TFolderRow FromListRow(const plat::ListRow& row) {
  return TFolderRow{row.caption, row.subitems.empty() ? L"" : row.subitems[0], row.image, row.indent};
}

TFolderRows RowsFromStore(const std::vector<std::wstring>& names, const std::vector<std::wstring>& values) {
  TFolderRows rows;
  for (std::size_t i = 0; i < names.size() && i < values.size(); ++i) {
    const store::TEncoded data = store::SplitEncoded(values[i]);
    TFolderRow row;
    row.title = data.text;
    row.image = data.number;
    if (!store::IsSubmenuHeader(names[i])) {
      const store::TEncoded name = store::SplitEncoded(names[i]);
      row.path = name.text;
      row.indent = name.number == 2 ? 1 : 0;
    }
    rows.push_back(row);
  }
  return rows;
}

void RowsToStore(const TFolderRows& rows, std::vector<std::wstring>& names, std::vector<std::wstring>& values) {
  names.clear();
  values.clear();
  for (std::size_t n = 0; n < rows.size(); ++n) {
    const TFolderRow& r = rows[n];
    const std::wstring icon = L"$" + std::to_wstring(r.image);
    if (r.path.empty()) {
      names.push_back(std::wstring(store::kSubmenuPrefix) + std::to_wstring(n));
      values.push_back(r.title + icon);
    } else {
      names.push_back(infra::TrimControls(r.path) + (r.indent == 1 ? store::kChildMarker : L""));
      values.push_back(infra::TrimControls(r.title) + icon);
    }
  }
}

int BlockEnd(const TFolderRows& rows, int header) {
  int e = header + 1;
  while (e < static_cast<int>(rows.size()) && rows[e].IsChild()) ++e;
  return e;
}

int HeaderOf(const TFolderRows& rows, int child) {
  for (int i = child - 1; i >= 0; --i)
    if (rows[i].path.empty()) return i;
  return -1;
}

int FindHeader(const TFolderRows& rows, const std::wstring& title) {
  for (int i = 0; i < static_cast<int>(rows.size()); ++i)
    if (rows[i].path.empty() && rows[i].title == title) return i;
  return -1;
}

int MoveRow(TFolderRows& rows, int from, int to) {
  const TFolderRow copy = rows[from];
  rows.insert(rows.begin() + to, copy);
  if (from >= to) ++from;
  rows.erase(rows.begin() + from);
  return to > from ? to - 1 : to;
}

namespace {

// Moves rows [first, last) so that they stand before the row now at `to`
// (outside the range). Returns the new index of the first of them.
int MoveBlock(TFolderRows& rows, int first, int last, int to) {
  TFolderRows block(rows.begin() + first, rows.begin() + last);
  rows.erase(rows.begin() + first, rows.begin() + last);
  if (to > first) to -= last - first;
  rows.insert(rows.begin() + to, block.begin(), block.end());
  return to;
}

}  // namespace

bool MoveFolderUp(TFolderRows& rows, int& selected) {
  const int s = selected;
  if (s <= 0 || s >= static_cast<int>(rows.size())) return false;
  const TFolderRow& row = rows[s];
  if (row.IsChild()) {
    // A child moves only among the children of its submenu.
    if (!rows[s - 1].IsChild()) return false;
    std::swap(rows[s], rows[s - 1]);
    selected = s - 1;
    return true;
  }
  if (!row.path.empty()) {
    // A top-level folder jumps over the whole submenu directly above it.
    int to = s - 1;
    if (rows[to].IsChild()) {
      while (to > 0 && rows[to].IsChild()) --to;
    }
    selected = MoveRow(rows, s, to);
    return true;
  }
  // A header moves with its block: above a folder directly above it, or past
  // the whole run of submenus above it.
  const int end = BlockEnd(rows, s);
  int to = s - 1;
  if (!rows[to].IsTopFolder()) {
    while (to >= 0 && !rows[to].IsTopFolder()) --to;
    ++to;
  }
  if (to == s) return false;
  selected = MoveBlock(rows, s, end, to);
  return true;
}

bool MoveFolderDown(TFolderRows& rows, int& selected) {
  const int n = static_cast<int>(rows.size());
  const int s = selected;
  if (s < 0 || s >= n - 1) return false;
  const TFolderRow& row = rows[s];
  if (row.IsChild()) {
    if (!rows[s + 1].IsChild()) return false;
    std::swap(rows[s], rows[s + 1]);
    selected = s + 1;
    return true;
  }
  if (!row.path.empty()) {
    // A top-level folder jumps over the one submenu directly below it.
    int to = s + 2;
    if (rows[s + 1].IsHeader()) to = BlockEnd(rows, s + 1);
    selected = MoveRow(rows, s, to);
    return true;
  }
  const int end = BlockEnd(rows, s);
  if (end >= n) return false;
  int to;
  if (rows[end].IsTopFolder() || end == n - 1) {
    to = end + 1;
  } else {
    to = end;
    while (to < n && !rows[to].IsTopFolder()) ++to;
  }
  selected = MoveBlock(rows, s, end, to);
  return true;
}

}  // namespace ui
