#include "ui/add_dialog2.h"

#include <memory>

#include "ui/setting.h"

namespace ui {
namespace {

std::unique_ptr<TfmAddItem>& Instance() {
  static std::unique_ptr<TfmAddItem> prompt;
  return prompt;
}

using plat::Ctl;

}  // namespace

plat::FormLayout AddItemLayout() {
  plat::FormLayout f;
  f.name = add_item_control::kForm;
  f.caption = L"Add new item";
  f.width = 214;
  f.height = 74;
  f.stay_on_top = true;
  auto& c = f.controls;
  c.push_back(
      Ctl(add_item_control::kPrompt, plat::ControlKind::Label, L"Please, enter name to display in menu", 7, 7, 200, 9));
  c.push_back(Ctl(add_item_control::kName, plat::ControlKind::Edit, L"", 7, 18, 200, 13));
  plat::ControlLayout check =
      Ctl(add_item_control::kAlwaysShow, plat::ControlKind::CheckBox, L"Always show this dialog", 7, 37, 120, 10);
  c.push_back(check);
  // The caption is written in Cyrillic capitals (U+041E U+041A), as the
  // prompt has always shown it.
  plat::ControlLayout ok = Ctl(add_item_control::kOk, plat::ControlKind::Button, L"\u041E\u041A", 103, 54, 50, 14);
  ok.is_default = true;
  c.push_back(ok);
  plat::ControlLayout cancel = Ctl(add_item_control::kCancel, plat::ControlKind::Button, L"Cancel", 157, 54, 50, 14);
  cancel.is_cancel = true;
  c.push_back(cancel);
  return f;
}

TfmAddItem::TfmAddItem(agent::AgentServices& agent) : agent_(agent) {
  InstallModalMessageHook(agent_);
  form_ = plat::CreateForm(AddItemLayout(), agent_.OwnerWindow(), [this](plat::Form, const plat::FormEvent& e) {
    using K = plat::FormEventKind;
    if (e.kind == K::Show)
      FormShow();
    else if (e.kind == K::Change && e.control == add_item_control::kName)
      edNameChange();
    else if (e.kind == K::Click && e.control == add_item_control::kOk)
      btOKClick();
    else if (e.kind == K::Click && e.control == add_item_control::kCancel)
      btCancelClick();
    else if (e.kind == K::Close)
      btCancelClick();
    else
      return false;
    return true;
  });
  plat::SetChecked(form_, add_item_control::kAlwaysShow, true);
}

TfmAddItem::~TfmAddItem() { plat::DestroyForm(form_); }

bool TfmAddItem::Ask(const std::wstring& default_title) {
  plat::SetControlText(form_, add_item_control::kName, default_title);
  return plat::ShowModal(form_) == plat::mrOk;
}

void TfmAddItem::FormShow() {
  EnteredName.clear();
  edNameChange();
  plat::FocusControl(form_, add_item_control::kName);
}

void TfmAddItem::edNameChange() {
  plat::SetControlEnabled(form_, add_item_control::kOk, !plat::GetControlText(form_, add_item_control::kName).empty());
}

void TfmAddItem::btOKClick() {
  // Enter presses the default button even while it is disabled in some
  // toolkits: an empty name is never confirmed.
  if (plat::GetControlText(form_, add_item_control::kName).empty()) return;
  const bool always = plat::IsChecked(form_, add_item_control::kAlwaysShow);
  agent_.SetAlwaysAddDialog(always);
  EnteredName = plat::GetControlText(form_, add_item_control::kName);
  plat::EndModal(form_, plat::mrOk);
}

void TfmAddItem::btCancelClick() { plat::EndModal(form_, plat::mrCancel); }

TfmAddItem& AddItemPromptCreated(agent::AgentServices& agent) {
  if (!Instance()) Instance() = std::make_unique<TfmAddItem>(agent);
  return *Instance();
}

void FreeAddItemPrompt() { Instance().reset(); }

bool AskForItemTitle(agent::AgentServices& agent, std::wstring& title) {
  TfmAddItem& prompt = AddItemPromptCreated(agent);
  if (!prompt.Ask(title)) return false;
  title = prompt.EnteredName;
  return true;
}

}  // namespace ui
