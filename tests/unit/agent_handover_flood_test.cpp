// Many folders handed over in a row, as a script starting one second instance
// per folder does: every valid one becomes a favourite, in the order handed
// over, each once; the bad ones in between change nothing and every atom is
// released.
#include <cwctype>

#include "agent_test_support.h"
#include "platform/atoms.h"
#include "sim/sim_atoms.h"

using namespace agent_test;

namespace {

class AgentHandOverFlood : public AgentFixture {
 protected:
  void SetUp() override {
    AgentFixture::SetUp();
    sim::RegCreateKey(HKCU, kSettings);
  }
};

TEST_F(AgentHandOverFlood, AThousandHandOversArriveAllInOrderOnce) {
  auto& f = Start();
  std::vector<std::wstring> expected;
  // Named so that no order of their own (sorted, reversed) hides a reordering.
  auto folder = [](int i) { return L"C:\\In\\F" + std::to_wstring((i * 7919) % 1000) + L" x" + std::to_wstring(i); };
  for (int i = 0; i < 1000; ++i) plat::CreateDirectories(folder(i));
  const plat::ThreadId ui = plat::CurrentThreadId();
  for (int i = 0; i < 1000; ++i) {
    plat::PostThreadMessageW(ui, f.WM_QXADDFOLDER, plat::GlobalAddAtomW(folder(i)), 0);
    expected.push_back(folder(i));
    // Between them: a folder that does not exist, and one handed over before
    // in other letter case.
    if (i % 10 == 3)
      plat::PostThreadMessageW(ui, f.WM_QXADDFOLDER, plat::GlobalAddAtomW(L"C:\\Gone\\" + std::to_wstring(i)), 0);
    if (i % 10 == 7) {
      std::wstring again = folder(i - 5);
      for (auto& c : again) c = static_cast<wchar_t>(std::towlower(c));
      plat::PostThreadMessageW(ui, f.WM_QXADDFOLDER, plat::GlobalAddAtomW(again), 0);
    }
  }
  Pump(5000);
  EXPECT_FALSE(f.Terminated());
  EXPECT_EQ(sim::RegValueNames(HKCU, kPath), expected);
  EXPECT_EQ(f.FavouriteNames, expected);
  EXPECT_EQ(sim::AtomCount(), 0u);
}

}  // namespace

namespace {

// What a hostile program or a careless script hands over: none of it is a
// folder the store can keep, so nothing is added, every atom is released and
// the agent goes on.
TEST_F(AgentHandOverFlood, HostileTextsAddNothing) {
  auto& f = Start();
  plat::CreateDirectories(L"C:\\Work");
  plat::WriteWholeFile(L"C:\\Work\\notes.txt", "x");
  const std::wstring texts[] = {
      L"CON",
      L"NUL",
      L"\\\\.\\CON",
      L"\\\\.\\NUL",
      L"\\\\?\\C:\\Missing\\Folder",
      L"\\\\.\\C:\\Missing",
      L"Work",
      L"..\\Work",
      L"C:\\Work\\notes.txt",
      L"\"C:\\Work\"",
      L"C:\\\u03A9\u03BC\u03AD\u03B3\u03B1\\\u65E5\u672C",
      L"C:\\" + std::wstring(5000, L'x'),
      L"/update",
  };
  for (const auto& t : texts)
    plat::PostThreadMessageW(plat::CurrentThreadId(), f.WM_QXADDFOLDER, plat::GlobalAddAtomW(t), 0);
  Pump(1000);
  EXPECT_FALSE(f.Terminated());
  EXPECT_TRUE(sim::RegValueNames(HKCU, kPath).empty());
  EXPECT_TRUE(f.FavouriteNames.empty());
  EXPECT_EQ(sim::AtomCount(), 0u);
}

}  // namespace
