// TfmAddItem: the add-item prompt "Add new item". It asks for the menu title
// of a folder added outside the options dialog and lets the user switch the
// question off (the setting AlwaysAddDialog).
#pragma once
#include <string>

#include "agent/agent_services.h"
#include "platform/forms.h"

namespace ui {

// The control names of the add-item prompt (TfmAddItem): its layout and every reader of its
// controls use these.
namespace add_item_control {
inline constexpr wchar_t kForm[] = L"TfmAddItem";
inline constexpr wchar_t kPrompt[] = L"Label1";
inline constexpr wchar_t kName[] = L"edName";
inline constexpr wchar_t kAlwaysShow[] = L"CheckBox1";
inline constexpr wchar_t kOk[] = L"btOK";
inline constexpr wchar_t kCancel[] = L"btCancel";
}  // namespace add_item_control

plat::FormLayout AddItemLayout();

class TfmAddItem {
 public:
  // The prompt keeps its "Always show this dialog" answer with `agent`.
  explicit TfmAddItem(agent::AgentServices& agent);
  ~TfmAddItem();
  TfmAddItem(const TfmAddItem&) = delete;
  TfmAddItem& operator=(const TfmAddItem&) = delete;

  plat::Form Form() const { return form_; }
  // Shows the prompt with the title filled in; true when confirmed, with the
  // name in EnteredName.
  bool Ask(const std::wstring& default_title);

  void FormShow();
  void edNameChange();
  void btOKClick();
  void btCancelClick();

  std::wstring EnteredName;

 private:
  agent::AgentServices& agent_;
  plat::Form form_ = 0;
};

TfmAddItem& AddItemPromptCreated(agent::AgentServices& agent);
void FreeAddItemPrompt();

// The prompt as the store asks for it (store::Links().AddItemPrompt).
bool AskForItemTitle(agent::AgentServices& agent, std::wstring& title);

}  // namespace ui
