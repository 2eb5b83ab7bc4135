// Control of the sim's forms: the user's side of the program's dialogs.
//
// A form shown modally runs the next script queued for its form class: the
// script acts as the user (clicks, ticks, types, chooses) and the form closes
// when its logic calls EndModal. A script that ends with the form still open
// closes it through the close box (Close event, then mrCancel). With no
// script queued, the user closes the form at once the same way.
//
// The user functions below fire the events a real control fires; setting a
// control through platform/forms.h (the logic's side) fires none.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/forms.h"

namespace sim {

using FormScript = std::function<void(plat::Form)>;
void ScriptModal(const std::wstring& form_class, FormScript script);

// Modal showings so far, by form class, in order.
std::vector<std::wstring> ModalShowings();
// The control has the focus.
std::wstring FocusedControl(plat::Form form);
const plat::ControlLayout* ControlLayoutOf(plat::Form form, const std::wstring& control);
// Help topics shown (file and topic).
std::vector<std::wstring> HelpTopicsShown();

// --- the user ---
// Clicks a button, a check box (toggles it; a disabled one does nothing) or
// a list view's row (selects it; -1 clicks the empty area).
void Click(plat::Form form, const std::wstring& control);
void ClickRow(plat::Form form, const std::wstring& control, int row);
void DoubleClickRow(plat::Form form, const std::wstring& control, int row);
// Types a new text into an edit (Change), then leaves it (Exit).
void TypeText(plat::Form form, const std::wstring& control, const std::wstring& text);
// Chooses an item of a combo box (Select).
void ChooseItem(plat::Form form, const std::wstring& control, int index);
// Presses a key in a control: the form's preview KeyDown, the control's
// KeyDown, KeyPress with the character (when not 0), KeyUp; a handled event
// swallows the rest. An unswallowed Escape presses the cancel button, Enter
// the default button.
void PressKey(plat::Form form, const std::wstring& control, std::uint32_t key, wchar_t character = 0);
// Presses a combination in a hot-key editor; the editor's rules apply.
void PressHotKey(plat::Form form, const std::wstring& control, std::uint32_t key, std::uint32_t modifiers);
// Clicks an arrow of an up-down control.
void ClickUp(plat::Form form, const std::wstring& control);
void ClickDown(plat::Form form, const std::wstring& control);
// Clicks the tab of a page.
void ClickTab(plat::Form form, const std::wstring& tabs, int index);
// The close box.
void CloseBox(plat::Form form);

}  // namespace sim
