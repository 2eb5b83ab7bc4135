// hostile: a hostile neighbour of the agent in e2e runs.
//
//   hostile.exe flood SECONDS SEED EXPECTED
//       For SECONDS: posts every message the agent accepts from other processes
//       (to its thread and to its window: "WM_QXADDFOLDER by Vorlune Folder"
//       and the other registered ones, 0x047B-0x047D, "TaskbarCreated") with
//       random parameters, adds and deletes random global atoms, writes random
//       bytes into the shared block's slots, and starts 100 second instances
//       of C:\qorbin\qorbin.exe with hostile arguments, spread over the time.
//       The folders that a second instance hands over validly (existing
//       folders given as full paths, one of them non-Latin) are made first and
//       written to EXPECTED (UTF-8, one a line). Exit 0 when done.
//   hostile.exe check EXPECTED
//       Exit 0 when the agent's Path key holds exactly the folders in EXPECTED
//       (case ignored, any order); prints the differences otherwise.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kBlockName[] = L"{A5E80AC0-4E7B-11D6-AE77-444553546264}";
constexpr DWORD kBlockSize = 2888;
constexpr DWORD kSlotsOffset = 60;
constexpr int kSlots = 101;
constexpr int kSlotSize = 28;
constexpr wchar_t kPathKey[] = L"Software\\Quantrel\\Vorlune Folder\\Path";

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::wstring Wide(const std::string& s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::wstring Upper(std::wstring s) {
  CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

std::vector<std::wstring> ReadLines(const wchar_t* file) {
  std::vector<std::wstring> out;
  FILE* f = _wfopen(file, L"rb");
  if (!f) return out;
  std::string line;
  for (int c; (c = std::fgetc(f)) != EOF;) {
    if (c == '\n') {
      if (!line.empty()) out.push_back(Wide(line));
      line.clear();
    } else if (c != '\r') {
      line.push_back(static_cast<char>(c));
    }
  }
  if (!line.empty()) out.push_back(Wide(line));
  std::fclose(f);
  return out;
}

// The second instances' arguments: the valid hand-overs (existing folders as
// full paths) and everything hostile around them.
struct Launches {
  std::vector<std::wstring> command_lines;
  std::vector<std::wstring> valid;
};

Launches MakeLaunches(std::mt19937& rng) {
  Launches l;
  const std::wstring base = L"C:\\hostile";
  CreateDirectoryW(base.c_str(), nullptr);
  std::vector<std::wstring> good;
  for (int i = 0; i < 8; ++i) good.push_back(base + L"\\ok" + std::to_wstring(i));
  good.push_back(base + L"\\\u03A9\u03BC\u03AD\u03B3\u03B1 \u65E5\u672C");  // non-Latin
  good.push_back(base + L"\\with space");
  for (const auto& g : good) CreateDirectoryW(g.c_str(), nullptr);
  const std::wstring file = base + L"\\file.txt";
  HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);

  const std::wstring hostile[] = {
      L"C:\\" + std::wstring(3000, L'x'),
      base + L"\\" + std::wstring(300, L'\u0416'),
      base + L"\\\u05E9\u05DC\u05D5\u05DD\\missing",
      L"\"" + base + L"\\ok0\"\"\"",
      L"\"\"\"",
      L"'" + base + L"\\ok1'",
      L"ok2",
      L"..\\hostile\\ok3",
      L".",
      base + L"\\nonexistent",
      L"\\\\?\\" + base + L"\\missing",
      L"\\\\.\\CON",
      L"CON",
      L"NUL",
      L"C:\\hostile\\NUL",
      L"/update",
      L"\" /update\"",
      L"/restart",
      file,
      L"C:\\hostile\\ok4\\..\\..\\hostile\\missing",
      L"%TEMP%",
      L"C:\\hostile\\ok5\\*",
      L"\"C:\\hostile\\ok6\" extra words",
  };
  // Every valid folder is handed over (some twice, once in other letter case);
  // the rest of the hundred are hostile.
  for (const auto& g : good) {
    l.command_lines.push_back(L"\"" + g + L"\"");
    l.valid.push_back(g);
  }
  l.command_lines.push_back(L"\"" + Upper(good[0]) + L"\"");
  l.command_lines.push_back(L"\"" + good[1] + L"\"");
  std::size_t i = 0;
  while (l.command_lines.size() < 100) {
    const std::wstring& a = hostile[i++ % (sizeof(hostile) / sizeof(hostile[0]))];
    // Most hostile arguments are quoted as a whole; some go in raw.
    l.command_lines.push_back(rng() % 3 ? L"\"" + a + L"\"" : a);
  }
  std::shuffle(l.command_lines.begin(), l.command_lines.end(), rng);
  return l;
}

int Flood(int seconds, unsigned seed, const wchar_t* expected_file) {
  std::mt19937 rng(seed);
  HWND agent = FindWindowW(L"TVorlFolder", L"Vorlune Folder 1.X");
  if (!agent) {
    std::puts("no agent");
    return 1;
  }
  const DWORD thread = GetWindowThreadProcessId(agent, nullptr);
  std::vector<UINT> messages = {0x047B, 0x047C, 0x047D, RegisterWindowMessageW(L"TaskbarCreated")};
  const UINT add_folder = RegisterWindowMessageW(L"WM_QXADDFOLDER by Vorlune Folder");
  const wchar_t* hook_names[] = {L"WM_NEWFORM",     L"WM_QXREXPLORER", L"WM_WHEELMOUSE", L"WM_QXHELP",
                                 L"WM_QXRBUTTON",   L"WM_QXMBUTTON",   L"WM_QXKEYDOWN",  L"WM_QXMDESKTOP",
                                 L"WM_QXMEXPLORER", L"WM_QXMDIALOG",   L"WM_QXNEWM",     L"WM_QXMBROWSE"};
  std::vector<UINT> hook_messages;
  for (const wchar_t* n : hook_names)
    hook_messages.push_back(RegisterWindowMessageW((std::wstring(n) + L" by Vorlune Folder").c_str()));
  for (UINT m : hook_messages) messages.push_back(m);
  messages.push_back(add_folder);

  const Launches launches = MakeLaunches(rng);
  if (FILE* f = _wfopen(expected_file, L"wb")) {
    for (const auto& v : launches.valid) std::fprintf(f, "%s\n", Utf8(v).c_str());
    std::fclose(f);
  }

  HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, kBlockName);
  auto* block =
      mapping ? static_cast<std::uint8_t*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, kBlockSize)) : nullptr;

  // Texts for atoms: nothing in them is a folder the store keeps.
  const std::wstring atom_texts[] = {L"CON",
                                     L"NUL",
                                     L"\\\\.\\CON",
                                     L"/update",
                                     L"relative\\path",
                                     L"C:\\hostile\\missing",
                                     L"\\\\?\\C:\\hostile\\gone",
                                     L"C:\\hostile\\file.txt",
                                     L"\u00C4\u00D6\u00DC\u00DF",
                                     std::wstring(200, L'z')};
  std::vector<ATOM> my_atoms;
  std::vector<HWND> windows;  // some real windows for the records to name
  EnumWindows(
      [](HWND w, LPARAM lp) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));

  const DWORD start = GetTickCount();
  const DWORD total = static_cast<DWORD>(seconds) * 1000;
  // The second instances, spread over the time on a thread of their own: a
  // start takes Wine a few hundred milliseconds, which must not thin the flood.
  struct Launcher {
    const std::vector<std::wstring>* command_lines;
    DWORD start, total;
    std::size_t launched = 0;
    std::vector<HANDLE> instances;
  } launcher{&launches.command_lines, start, total};
  HANDLE launcher_thread = CreateThread(
      nullptr, 0,
      [](LPVOID p) -> DWORD {
        auto* l = static_cast<Launcher*>(p);
        const std::size_t count = l->command_lines->size();
        while (l->launched < count) {
          const DWORD elapsed = GetTickCount() - l->start;
          const std::size_t due = std::min<std::size_t>(count, elapsed * count / l->total + 1);
          while (l->launched < due) {
            std::wstring cmd = L"\"C:\\qorbin\\qorbin.exe\" " + (*l->command_lines)[l->launched++];
            STARTUPINFOW si{};
            si.cb = sizeof(si);
            PROCESS_INFORMATION pi{};
            if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi)) {
              CloseHandle(pi.hThread);
              l->instances.push_back(pi.hProcess);
            }
          }
          Sleep(10);
        }
        return 0;
      },
      &launcher, 0, nullptr);
  long posts = 0, writes = 0, atoms = 0, rounds = 0;
  while (GetTickCount() - start < total) {
    ++rounds;
    for (int burst = 0; burst < 20; ++burst) {
      const UINT msg = messages[rng() % messages.size()];
      WPARAM wp = rng();
      LPARAM lp = static_cast<LPARAM>(rng());
      if (msg == add_folder) {
        switch (rng() % 3) {
          case 0:
            wp = 0xC000 + rng() % 0x4000;
            break;  // any atom, maybe someone else's
          case 1: {
            const ATOM a = GlobalAddAtomW(atom_texts[rng() % (sizeof(atom_texts) / sizeof(atom_texts[0]))].c_str());
            wp = a;
            break;
          }
          default:
            wp = (static_cast<WPARAM>(rng()) << 16) | rng();
            break;  // no atom at all
        }
      }
      if (msg == 0x047B || msg == 0x047C || msg == 0x047D) {
        // Menus and the dialog: now and then, as a flood of them would only
        // queue behind the first.
        if (rng() % 8) continue;
      }
      if (rng() % 2)
        PostThreadMessageW(thread, msg, wp, lp);
      else
        PostMessageW(agent, msg, wp, lp);
      ++posts;
    }
    for (int a = 0; a < 5; ++a) {
      if (!my_atoms.empty() && rng() % 2) {
        GlobalDeleteAtom(my_atoms.back());
        my_atoms.pop_back();
      } else {
        std::wstring t;
        for (int c = 0, n = 1 + static_cast<int>(rng() % 60); c < n; ++c)
          t.push_back(static_cast<wchar_t>(0x20 + rng() % 0x3000));
        if (ATOM at = GlobalAddAtomW(t.c_str())) my_atoms.push_back(at);
      }
      ++atoms;
    }
    if (block) {
      for (int w = 0; w < 3; ++w) {
        std::uint8_t* slot = block + kSlotsOffset + (rng() % kSlots) * kSlotSize;
        std::uint32_t fields[7];
        for (auto& v : fields) v = rng();
        switch (rng() % 3) {
          case 0:
            fields[1] = hook_messages[rng() % hook_messages.size()];
            break;  // a record of a known kind
          case 1:
            fields[1] = 0x400;
            break;  // "being written" forever
          default:
            break;  // anything
        }
        // Often a real window under a random (or wrong) kind.
        if (!windows.empty() && rng() % 2)
          fields[2] = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(windows[rng() % windows.size()]));
        if (rng() % 2) fields[3] = rng() % 12;
        std::memcpy(slot, fields, sizeof(fields));
        ++writes;
      }
    }
    Sleep(20);
  }
  for (ATOM a : my_atoms) GlobalDeleteAtom(a);
  // Every second instance is started (the last ones may come after the flood
  // when Wine is slow to start them); they end by themselves (a "/restart"
  // one waits 8 s).
  WaitForSingleObject(launcher_thread, 120000);
  CloseHandle(launcher_thread);
  int still_running = 0;
  const DWORD wait_end = GetTickCount() + 60000;
  for (HANDLE h : launcher.instances) {
    const DWORD now = GetTickCount();
    if (WaitForSingleObject(h, now < wait_end ? wait_end - now : 0) != WAIT_OBJECT_0) ++still_running;
    CloseHandle(h);
  }
  const std::size_t launched = launcher.launched;
  if (block) UnmapViewOfFile(block);
  if (mapping) CloseHandle(mapping);
  std::printf("rounds=%ld posts=%ld slot_writes=%ld atom_ops=%ld launched=%zu still_running=%d\n", rounds, posts,
              writes, atoms, launched, still_running);
  return 0;
}

int Check(const wchar_t* expected_file) {
  std::set<std::wstring> want;
  for (const auto& l : ReadLines(expected_file)) want.insert(Upper(l));
  std::set<std::wstring> have;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kPathKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    for (DWORD i = 0;; ++i) {
      wchar_t name[16384];
      DWORD n = 16384;
      if (RegEnumValueW(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      have.insert(Upper(std::wstring(name, n)));
    }
    RegCloseKey(key);
  }
  int differences = 0;
  for (const auto& w : want)
    if (!have.count(w)) {
      std::printf("missing: %s\n", Utf8(w).c_str());
      ++differences;
    }
  for (const auto& h : have)
    if (!want.count(h)) {
      std::printf("unexpected: %s\n", Utf8(h).c_str());
      ++differences;
    }
  std::printf("favourites=%zu expected=%zu differences=%d\n", have.size(), want.size(), differences);
  return differences == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 5 && std::wstring(argv[1]) == L"flood")
    return Flood(_wtoi(argv[2]), static_cast<unsigned>(_wtoi(argv[3])), argv[4]);
  if (argc >= 3 && std::wstring(argv[1]) == L"check") return Check(argv[2]);
  return 2;
}
