#include "targets/locators.h"

#include "infra/dral_utils.h"
#include "platform/process.h"
#include "platform/window.h"
#include "targets/classify.h"
#include "targets/target_state.h"

namespace targets {
namespace {

constexpr std::uint32_t kSendTimeoutMs = 200;
// A click far right of the breadcrumb buttons (x = 20002, y = 0).
constexpr plat::LParam kFarRightClick = 0x4E22;

plat::Window Child(plat::Window parent, const wchar_t* cls) { return parent ? plat::FindWindowEx(parent, 0, cls) : 0; }

plat::ThreadId AgentThread() { return AgentUiThreadId ? AgentUiThreadId : plat::CurrentThreadId(); }

plat::Window ComboEdit(plat::Window combo_ex) { return Child(Child(combo_ex, L"ComboBox"), L"Edit"); }

void Send(plat::Window w, std::uint32_t msg, plat::WParam wp, plat::LParam lp) {
  plat::SendMessageTimeout(w, msg, wp, lp, plat::SMTO_NORMAL, kSendTimeoutMs, nullptr);
}

}  // namespace

InputAttachment::InputAttachment(plat::Window target) {
  target_thread_ = plat::GetWindowThreadProcessId(target, nullptr);
  agent_thread_ = AgentThread();
  attached_ = target_thread_ && plat::AttachThreadInput(target_thread_, agent_thread_, true);
}

InputAttachment::~InputAttachment() {
  if (attached_) plat::AttachThreadInput(target_thread_, agent_thread_, false);
}

void AttachToTargetInput(plat::Window w, bool attach) {
  plat::AttachThreadInput(plat::GetWindowThreadProcessId(w, nullptr), AgentThread(), attach);
}

plat::Window FindExplorerAddressEdit(plat::Window shell_window) {
  if (IsWineShellFrame(shell_window)) {
    // Wine's bar shows the folder's name alone; an edit box that takes the
    // focus is given the full path by its window.
    plat::Window edit = ComboEdit(Child(Child(shell_window, L"ReBarWindow32"), L"ComboBoxEx32"));
    if (edit) Send(edit, plat::WM_SETFOCUS, 0, 0);
    return edit;
  }
  plat::Window rebar = Child(Child(shell_window, L"WorkerW"), L"ReBarWindow32");
  if (!rebar) return 0;
  if (plat::Window combo = Child(rebar, L"ComboBoxEx32")) return ComboEdit(combo);
  plat::Window progress = Child(Child(rebar, L"Address Band Root"), L"msctls_progress32");
  if (!progress) return 0;
  if (plat::Window combo = Child(progress, L"ComboBoxEx32")) return ComboEdit(combo);
  // The bar shows its breadcrumb buttons: a click right of them brings up the
  // edit box.
  {
    InputAttachment attached(shell_window);
    plat::Window toolbar = Child(Child(progress, L"Breadcrumb Parent"), L"ToolbarWindow32");
    if (toolbar) {
      Send(toolbar, plat::WM_SETFOCUS, 0, 0);
      Send(toolbar, plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, kFarRightClick);
      Send(toolbar, plat::WM_LBUTTONUP, plat::MK_LBUTTON, kFarRightClick);
    }
  }
  return ComboEdit(Child(progress, L"ComboBoxEx32"));
}

plat::Window FindBrowserAddressEdit(plat::Window frame) {
  plat::Window rebar = Child(Child(frame, L"WorkerW"), L"ReBarWindow32");
  if (!rebar) return 0;
  if (plat::Window combo = Child(rebar, L"ComboBoxEx32")) return ComboEdit(combo);
  return Child(Child(rebar, L"Address Band Root"), L"Edit");
}

plat::Window FindFileNameEdit(plat::Window dialog) {
  if (!dialog) return 0;
  if (plat::Window combo = Child(dialog, L"ComboBoxEx32")) {
    if (plat::Window edit = ComboEdit(combo)) return edit;
  } else {
    plat::Window dui = Child(Child(dialog, L"DUIViewWndClassName"), L"DirectUIHWND");
    if (plat::Window sink = Child(dui, L"FloatNotifySink")) {
      if (plat::Window edit = ComboEdit(sink)) return edit;
      if (plat::Window next = plat::FindWindowEx(dui, sink, L"FloatNotifySink")) {
        if (plat::Window edit = ComboEdit(next)) return edit;
      }
    }
  }
  plat::Window edit = Child(dialog, L"Edit");
  if (edit && !plat::FindWindowEx(dialog, edit, L"Edit")) return edit;
  // A dialog of no known layout: its file name control, or the edit box of it.
  const plat::Window control = FindFallbackFileNameControl(dialog);
  const std::wstring cls = plat::GetClassName(control, 16);
  if (cls == L"Edit") return control;
  if (cls == L"ComboBox") return Child(control, L"Edit");
  if (cls == L"ComboBoxEx32") return ComboEdit(control);
  return 0;
}

void BringWindowToFront(plat::Window w) {
  infra::SetForegroundLock(plat::LSFW_UNLOCK);
  if (plat::GetWindowLong(w, plat::GWL_STYLE) & plat::WS_MINIMIZE) plat::ShowWindowAsync(w, plat::SW_RESTORE);
  plat::SetForegroundWindow(w);
  infra::SetForegroundLock(plat::LSFW_LOCK);
}

}  // namespace targets
