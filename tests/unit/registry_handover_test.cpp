// TDralRegistry's hand-over of %ProgramFiles% strings to the x64 extension
// window, on the sim registry, window tree and atom table.
#include <gtest/gtest.h>

#include "infra/registry.h"
#include "platform/app.h"
#include "platform/atoms.h"
#include "platform/clock.h"
#include "sim/sim_atoms.h"
#include "sim/sim_registry.h"
#include "sim/sim_window.h"
#include "sim/sim_world.h"
#include "platform/window.h"

using infra::TDralRegistry;
using plat::HKEY_CURRENT_USER;
using plat::HKEY_LOCAL_MACHINE;

namespace {

enum class Extension {
  None,     // no window of the class
  Writes,   // decodes the atoms and writes the value
  Ignores,  // answers, writes nothing
  Hung,     // never answers
};

struct Seen {
  int messages = 0;
  std::uint32_t msg = 0;
  std::wstring key_atom;
  std::wstring value_atom;
};

std::wstring AtomText(std::uint64_t atom) {
  std::wstring name;
  if (!plat::GlobalGetAtomNameW(static_cast<std::uint16_t>(atom), name)) return L"(none)";
  return name;
}

// Puts the extension window into the world. A writing extension decodes the
// two atoms the way the real one does and writes REG_EXPAND_SZ into the view
// the key atom names (64-bit: the stored path; 32-bit: below WOW6432Node).
plat::Window AddExtension(Extension kind, Seen* seen) {
  if (kind == Extension::None) return 0;
  sim::WindowSpec spec;
  spec.class_name = L"KTR x64 extension";
  spec.text = L"KTR x64 extension";
  plat::Window w = sim::CreateWindow(spec);
  if (kind == Extension::Hung) {
    sim::SetHung(w, true);
    return w;
  }
  sim::SetWindowProc(w, [kind, seen](plat::Window, sim::Msg& m) -> plat::LResult {
    if (m.msg < 0xC000) return 0;
    ++seen->messages;
    seen->msg = m.msg;
    seen->key_atom = AtomText(m.wparam);
    seen->value_atom = AtomText(static_cast<std::uint64_t>(m.lparam));
    if (kind != Extension::Writes) return 1;
    const std::wstring& k = seen->key_atom;
    const std::wstring& v = seen->value_atom;
    if (k.size() < 2) return 0;
    const std::wstring path = k.substr(0, k.size() - 2);
    const bool view64 = k[k.size() - 2] == 2;
    const int root_index = k.back();
    const plat::RegKey roots[] = {0, plat::HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, plat::HKEY_USERS};
    const std::size_t sep = v.find(wchar_t(1));
    std::wstring stored = path;
    if (!view64 && root_index == 3) stored.insert(stored.find(L'\\') + 1, L"WOW6432Node\\");
    sim::RegSetString(roots[root_index], stored, v.substr(0, sep), v.substr(sep + 1), plat::REG_EXPAND_SZ);
    return 1;
  });
  return w;
}

}  // namespace

TEST(RegistryHandOver, ProgramFilesTextsGoToTheExtensionWindowOnlyWhenItCanTakeThem) {
  const std::wstring kMachine = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::wstring kUser = L"Software\\Quantrel\\Vorlune Folder";
  struct Case {
    const char* what;
    bool wow64;
    Extension extension;
    plat::RegKey root;
    bool use64;
    const wchar_t* text;
    bool handed_over;  // the extension wrote it: no direct write
    int messages;      // messages the extension handled
    std::wstring key_atom;
  };
  const std::wstring k64 = kMachine + L"\x02\x03";
  const std::wstring k32 = kMachine + L"\x01\x03";
  const std::wstring kcu = kUser + L"\x01\x02";
  const Case cases[] = {
      {"machine 64-bit view", true, Extension::Writes, HKEY_LOCAL_MACHINE, true, L"\"%ProgramFiles%\\Q\\q.exe\"", true,
       1, k64},
      {"mixed case", true, Extension::Writes, HKEY_LOCAL_MACHINE, true, L"%pROGRAMfILES%\\Q", true, 1, k64},
      {"common files", true, Extension::Writes, HKEY_LOCAL_MACHINE, true, L"%CommonProgramFiles%\\Q", true, 1, k64},
      {"32-bit view", true, Extension::Writes, HKEY_LOCAL_MACHINE, false, L"%ProgramFiles%\\Q", true, 1, k32},
      {"user root", true, Extension::Writes, HKEY_CURRENT_USER, false, L"%ProgramFiles%\\Q", true, 1, kcu},
      {"extension ignores it", true, Extension::Ignores, HKEY_LOCAL_MACHINE, true, L"%ProgramFiles%\\Q", false, 1, k64},
      {"extension hung", true, Extension::Hung, HKEY_LOCAL_MACHINE, true, L"%ProgramFiles%\\Q", false, 0, L""},
      {"no extension", true, Extension::None, HKEY_LOCAL_MACHINE, true, L"%ProgramFiles%\\Q", false, 0, L""},
      {"not under WOW64", false, Extension::Writes, HKEY_LOCAL_MACHINE, true, L"%ProgramFiles%\\Q", false, 0, L""},
      {"other text", true, Extension::Writes, HKEY_LOCAL_MACHINE, true, L"%SystemRoot%\\Q", false, 0, L""},
      {"percent signs missing", true, Extension::Writes, HKEY_LOCAL_MACHINE, true, L"C:\\ProgramFiles\\Q", false, 0,
       L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::ResetWorld();
    sim::SetWow64(c.wow64);
    Seen seen;
    AddExtension(c.extension, &seen);
    const std::wstring path = c.root == HKEY_LOCAL_MACHINE ? kMachine : kUser;
    sim::RegCreateKey(c.root, path);
    sim::RegCreateKey(c.root, L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run");
    const std::uint32_t start = plat::TickCount();
    {
      TDralRegistry reg;
      reg.SetRootKey(c.root);
      ASSERT_TRUE(reg.OpenKey(path, false, c.use64));
      sim::RegClearJournal();
      reg.PutStringData(plat::REG_SZ, L"Vorlune Folder", c.text);
      EXPECT_EQ(reg.ReadString(L"Vorlune Folder"), c.text);
    }
    // A direct write is the only registry write the journal sees.
    const bool direct = !sim::RegJournal().empty();
    EXPECT_EQ(direct, !c.handed_over) << sim::RegDump(c.root, path);
    if (direct) EXPECT_EQ(sim::RegJournal(), (std::vector<std::wstring>{L"set Vorlune Folder"}));
    EXPECT_EQ(seen.messages, c.messages);
    if (c.messages) {
      EXPECT_EQ(seen.msg, plat::RegisterWindowMessageW(L"WM_REGWRITE2 by Vorlune StartUp Manager"));
      EXPECT_EQ(seen.key_atom, c.key_atom);
      EXPECT_EQ(seen.value_atom, std::wstring(L"Vorlune Folder\x01") + c.text);
    }
    // The send waits at most 200 ms on a window that does not answer.
    const std::uint32_t waited = plat::TickCount() - start;
    if (c.extension == Extension::Hung && c.wow64)
      EXPECT_EQ(waited, 200u);
    else
      EXPECT_EQ(waited, 0u);
    EXPECT_EQ(sim::RegOpenHandles(), 0);
  }
}

TEST(RegistryHandOver, KeysTheExtensionCannotNameAreWrittenDirectly) {
  sim::ResetWorld();
  sim::SetWow64(true);
  Seen seen;
  AddExtension(Extension::Writes, &seen);
  // A root the extension does not know, and a path longer than an atom holds.
  const std::wstring long_path = L"Software\\" + std::wstring(260, L'k');
  struct Case {
    plat::RegKey root;
    std::wstring path;
  };
  const Case cases[] = {{plat::HKEY_CURRENT_CONFIG, L"Software\\Q"}, {HKEY_CURRENT_USER, long_path}};
  for (const Case& c : cases) {
    sim::RegCreateKey(c.root, c.path);
    TDralRegistry reg;
    reg.SetRootKey(c.root);
    ASSERT_TRUE(reg.OpenKey(c.path, false, true));
    sim::RegClearJournal();
    reg.WriteString(L"Tool", L"%ProgramFiles%\\Q");
    EXPECT_EQ(sim::RegJournal(), (std::vector<std::wstring>{L"set Tool"}));
    EXPECT_EQ(sim::RegGetString(c.root, c.path, L"Tool"), L"%ProgramFiles%\\Q");
  }
  EXPECT_EQ(seen.messages, 0);
}
