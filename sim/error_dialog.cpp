#include <deque>
#include <mutex>

#include "platform/error_dialog.h"
#include "sim/sim_error_dialog.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
struct Click {
  plat::ErrorDialogButton button;
  bool checked;
};
struct DialogState {
  std::recursive_mutex lock;
  std::vector<ErrorDialogShown> shown;
  std::deque<Click> clicks;
  bool showing = false;
  bool checked = false;
};
DialogState& S() {
  static DialogState s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().shown.clear();
  S().clicks.clear();
  S().showing = false;
  S().checked = false;
});
}  // namespace

std::vector<ErrorDialogShown> ErrorDialogs() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().shown;
}

void ScriptErrorDialogClick(plat::ErrorDialogButton button, bool checked) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().clicks.push_back(Click{button, checked});
}

}  // namespace sim

namespace plat {

bool ShowErrorDialogModal(const ErrorDialogTexts& texts, bool checked, const ErrorDialogClick& on_click) {
  using sim::S;
  size_t index;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    S().shown.push_back(sim::ErrorDialogShown{texts, checked, false, false});
    index = S().shown.size() - 1;
    S().showing = true;
    S().checked = checked;
  }
  struct Hide {
    ~Hide() {
      std::lock_guard<std::recursive_mutex> g(S().lock);
      S().showing = false;
    }
  } hide;
  for (;;) {
    sim::Click click;
    {
      std::lock_guard<std::recursive_mutex> g(S().lock);
      if (S().clicks.empty()) return true;
      click = S().clicks.front();
      S().clicks.pop_front();
      S().checked = click.checked;
    }
    if (on_click && on_click(click.button)) {
      std::lock_guard<std::recursive_mutex> g(S().lock);
      if (index < S().shown.size()) S().shown[index].closed_by_click = true;
      return true;
    }
  }
}

bool ErrorDialogChecked() {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  return sim::S().checked;
}

void ShowErrorDialogWait(bool visible) {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  if (visible && !sim::S().shown.empty()) sim::S().shown.back().wait_shown = true;
}

bool ErrorDialogShowing() {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  return sim::S().showing;
}

}  // namespace plat
