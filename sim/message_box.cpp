#include <deque>
#include <mutex>

#include "platform/message_box.h"
#include "sim/sim_message_box.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
struct BoxState {
  std::mutex lock;
  std::vector<MessageBoxShown> shown;
  std::deque<int> answers;
};
BoxState& S() {
  static BoxState s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::mutex> g(S().lock);
  S().shown.clear();
  S().answers.clear();
});
}  // namespace

std::vector<MessageBoxShown> MessageBoxes() {
  std::lock_guard<std::mutex> g(S().lock);
  return S().shown;
}

void ScriptMessageBoxAnswer(int button) {
  std::lock_guard<std::mutex> g(S().lock);
  S().answers.push_back(button);
}

}  // namespace sim

namespace plat {

int MessageBoxW(Window, const std::wstring& text, const std::wstring& caption, std::uint32_t type) {
  using sim::S;
  std::lock_guard<std::mutex> g(S().lock);
  S().shown.push_back(sim::MessageBoxShown{text, caption, type});
  if (!S().answers.empty()) {
    int a = S().answers.front();
    S().answers.pop_front();
    return a;
  }
  return (type & 0xF) == MB_YESNO ? IDNO : IDOK;
}

}  // namespace plat
