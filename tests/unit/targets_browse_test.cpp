// The agent's folder chooser: selection and edit box kept in step.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/shell_browse.h"
#include "sim/sim_files.h"
#include "sim/sim_shell_browse.h"
#include "sim/sim_world.h"
#include "targets/browse_folder.h"

namespace {

class TargetsBrowse : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetWorld();
    sim::MapTempDrive(L'C');
    ASSERT_TRUE(plat::CreateDirectories(L"C:\\Projects\\Docs"));
  }
  void TearDown() override { sim::ResetWorld(); }
};

}  // namespace

TEST_F(TargetsBrowse, SelectionAndEditBoxInStep) {
  struct Case {
    const char* name;
    std::wstring initial;
    std::vector<std::wstring> selections;
    bool ok;
    std::wstring result;
    std::vector<std::wstring> edit_texts;  // after opening, then after each selection
  };
  const std::wstring p = L"C:\\Projects", d = L"C:\\Projects\\Docs";
  const Case cases[] = {
      {"initial folder taken with OK", p, {}, true, p, {p}},
      {"another folder chosen", p, {d}, true, d, {p, d}},
      {"virtual item empties the box and OK is refused", p, {sim::kVirtualItem}, true, L"", {p, L""}},
      {"back from a virtual item", p, {sim::kVirtualItem, d}, true, d, {p, L"", d}},
      {"cancel", p, {d}, false, L"", {p, d}},
      {"no initial path", L"", {}, true, L"", {L""}},
      {"missing initial folder is not selected", L"C:\\Gone", {}, true, L"", {L"C:\\Gone"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SetBrowseScript({c.selections, c.ok});
    std::wstring result;
    targets::BrowseForFolder(0x1234, c.initial, result);
    sim::BrowseRecord r = sim::LastBrowse();
    EXPECT_TRUE(r.shown);
    EXPECT_EQ(r.owner, 0x1234u);
    EXPECT_EQ(r.flags, 0x51u);
    EXPECT_EQ(r.edit_texts, c.edit_texts);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(sim::LiveItemIds(), 0) << "an item identifier was not freed";
  }
}

TEST_F(TargetsBrowse, CancelKeepsTheCallersTextAndNoAllocatorShowsNothing) {
  std::wstring result = L"C:\\Before";
  sim::SetBrowseScript({{L"C:\\Projects"}, false});
  targets::BrowseForFolder(0, L"", result);
  EXPECT_EQ(result, L"C:\\Before");

  sim::ResetWorld();
  sim::SetShellAllocatorAvailable(false);
  sim::SetBrowseScript({{}, true});
  result.clear();
  targets::BrowseForFolder(0, L"C:\\Projects", result);
  EXPECT_FALSE(sim::LastBrowse().shown);
  EXPECT_EQ(result, L"");
}
