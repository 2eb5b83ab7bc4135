// The sim's forms: every control is state; the user is a script (sim_forms.h).
#include <deque>
#include <map>
#include <memory>
#include <stdexcept>

#include "platform/clock.h"
#include "platform/forms.h"
#include "sim/sim_forms.h"
#include "sim/sim_window.h"
#include "sim/sim_world.h"

namespace sim {
namespace {

struct Control {
  plat::ControlLayout layout;
  std::wstring text;
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  bool read_only = false;
  std::vector<std::wstring> items;
  std::vector<int> images;
  int item_index = -1;
  std::vector<plat::ListRow> rows;
  int selected = -1;
  int page_index = 0;
  std::uint32_t hk_key = 0, hk_mods = 0, hk_invalid = 0, hk_replacement = 0;
};

struct FormState {
  plat::FormLayout layout;
  plat::Window owner = 0;
  plat::Window window = 0;
  plat::FormEventProc proc;
  std::map<std::wstring, Control> controls;
  bool showing = false;
  std::uint32_t shown_tick = 0;
  int result = plat::mrNone;
  std::wstring caption;
  int height = 0;
  std::wstring focused;
};

struct State {
  std::map<plat::Form, std::shared_ptr<FormState>> forms;
  plat::Form next = 1;
  std::map<std::wstring, std::deque<FormScript>> scripts;
  std::vector<std::wstring> showings;
  std::vector<std::wstring> help;
  std::function<bool(const plat::Msg&)> hook;
  std::function<void(std::exception_ptr)> exception_handler;
};
State& S() {
  static State s;
  return s;
}
const bool kReset = RegisterReset([] {
  S().forms.clear();
  S().scripts.clear();
  S().showings.clear();
  S().help.clear();
  S().hook = nullptr;
  S().exception_handler = nullptr;
});

std::shared_ptr<FormState> F(plat::Form form) {
  auto it = S().forms.find(form);
  if (it == S().forms.end()) throw std::logic_error("sim forms: no such form");
  return it->second;
}

Control& C(plat::Form form, const std::wstring& name) {
  auto f = F(form);
  auto it = f->controls.find(name);
  if (it == f->controls.end()) {
    std::string n(name.begin(), name.end());
    throw std::logic_error("sim forms: no control named " + n + " in this form");
  }
  return it->second;
}

bool Fire(plat::Form form, const std::wstring& control, plat::FormEventKind kind, std::uint32_t key = 0) {
  auto f = F(form);
  if (!f->proc) return false;
  auto proc = f->proc;  // the handler may destroy nothing, but keep it alive anyway
  // As the windows build's modal loop: the event's exception goes to the
  // handler once the event is done, and the form goes on showing.
  try {
    return proc(form, plat::FormEvent{control, kind, key});
  } catch (...) {
    if (!S().exception_handler) throw;
    auto handler = S().exception_handler;
    handler(std::current_exception());
    return true;
  }
}

std::uint32_t Combination(std::uint32_t mods) {
  const bool s = mods & plat::HOTKEYF_SHIFT, c = mods & plat::HOTKEYF_CONTROL, a = mods & plat::HOTKEYF_ALT;
  if (s && c && a) return plat::HKCOMB_SCA;
  if (s && c) return plat::HKCOMB_SC;
  if (s && a) return plat::HKCOMB_SA;
  if (c && a) return plat::HKCOMB_CA;
  if (s) return plat::HKCOMB_S;
  if (c) return plat::HKCOMB_C;
  if (a) return plat::HKCOMB_A;
  return plat::HKCOMB_NONE;
}

std::wstring ButtonWith(plat::Form form, bool cancel) {
  for (const auto& c : F(form)->layout.controls)
    if ((cancel ? c.is_cancel : c.is_default) && c.kind == plat::ControlKind::Button) return c.name;
  return L"";
}

}  // namespace

void ScriptModal(const std::wstring& form_class, FormScript script) {
  S().scripts[form_class].push_back(std::move(script));
}

std::vector<std::wstring> ModalShowings() { return S().showings; }
std::wstring FocusedControl(plat::Form form) { return F(form)->focused; }
const plat::ControlLayout* ControlLayoutOf(plat::Form form, const std::wstring& control) {
  auto f = F(form);
  auto it = f->controls.find(control);
  return it == f->controls.end() ? nullptr : &it->second.layout;
}
std::vector<std::wstring> HelpTopicsShown() { return S().help; }

void Click(plat::Form form, const std::wstring& control) {
  Control& c = C(form, control);
  if (!c.enabled || !c.visible) return;
  F(form)->focused = control;
  if (c.layout.kind == plat::ControlKind::CheckBox) c.checked = !c.checked;
  Fire(form, control, plat::FormEventKind::Click);
}

void ClickRow(plat::Form form, const std::wstring& control, int row) {
  Control& c = C(form, control);
  if (!c.enabled) return;
  F(form)->focused = control;
  c.selected = row >= 0 && row < static_cast<int>(c.rows.size()) ? row : -1;
  Fire(form, control, plat::FormEventKind::Select);
  Fire(form, control, plat::FormEventKind::Click);
}

void DoubleClickRow(plat::Form form, const std::wstring& control, int row) {
  ClickRow(form, control, row);
  Fire(form, control, plat::FormEventKind::DblClick);
}

void TypeText(plat::Form form, const std::wstring& control, const std::wstring& text) {
  Control& c = C(form, control);
  if (!c.enabled || c.read_only) return;
  F(form)->focused = control;
  c.text = text;
  Fire(form, control, plat::FormEventKind::Change);
  Fire(form, control, plat::FormEventKind::Exit);
}

void ChooseItem(plat::Form form, const std::wstring& control, int index) {
  Control& c = C(form, control);
  if (!c.enabled || index < 0 || index >= static_cast<int>(c.items.size())) return;
  c.item_index = index;
  Fire(form, control, plat::FormEventKind::Select);
}

void PressKey(plat::Form form, const std::wstring& control, std::uint32_t key, wchar_t character) {
  if (F(form)->layout.key_preview && Fire(form, L"", plat::FormEventKind::KeyDown, key)) return;
  if (!control.empty() && Fire(form, control, plat::FormEventKind::KeyDown, key)) return;
  if (character != 0 && !control.empty()) {
    if (!Fire(form, control, plat::FormEventKind::KeyPress, character)) {
      Control& c = C(form, control);
      if (c.layout.kind == plat::ControlKind::Edit && !c.read_only && character >= L' ') {
        c.text += character;
        Fire(form, control, plat::FormEventKind::Change);
      }
    }
  }
  if (!control.empty()) Fire(form, control, plat::FormEventKind::KeyUp, key);
  if (key == plat::VK_ESCAPE || key == plat::VK_RETURN) {
    const std::wstring b = ButtonWith(form, key == plat::VK_ESCAPE);
    if (!b.empty()) Click(form, b);
  }
}

void PressHotKey(plat::Form form, const std::wstring& control, std::uint32_t key, std::uint32_t modifiers) {
  Control& c = C(form, control);
  if (!c.enabled) return;
  if (c.hk_invalid & Combination(modifiers)) modifiers = c.hk_replacement;
  c.hk_key = key;
  c.hk_mods = modifiers;
  Fire(form, control, plat::FormEventKind::Change);
}

void ClickUp(plat::Form form, const std::wstring& control) {
  if (C(form, control).enabled) Fire(form, control, plat::FormEventKind::UpClick);
}
void ClickDown(plat::Form form, const std::wstring& control) {
  if (C(form, control).enabled) Fire(form, control, plat::FormEventKind::DownClick);
}

void ClickTab(plat::Form form, const std::wstring& tabs, int index) { plat::SetPageIndex(form, tabs, index); }

void CloseBox(plat::Form form) {
  if (!Fire(form, L"", plat::FormEventKind::Close)) plat::EndModal(form, plat::mrCancel);
}

}  // namespace sim

namespace plat {

using sim::C;
using sim::F;
using sim::S;

Form CreateForm(const FormLayout& layout, Window owner, FormEventProc proc) {
  auto f = std::make_shared<sim::FormState>();
  f->layout = layout;
  f->owner = owner;
  f->proc = std::move(proc);
  f->caption = layout.caption;
  // Dialog units of the sim's font: 4 x 8 pixels per 4 x 8 units (1:1.75 roughly); the exact height only matters
  // as set by the logic.
  f->height = layout.height * 2;
  sim::WindowSpec spec;
  spec.class_name = L"#32770";
  spec.text = layout.caption;
  spec.style = 0;
  spec.owner = owner;
  f->window = sim::CreateWindow(spec);
  for (const auto& c : layout.controls) {
    if (f->controls.count(c.name)) throw std::logic_error("sim forms: control named twice");
    sim::Control ctl;
    ctl.layout = c;
    ctl.text = c.caption;
    ctl.enabled = c.enabled;
    ctl.visible = c.visible;
    ctl.read_only = c.read_only;
    ctl.items = c.items;
    f->controls.emplace(c.name, std::move(ctl));
  }
  // The first page of each tab control shows.
  for (const auto& c : layout.controls) {
    if (c.kind != ControlKind::Page) continue;
    bool first = true;
    for (const auto& o : layout.controls)
      if (o.kind == ControlKind::Page && o.parent == c.parent) {
        first = o.name == c.name;
        break;
      }
    f->controls[c.name].visible = first;
  }
  const Form h = S().next++;
  S().forms[h] = f;
  return h;
}

void DestroyForm(Form form) { S().forms.erase(form); }
Window FormWindow(Form form) { return F(form)->window; }

int ShowModal(Form form) {
  auto f = F(form);
  if (f->showing) return mrNone;
  f->showing = true;
  f->shown_tick = 0;
  f->result = mrNone;
  S().showings.push_back(f->layout.name);
  sim::Fire(form, L"", FormEventKind::Show);
  if (f->showing) f->shown_tick = plat::TickCount();
  sim::FormScript script;
  auto& q = S().scripts[f->layout.name];
  if (!q.empty()) {
    script = std::move(q.front());
    q.pop_front();
  }
  if (script && f->showing) script(form);
  if (f->showing) sim::CloseBox(form);
  if (f->showing) {  // the logic refused to close: the user gives up with the close box's default
    f->showing = false;
    f->result = mrCancel;
  }
  return f->result;
}

void EndModal(Form form, int result) {
  auto f = F(form);
  f->result = result;
  f->showing = false;
}

bool IsFormShowing(Form form) { return F(form)->showing; }
std::uint32_t FormShownTick(Form form) { return F(form)->shown_tick; }
void BringFormToFront(Form form) { sim::SetForeground(F(form)->window); }
void SetFormCaption(Form form, const std::wstring& caption) { F(form)->caption = caption; }
std::wstring GetFormCaption(Form form) { return F(form)->caption; }
void SetFormHeight(Form form, int pixels) { F(form)->height = pixels; }
int GetFormHeight(Form form) { return F(form)->height; }

void SetControlText(Form form, const std::wstring& control, const std::wstring& text) { C(form, control).text = text; }
std::wstring GetControlText(Form form, const std::wstring& control) { return C(form, control).text; }
void SetControlEnabled(Form form, const std::wstring& control, bool enabled) { C(form, control).enabled = enabled; }
bool IsControlEnabled(Form form, const std::wstring& control) { return C(form, control).enabled; }
void SetControlVisible(Form form, const std::wstring& control, bool visible) { C(form, control).visible = visible; }
bool IsControlVisible(Form form, const std::wstring& control) { return C(form, control).visible; }
void FocusControl(Form form, const std::wstring& control) {
  C(form, control);
  F(form)->focused = control;
}
int GetControlTag(Form form, const std::wstring& control) { return C(form, control).layout.tag; }

void SetChecked(Form form, const std::wstring& control, bool checked) { C(form, control).checked = checked; }
bool IsChecked(Form form, const std::wstring& control) { return C(form, control).checked; }
void SetReadOnly(Form form, const std::wstring& control, bool read_only) { C(form, control).read_only = read_only; }
bool IsReadOnly(Form form, const std::wstring& control) { return C(form, control).read_only; }

void SetComboItems(Form form, const std::wstring& control, const std::vector<std::wstring>& items,
                   const std::vector<int>& images) {
  auto& c = C(form, control);
  c.items = items;
  c.images = images;
  c.item_index = -1;
}
std::vector<std::wstring> GetComboItems(Form form, const std::wstring& control) { return C(form, control).items; }
void SetItemIndex(Form form, const std::wstring& control, int index) {
  auto& c = C(form, control);
  c.item_index = index >= 0 && index < static_cast<int>(c.items.size()) ? index : -1;
}
int GetItemIndex(Form form, const std::wstring& control) { return C(form, control).item_index; }

int ListCount(Form form, const std::wstring& control) { return static_cast<int>(C(form, control).rows.size()); }
ListRow GetListRow(Form form, const std::wstring& control, int index) {
  auto& c = C(form, control);
  if (index < 0 || index >= static_cast<int>(c.rows.size())) throw std::out_of_range("sim forms: list row");
  return c.rows[index];
}
void SetListRow(Form form, const std::wstring& control, int index, const ListRow& row) {
  auto& c = C(form, control);
  if (index < 0 || index >= static_cast<int>(c.rows.size())) throw std::out_of_range("sim forms: list row");
  c.rows[index] = row;
}
void InsertListRow(Form form, const std::wstring& control, int index, const ListRow& row) {
  auto& c = C(form, control);
  if (index < 0 || index > static_cast<int>(c.rows.size())) throw std::out_of_range("sim forms: list row");
  c.rows.insert(c.rows.begin() + index, row);
  if (c.selected >= index) ++c.selected;
}
void DeleteListRow(Form form, const std::wstring& control, int index) {
  auto& c = C(form, control);
  if (index < 0 || index >= static_cast<int>(c.rows.size())) throw std::out_of_range("sim forms: list row");
  c.rows.erase(c.rows.begin() + index);
  if (c.selected == index)
    c.selected = -1;
  else if (c.selected > index)
    --c.selected;
}
void ClearList(Form form, const std::wstring& control) {
  auto& c = C(form, control);
  c.rows.clear();
  c.selected = -1;
}
void SetListRows(Form form, const std::wstring& control, std::vector<ListRow> rows, int selected) {
  auto& c = C(form, control);
  c.rows = std::move(rows);
  c.selected = selected >= 0 && selected < static_cast<int>(c.rows.size()) ? selected : -1;
}
int GetSelectedRow(Form form, const std::wstring& control) { return C(form, control).selected; }
void SetSelectedRow(Form form, const std::wstring& control, int index) {
  auto& c = C(form, control);
  c.selected = index >= 0 && index < static_cast<int>(c.rows.size()) ? index : -1;
}

void SetPageIndex(Form form, const std::wstring& control, int index) {
  auto& c = C(form, control);
  std::vector<std::wstring> pages;
  for (const auto& l : F(form)->layout.controls)
    if (l.kind == ControlKind::Page && l.parent == control) pages.push_back(l.name);
  if (index < 0 || index >= static_cast<int>(pages.size())) return;
  const bool changed = c.page_index != index;
  c.page_index = index;
  for (std::size_t i = 0; i < pages.size(); ++i) C(form, pages[i]).visible = static_cast<int>(i) == index;
  (void)changed;
  sim::Fire(form, pages[index], FormEventKind::PageShow);
}
int GetPageIndex(Form form, const std::wstring& control) { return C(form, control).page_index; }

void SetHotKeyValue(Form form, const std::wstring& control, std::uint32_t key, std::uint32_t modifiers) {
  auto& c = C(form, control);
  c.hk_key = key;
  c.hk_mods = modifiers;
}
void GetHotKeyValue(Form form, const std::wstring& control, std::uint32_t& key, std::uint32_t& modifiers) {
  auto& c = C(form, control);
  key = c.hk_key;
  modifiers = c.hk_mods;
}
void SetHotKeyRules(Form form, const std::wstring& control, std::uint32_t invalid, std::uint32_t replacement) {
  auto& c = C(form, control);
  c.hk_invalid = invalid;
  c.hk_replacement = replacement;
}

void SetModalMessageHook(std::function<bool(const Msg&)> hook) { S().hook = std::move(hook); }
void SetModalExceptionHandler(std::function<void(std::exception_ptr)> handler) {
  S().exception_handler = std::move(handler);
}

bool ShowHtmlHelpTopic(const std::wstring& help_file, const std::wstring& topic) {
  S().help.push_back(help_file + L"::" + topic);
  return true;
}

}  // namespace plat
