// The sim's global atom table: names compare without regard to case.
#include <cwctype>
#include <map>
#include <mutex>

#include "platform/atoms.h"
#include "sim/sim_atoms.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
struct Atom {
  std::wstring name;
  int refs = 0;
};
struct AtomState {
  std::mutex lock;
  std::map<std::uint16_t, Atom> atoms;
  std::uint16_t next = 0xC000;
};
AtomState& S() {
  static AtomState s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(S().lock);
  S().atoms.clear();
  S().next = 0xC000;
});
bool SameText(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  }
  return true;
}
}  // namespace

std::size_t AtomCount() {
  std::lock_guard<std::mutex> g(S().lock);
  return S().atoms.size();
}

int AtomReferences(std::uint16_t atom) {
  std::lock_guard<std::mutex> g(S().lock);
  auto it = S().atoms.find(atom);
  return it == S().atoms.end() ? 0 : it->second.refs;
}

}  // namespace sim

namespace plat {

std::uint16_t GlobalAddAtomW(const std::wstring& text) {
  using sim::S;
  if (text.empty() || text.size() > 255) return 0;
  std::lock_guard<std::mutex> g(S().lock);
  for (auto& [atom, a] : S().atoms) {
    if (sim::SameText(a.name, text)) {
      ++a.refs;
      return atom;
    }
  }
  if (S().next == 0) return 0;  // table full
  std::uint16_t atom = S().next++;
  S().atoms[atom] = sim::Atom{text, 1};
  return atom;
}

bool GlobalGetAtomNameW(std::uint16_t atom, std::wstring& name, std::size_t buffer_chars) {
  using sim::S;
  std::lock_guard<std::mutex> g(S().lock);
  auto it = S().atoms.find(atom);
  if (it == S().atoms.end() || buffer_chars == 0) return false;
  name = it->second.name.substr(0, buffer_chars - 1);
  return true;
}

void GlobalDeleteAtom(std::uint16_t atom) {
  using sim::S;
  std::lock_guard<std::mutex> g(S().lock);
  auto it = S().atoms.find(atom);
  if (it != S().atoms.end() && --it->second.refs <= 0) S().atoms.erase(it);
}

}  // namespace plat
