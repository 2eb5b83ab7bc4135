// Classification of target windows: which kind of window the folder menu is
// shown for. The rules look only at class names (read into buffers of a fixed
// size, so only a prefix of a long class name counts), style bits and direct
// child windows. None of them sends a message, so they may run on any thread,
// also on a low-level mouse hook's.
#pragma once
#include <functional>

#include "platform/types.h"
#include "targets/target_kind.h"

namespace targets {

struct Classified {
  plat::Window window = 0;
  TargetKind kind = None;
};

// The window under the cursor, climbed towards its top-level parent: the climb
// stops at the foreground window, at a window without parent, after 51 steps,
// and, when asked, at a dialog ("bosa_sdm_", "#32770", "WinRarWin", "TTargetDl").
plat::Window WindowUnderCursor(bool stop_at_dialogs);
// The same for a given screen point (a mouse hook knows the point of its event).
plat::Window WindowUnderPoint(plat::Point p, bool stop_at_dialogs);

// The classifiers return the window passed in (never a parent or child) when
// it is of their kind, else 0; a null window means WindowUnderCursor.
plat::Window IsFileDialog(plat::Window w);
// The file name control of a file dialog of no known layout: a direct child
// "Edit", "ComboBox" or "ComboBoxEx32" with the common dialogs' file name id
// (1148 or 1152) beside a shell view (a direct child "SHELLDLL_DefView" or one
// inside a direct child, as the Common Item Dialog's browser control holds
// it), or the "Edit" (or combo box) that directly follows a "File name:"
// label when the window has an "Open" or "Save" default button. 0 when
// neither holds. IsFileDialog falls back on this after the known layouts.
plat::Window FindFallbackFileNameControl(plat::Window dialog);
// Shell folder windows: "ExploreWClass" and "CabinetWClass" frames (Explorer),
// "IEFrame" (InternetExplorer), and Wine's own folder window "ExplorerWClass"
// (Explorer), each only with the plain frame styles of a normal, visible,
// enabled window.
Classified IsShellWindow(plat::Window w);
// Wine's shell folder window: class "ExplorerWClass", compared in full. Its
// address bar is the frame's "ReBarWindow32" > "ComboBoxEx32" > "ComboBox" >
// "Edit", and title and bar show only the folder's name until the bar's edit
// box takes the focus.
bool IsWineShellFrame(plat::Window w);
Classified IsArchiverWindow(plat::Window w);

// The kind ShowMenuForWindow gives a window: FileDialog, Explorer,
// InternetExplorer, an archiver kind, or Desktop. Never None or BrowseDialog.
TargetKind ClassifyWindow(plat::Window w);

// What the user points at: the window and kind the agent should get for a
// gesture at this screen point. The window is the dialog for FileDialog and
// the archiver kinds, the shell window for Explorer and InternetExplorer, and
// the window under the point (climbed without stopping at dialogs) for Desktop.
Classified TargetAtPoint(plat::Point p);

// Classifies the window (the foreground window when null) and hands it with its
// kind to show_path (the menu's ShowPath).
using ShowPathFn = std::function<void(plat::Window, TargetKind)>;
void ShowMenuForWindow(plat::Window w, const ShowPathFn& show_path);

}  // namespace targets
