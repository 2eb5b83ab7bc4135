// The folder list's rows: Up/Down moves and the store encoding of the rows.
#include <gtest/gtest.h>

#include <sstream>

#include "ui/folder_rows.h"

namespace {

using ui::TFolderRow;
using ui::TFolderRows;

// "F1,H1,c1" -> a top-level folder F1, a header H1, a child c1.
TFolderRows Rows(const std::wstring& text) {
  TFolderRows rows;
  std::wstringstream in(text);
  std::wstring item;
  while (std::getline(in, item, L',')) {
    TFolderRow r;
    r.title = item;
    if (item[0] == L'H')
      r.image = 5;
    else
      r.path = L"C:\\" + item;
    r.indent = item[0] == L'c' ? 1 : 0;
    rows.push_back(r);
  }
  return rows;
}

std::wstring Text(const TFolderRows& rows) {
  std::wstring out;
  for (const auto& r : rows) out += (out.empty() ? L"" : L",") + r.title;
  return out;
}

int IndexOf(const TFolderRows& rows, const std::wstring& title) {
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].title == title) return static_cast<int>(i);
  return -1;
}

TEST(UiFolderRows, UpAndDownMoveFoldersChildrenAndSubmenuBlocks) {
  struct Case {
    const wchar_t* rows;
    const wchar_t* row;
    bool up;
    const wchar_t* expected;
  };
  const Case cases[] = {
      // A folder jumps over the submenu above or below it.
      {L"F1,H1,c1,F2", L"F2", true, L"F1,F2,H1,c1"},
      {L"F1,H1,c1,F2", L"F1", false, L"H1,c1,F1,F2"},
      {L"F1,F2", L"F2", true, L"F2,F1"},
      {L"F1,F2", L"F1", false, L"F2,F1"},
      // A header moves with its children past the whole run of submenus.
      {L"F1,H1,c1,H2,c2,H3", L"H3", true, L"F1,H3,H1,c1,H2,c2"},
      {L"F1,H1,c1,F2", L"H1", true, L"H1,c1,F1,F2"},
      {L"H1,c1,H2,c2,F1", L"H1", false, L"H2,c2,H1,c1,F1"},
      {L"H1,c1,F1,F2", L"H1", false, L"F1,H1,c1,F2"},
      {L"H1,c1,H2", L"H1", false, L"H2,H1,c1"},
      // Children move only inside their submenu.
      {L"H1,c1,c2,F1", L"c2", true, L"H1,c2,c1,F1"},
      {L"H1,c1,c2,F1", L"c1", false, L"H1,c2,c1,F1"},
      // Nothing moves at the ends.
      {L"H1,c1,c2,F1", L"c1", true, L"H1,c1,c2,F1"},
      {L"H1,c1,c2,F1", L"c2", false, L"H1,c1,c2,F1"},
      {L"F1,H1,c1", L"F1", true, L"F1,H1,c1"},
      {L"F1,H1,c1", L"H1", false, L"F1,H1,c1"},
      {L"H1,c1", L"H1", true, L"H1,c1"},
  };
  for (const auto& c : cases) {
    TFolderRows rows = Rows(c.rows);
    int sel = IndexOf(rows, c.row);
    if (c.up)
      ui::MoveFolderUp(rows, sel);
    else
      ui::MoveFolderDown(rows, sel);
    EXPECT_EQ(Text(rows), c.expected) << c.rows << (c.up ? L" up " : L" down ") << c.row;
    // The moved row (the header, for a block) stays selected.
    EXPECT_EQ(sel, IndexOf(rows, c.row)) << c.rows << L" " << c.row;
    // Children keep their indent wherever their block goes.
    for (const auto& r : rows) EXPECT_EQ(r.indent, r.title[0] == L'c' ? 1 : 0);
  }
}

TEST(UiFolderRows, RowsComeFromTheStoreAndGoBackNumberedByRow) {
  const std::vector<std::wstring> names{L"Submenu1", L"C:\\Projects$2", L"D:\\Data"};
  const std::vector<std::wstring> values{L"Work$5", L"Projects$0", L"Data$3"};
  TFolderRows rows = ui::RowsFromStore(names, values);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (TFolderRow{L"Work", L"", 5, 0}));
  EXPECT_EQ(rows[1], (TFolderRow{L"Projects", L"C:\\Projects", 0, 1}));
  EXPECT_EQ(rows[2], (TFolderRow{L"Data", L"D:\\Data", 3, 0}));

  // After a move the header is stored under its new row number; titles of
  // folders and children are trimmed, a header's title is kept as typed.
  int sel = 2;
  ui::MoveFolderUp(rows, sel);
  rows[1].title = L"Work  ";
  rows[0].title = L"  Data ";
  rows[2].path = L" C:\\Projects\t";
  rows[2].title = L"Projects ";
  std::vector<std::wstring> out_names, out_values;
  ui::RowsToStore(rows, out_names, out_values);
  EXPECT_EQ(out_names, (std::vector<std::wstring>{L"D:\\Data", L"Submenu1", L"C:\\Projects$2"}));
  EXPECT_EQ(out_values, (std::vector<std::wstring>{L"Data$3", L"Work  $5", L"Projects$0"}));
  rows = ui::RowsFromStore({L"A", L"Submenu7"}, {L"A$1", L"H$5"});
  int h = 1;
  ui::MoveFolderUp(rows, h);
  ui::RowsToStore(rows, out_names, out_values);
  EXPECT_EQ(out_names[0], L"Submenu0");
}

}  // namespace
