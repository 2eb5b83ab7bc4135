// The forms toolkit: the program's own dialogs (options, item editor, add-item
// prompt, context-menu options). A form is described by a layout (its
// controls with names, kinds, captions and places in dialog units); its logic
// reads and writes the controls by name and receives their events through one
// event procedure. The win32 backend builds a real dialog from the layout
// (tab control with pages, report-style list views with indent and images,
// up-down buttons, hot-key editor, combo boxes); the sim keeps every control as
// state that a test clicks, ticks and types into (sim/sim_forms.h).
//
// Forms are created hidden and kept; ShowModal shows one and returns when the
// logic calls EndModal (or the user closes it: the form receives Close first).
#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/types.h"

namespace plat {

using Form = std::uint64_t;

// Results of a modal form.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

// Virtual-key codes beyond those of platform/window.h.
inline constexpr std::uint32_t VK_F1 = 0x70;

// Modifier flags of a hot-key editor's value (HOTKEYF_*), and its rules
// (HKCOMB_*: combinations the editor refuses).
inline constexpr std::uint32_t HOTKEYF_SHIFT = 0x1;
inline constexpr std::uint32_t HOTKEYF_CONTROL = 0x2;
inline constexpr std::uint32_t HOTKEYF_ALT = 0x4;
inline constexpr std::uint32_t HKCOMB_NONE = 0x01;  // no modifier
inline constexpr std::uint32_t HKCOMB_S = 0x02;
inline constexpr std::uint32_t HKCOMB_C = 0x04;
inline constexpr std::uint32_t HKCOMB_A = 0x08;
inline constexpr std::uint32_t HKCOMB_SC = 0x10;
inline constexpr std::uint32_t HKCOMB_SA = 0x20;
inline constexpr std::uint32_t HKCOMB_CA = 0x40;
inline constexpr std::uint32_t HKCOMB_SCA = 0x80;

enum class ControlKind {
  Label,      // static text
  Group,      // group box
  Button,     // push button
  CheckBox,   // check box
  Edit,       // one-line edit box
  ComboBox,   // drop-down list of texts
  IconCombo,  // drop-down list of texts with images (the icon picker)
  ListView,   // report-style list view: caption, sub-items, image, indent
  UpDown,     // the two arrows of a spin button: UpClick and DownClick
  HotKey,     // hot-key editor
  Tabs,       // tab control; its pages are controls of kind Page
  Page,       // one page of a tab control (`parent` names the tab control)
};

struct ListColumn {
  std::wstring caption;
  int width = 0;  // pixels at 96 DPI
};

struct ControlLayout {
  std::wstring name;
  ControlKind kind = ControlKind::Label;
  std::wstring caption;
  int x = 0, y = 0, w = 0, h = 0;  // dialog units, relative to the form or the page
  std::wstring parent;             // the page the control sits on (empty: the form)
  bool visible = true;
  bool enabled = true;
  bool centered = false;       // labels: centred text
  bool read_only = false;      // edits
  bool numbers = false;        // edits: digits only
  bool is_default = false;     // the button Enter presses
  bool is_cancel = false;      // the button Escape and the close box press
  bool anchor_bottom = false;  // keeps its distance to the bottom edge when the form height changes
  int tag = 0;
  std::vector<ListColumn> columns;  // list views
  std::vector<std::wstring> items;  // combo boxes
  // List views and icon pickers: the images are the program's icon resources
  // image_first .. image_first + image_count - 1.
  int image_first = 0;
  int image_count = 0;
};

// A control of a layout: its name, kind and caption at x, y with size w x h
// (dialog units), on the page named parent (empty: the form).
inline ControlLayout Ctl(const wchar_t* name, ControlKind kind, const wchar_t* caption, int x, int y, int w, int h,
                         const wchar_t* parent = L"") {
  ControlLayout c;
  c.name = name;
  c.kind = kind;
  c.caption = caption;
  c.x = x;
  c.y = y;
  c.w = w;
  c.h = h;
  c.parent = parent;
  return c;
}

struct FormLayout {
  std::wstring name;  // the form class, "TSett"
  std::wstring caption;
  int width = 0, height = 0;  // client area, dialog units
  bool stay_on_top = false;
  bool key_preview = false;  // the form sees key presses before its controls
  std::vector<ControlLayout> controls;
};

enum class FormEventKind {
  Show,      // the form is about to be shown (modally)
  Close,     // the close box or Alt+F4; not handled: the form closes with mrCancel
  Click,     // buttons, check boxes (after the check changed), list views
  DblClick,  // list views
  Change,    // edits (text changed), hot-key editors
  Select,    // combo boxes (the user chose an item), list views (selection moved)
  Exit,      // an edit lost the focus
  KeyDown,   // control "" with key_preview: the form's preview
  KeyPress,  // key = the character
  KeyUp,
  UpClick,  // up-down arrows
  DownClick,
  PageShow,  // a page of a tab control became the visible one; control = the page
};

struct FormEvent {
  std::wstring control;  // empty for the form itself
  FormEventKind kind = FormEventKind::Click;
  std::uint32_t key = 0;  // virtual key (KeyDown/KeyUp) or character (KeyPress)
};

// Returns true when the event was handled: a key event is then swallowed, a
// Close keeps the form open.
using FormEventProc = std::function<bool(Form, const FormEvent&)>;

Form CreateForm(const FormLayout& layout, Window owner, FormEventProc proc);
void DestroyForm(Form form);
// The form's window (0 in the sim's hidden state is never returned: the sim
// gives every form a window number of its own).
Window FormWindow(Form form);

// Shows the form modally (Show event first) and returns the result given to
// EndModal. The owner is disabled while it shows.
int ShowModal(Form form);
void EndModal(Form form, int result);
bool IsFormShowing(Form form);
// TickCount when the latest ShowModal of the form put it on screen (after its
// Show event); 0 while that has not happened yet.
std::uint32_t FormShownTick(Form form);
void BringFormToFront(Form form);
void SetFormCaption(Form form, const std::wstring& caption);
std::wstring GetFormCaption(Form form);
// The form's outer height, in pixels at 96 DPI (scaled with the DPI).
void SetFormHeight(Form form, int pixels);
int GetFormHeight(Form form);

// Any control.
void SetControlText(Form form, const std::wstring& control, const std::wstring& text);
std::wstring GetControlText(Form form, const std::wstring& control);
void SetControlEnabled(Form form, const std::wstring& control, bool enabled);
bool IsControlEnabled(Form form, const std::wstring& control);
void SetControlVisible(Form form, const std::wstring& control, bool visible);
bool IsControlVisible(Form form, const std::wstring& control);
void FocusControl(Form form, const std::wstring& control);
int GetControlTag(Form form, const std::wstring& control);

// Check boxes.
void SetChecked(Form form, const std::wstring& control, bool checked);
bool IsChecked(Form form, const std::wstring& control);

// Edits.
void SetReadOnly(Form form, const std::wstring& control, bool read_only);
bool IsReadOnly(Form form, const std::wstring& control);

// Combo boxes and icon pickers: items (with their image indexes for a
// picker) and the selected index (-1: none).
void SetComboItems(Form form, const std::wstring& control, const std::vector<std::wstring>& items,
                   const std::vector<int>& images = {});
std::vector<std::wstring> GetComboItems(Form form, const std::wstring& control);
void SetItemIndex(Form form, const std::wstring& control, int index);
int GetItemIndex(Form form, const std::wstring& control);

// Report-style list views.
struct ListRow {
  std::wstring caption;
  std::vector<std::wstring> subitems;
  int image = 0;
  int indent = 0;
  bool operator==(const ListRow&) const = default;
};
int ListCount(Form form, const std::wstring& control);
ListRow GetListRow(Form form, const std::wstring& control, int index);
void SetListRow(Form form, const std::wstring& control, int index, const ListRow& row);
// index = ListCount appends.
void InsertListRow(Form form, const std::wstring& control, int index, const ListRow& row);
void DeleteListRow(Form form, const std::wstring& control, int index);
void ClearList(Form form, const std::wstring& control);
// Replaces every row of the list at once and selects the row at selected
// (-1: none), scrolled into view: one update of the control however many
// rows (ClearList, InsertListRow for each row and SetSelectedRow give the
// same list).
void SetListRows(Form form, const std::wstring& control, std::vector<ListRow> rows, int selected);
int GetSelectedRow(Form form, const std::wstring& control);  // -1: none
void SetSelectedRow(Form form, const std::wstring& control, int index);

// Tab controls: the visible page's index. Setting it shows that page and
// sends its PageShow event.
void SetPageIndex(Form form, const std::wstring& control, int index);
int GetPageIndex(Form form, const std::wstring& control);

// Hot-key editors: virtual key and HOTKEYF_* modifiers.
void SetHotKeyValue(Form form, const std::wstring& control, std::uint32_t key, std::uint32_t modifiers);
void GetHotKeyValue(Form form, const std::wstring& control, std::uint32_t& key, std::uint32_t& modifiers);
// The combinations (HKCOMB_*) the editor refuses and the modifiers it puts in
// their place.
void SetHotKeyRules(Form form, const std::wstring& control, std::uint32_t invalid, std::uint32_t replacement);

// The function that sees every message a modal form's loop takes from the
// queue before it is dispatched (the application's message hook); it returns
// true when it handled the message.
void SetModalMessageHook(std::function<bool(const Msg&)> hook);

// The function that receives what a form's event procedure or the message
// hook raised while a form shows, as the application's message loop hands its
// handlers' exceptions to the global handler: the exception is kept while the
// window manager's frames are on the stack and handed over once the event or
// message is done; the form goes on showing. Without a handler the windows
// build drops the exception and the sim lets it through to the caller.
void SetModalExceptionHandler(std::function<void(std::exception_ptr)> handler);

// The help viewer: HtmlHelpW(GetDesktopWindow(), file, HH_DISPLAY_TOPIC,
// topic); the viewer library is loaded on first use. False when it cannot be
// loaded.
bool ShowHtmlHelpTopic(const std::wstring& help_file, const std::wstring& topic);

}  // namespace plat
