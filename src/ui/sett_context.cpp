#include "ui/sett_context.h"

#include <memory>

#include "agent/program_settings.h"
#include "infra/logger.h"
#include "infra/registry.h"
#include "platform/utf8.h"

namespace ui {
namespace {

struct TChoice {
  const wchar_t* box;
  const wchar_t* caption;
  const wchar_t* value;
};
const TChoice kChoices[] = {
    {sett_context_control::kShowMenu, L"Show Vorlune Folder menu", L"ShowMainMenu"},
    {sett_context_control::kAddRemove, L"Add/Remove to/from Vorlune Folder", L"ShowAddDelMenu"},
    {sett_context_control::kOpenInNewWindow, L"Open folder(s) in new window(s)", L"ShowNewMenu"},
};

std::unique_ptr<TSettContextMenu>& Instance() {
  static std::unique_ptr<TSettContextMenu> form;
  return form;
}

using plat::Ctl;

}  // namespace

plat::FormLayout SettContextLayout() {
  plat::FormLayout f;
  f.name = sett_context_control::kForm;
  f.caption = L"Context menu items";
  f.width = 226;
  f.height = 94;
  auto& c = f.controls;
  c.push_back(Ctl(sett_context_control::kGroup, plat::ControlKind::Group,
                  L" Choose items to display in Explorer context menus ", 7, 7, 212, 58));
  int y = 20;
  for (const auto& ch : kChoices) {
    c.push_back(Ctl(ch.box, plat::ControlKind::CheckBox, ch.caption, 15, y, 196, 10));
    y += 14;
  }
  plat::ControlLayout ok = Ctl(sett_context_control::kOk, plat::ControlKind::Button, L"OK", 115, 73, 50, 14);
  ok.is_default = true;
  c.push_back(ok);
  plat::ControlLayout cancel =
      Ctl(sett_context_control::kCancel, plat::ControlKind::Button, L"Cancel", 169, 73, 50, 14);
  cancel.is_cancel = true;
  c.push_back(cancel);
  return f;
}

TSettContextMenu::TSettContextMenu(plat::Window owner) {
  form_ = plat::CreateForm(SettContextLayout(), owner, [this](plat::Form, const plat::FormEvent& e) {
    // What a handler does not catch goes to the global handler, by way of the
    // forms' modal loop.
    using K = plat::FormEventKind;
    if (e.kind == K::Show)
      FormShow();
    else if (e.kind == K::Click && e.control == sett_context_control::kOk)
      btOKClick();
    else if ((e.kind == K::Click && e.control == sett_context_control::kCancel) || e.kind == K::Close)
      plat::EndModal(form_, plat::mrCancel);
    else
      return false;
    return true;
  });
  for (const auto& ch : kChoices) plat::SetChecked(form_, ch.box, true);
}

TSettContextMenu::~TSettContextMenu() { plat::DestroyForm(form_); }

int TSettContextMenu::ShowModalForm() { return plat::ShowModal(form_); }

void TSettContextMenu::FormShow() {
  infra::TRegistry reg;
  if (!reg.OpenKey(agent::kSettingsKey, true)) return;
  for (const auto& ch : kChoices) {
    if (!reg.ValueExists(ch.value)) continue;
    try {
      plat::SetChecked(form_, ch.box, reg.ReadBool(ch.value));
    } catch (const std::exception&) {
      // a value of another type keeps the box as it is
    }
  }
}

void TSettContextMenu::btOKClick() {
  // Choices that were not stored keep the dialog open; the global handler
  // tells the user.
  const std::string prefix = "The settings could not be saved: ";
  try {
    infra::TRegistry reg;
    if (!reg.OpenKey(agent::kSettingsKey, true))
      throw agent::ESettingsNotSaved(prefix + "the key " + plat::ToUtf8(agent::kSettingsKey) + " cannot be opened");
    for (const auto& ch : kChoices) reg.WriteBool(ch.value, plat::IsChecked(form_, ch.box));
  } catch (const infra::ERegistryException& e) {
    throw agent::ESettingsNotSaved(prefix + e.what());
  }
  plat::EndModal(form_, plat::mrOk);
}

TSettContextMenu& SettContextMenuCreated(plat::Window owner) {
  if (!Instance()) Instance() = std::make_unique<TSettContextMenu>(owner);
  return *Instance();
}

void FreeSettContextMenu() { Instance().reset(); }

}  // namespace ui
