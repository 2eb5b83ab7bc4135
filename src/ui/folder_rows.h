// The rows of the options dialog's folder list as a value: the favourites tree
// flattened in store order. A row with an empty path is a submenu header; the
// rows with indent 1 directly after it are its children. The moves of the
// Up/Down buttons and the item editor's level changes work on these rows.
#pragma once
#include <string>
#include <vector>

#include "platform/forms.h"

namespace ui {

struct TFolderRow {
  std::wstring title;
  std::wstring path;  // empty for a submenu header
  int image = 0;
  int indent = 0;  // 1 for a submenu child
  bool IsHeader() const { return path.empty() && indent == 0; }
  bool IsTopFolder() const { return !path.empty() && indent == 0; }
  bool IsChild() const { return indent > 0; }
  bool operator==(const TFolderRow&) const = default;
};
using TFolderRows = std::vector<TFolderRow>;

// List view rows: caption = title, first sub-item = path.
plat::ListRow ToListRow(const TFolderRow& row);
TFolderRow FromListRow(const plat::ListRow& row);

// The rows of the store's Path key entries (value names and data).
TFolderRows RowsFromStore(const std::vector<std::wstring>& names, const std::vector<std::wstring>& values);
// The value names and data that store the rows in their order: headers as
// "Submenu" + row number, children as the trimmed path + "$2", folders as the
// trimmed path; data: the title (trimmed except for headers), "$", the icon.
void RowsToStore(const TFolderRows& rows, std::vector<std::wstring>& names, std::vector<std::wstring>& values);

// One past the last child of the header at `header` (the end of its block).
int BlockEnd(const TFolderRows& rows, int header);
// The header a child belongs to: the nearest row above with an empty path;
// -1 when none.
int HeaderOf(const TFolderRows& rows, int child);
// The first header with this title (exact), -1 when none.
int FindHeader(const TFolderRows& rows, const std::wstring& title);

// Moves the row (with its block, for a header) one step up or down by the
// rules of the Up and Down buttons; `selected` follows the moved row. False
// when nothing moved.
bool MoveFolderUp(TFolderRows& rows, int& selected);
bool MoveFolderDown(TFolderRows& rows, int& selected);

// Moves the row at `from` so that it stands before the row now at `to`
// (to = size appends): a copy is inserted there and the old one deleted.
// Returns the row's new index.
int MoveRow(TFolderRows& rows, int from, int to);

}  // namespace ui
