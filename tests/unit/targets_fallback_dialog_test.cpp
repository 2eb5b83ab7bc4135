// File dialogs of no known layout: the fallback after the known rules finds
// them (and their file name box), and leaves other windows alone.
#include <gtest/gtest.h>

#include <functional>

#include "infra/dral_utils.h"
#include "platform/process.h"
#include "sim/sim_os_version.h"
#include "sim/sim_window.h"
#include "sim/sim_world.h"
#include "platform/window.h"
#include "targets/classify.h"
#include "targets/locators.h"
#include "targets/target_state.h"

using namespace targets;

namespace {

constexpr std::uint32_t kDefPushButton = 0x01;

plat::Window Dialog(const std::wstring& cls, std::uint32_t style = plat::WS_POPUP | plat::WS_VISIBLE) {
  sim::WindowSpec s;
  s.class_name = cls;
  s.style = style;
  s.rect = {0, 0, 800, 600};
  return sim::CreateWindow(s);
}

plat::Window Control(plat::Window parent, const std::wstring& cls, int id, const std::wstring& text = L"",
                     std::uint32_t style = plat::WS_VISIBLE) {
  sim::WindowSpec s;
  s.class_name = cls;
  s.text = text;
  s.parent = parent;
  s.id = id;
  s.style = style;
  return sim::CreateWindow(s);
}

// Wine's Common Item Dialog as IFileOpenDialog shows it; returns the file name box.
plat::Window WineItemDialog(plat::Window d) {
  sim::AddChild(Control(d, L"ExplorerBrowserControl", 1), L"SHELLDLL_DefView");
  Control(d, L"Static", 1090, L"File &name:");
  plat::Window edit = Control(d, L"Edit", 1152);
  sim::AddChild(Control(d, L"ComboBox", 1136), L"Edit");
  Control(d, L"Button", 1, L"&Open", plat::WS_VISIBLE | kDefPushButton);
  Control(d, L"Button", 2, L"Cancel");
  return edit;
}

class TargetsFallbackDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetWorld();
    infra::ResetDralUtilsCaches();
    sim::SetVistaOrLater(true);
    AgentUiThreadId = plat::CurrentThreadId();
  }
  void TearDown() override {
    sim::ResetWorld();
    infra::ResetDralUtilsCaches();
  }
};

}  // namespace

TEST_F(TargetsFallbackDialog, RecognisesPlainFileDialogsAndFindsTheirBox) {
  struct Case {
    const char* name;
    std::wstring cls;
    // Builds the dialog's controls; returns the file name box (0: no file dialog).
    std::function<plat::Window(plat::Window)> build;
  };
  const Case cases[] = {
      {"Wine's Common Item Dialog", L"#32770", WineItemDialog},
      {"file name combo box 1148 beside a shell view", L"#32770",
       [](plat::Window d) {
         sim::AddChild(d, L"SHELLDLL_DefView");
         sim::AddChild(d, L"Edit");  // a second edit box: the single-edit rule does not hold
         sim::AddChild(d, L"Edit");
         return sim::AddChild(Control(d, L"ComboBox", 1148), L"Edit");
       }},
      {"file name edit 1152 beside a view held one level down", L"#32770",
       [](plat::Window d) {
         sim::AddChild(sim::AddChild(d, L"DirectUIHost"), L"SHELLDLL_DefView");
         return Control(d, L"Edit", 1152);
       }},
      {"file name id without any shell view", L"#32770",
       [](plat::Window d) {
         Control(d, L"Edit", 1152);
         return plat::Window{0};
       }},
      {"shell view two levels down is not beside the box", L"#32770",
       [](plat::Window d) {
         sim::AddChild(sim::AddChild(sim::AddChild(d, L"Frame"), L"Host"), L"SHELLDLL_DefView");
         Control(d, L"Edit", 1152);
         return plat::Window{0};
       }},
      {"another id beside a shell view", L"#32770",
       [](plat::Window d) {
         sim::AddChild(d, L"SHELLDLL_DefView");
         Control(d, L"Edit", 1153);
         return plat::Window{0};
       }},
      {"label, edit box and default Open button in a form of its own class", L"TOpenForm",
       [](plat::Window d) {
         Control(d, L"Static", 5, L"File name:");
         plat::Window edit = Control(d, L"Edit", 6);
         Control(d, L"Button", 7, L"Open", plat::WS_VISIBLE | kDefPushButton);
         return edit;
       }},
      {"label, combo box and Save with the OK id", L"#32770",
       [](plat::Window d) {
         Control(d, L"Static", 5, L"File &name:");
         plat::Window combo = Control(d, L"ComboBox", 6);
         plat::Window edit = sim::AddChild(combo, L"Edit");
         Control(d, L"Button", 1, L"&Save");
         return edit;
       }},
      {"label and edit box, but Open is no default button", L"TOpenForm",
       [](plat::Window d) {
         Control(d, L"Static", 5, L"File name:");
         Control(d, L"Edit", 6);
         Control(d, L"Button", 7, L"Open");
         return plat::Window{0};
       }},
      {"label followed by a button, not a box", L"TOpenForm",
       [](plat::Window d) {
         Control(d, L"Static", 5, L"File name:");
         Control(d, L"Button", 6, L"Browse");
         Control(d, L"Edit", 7);
         Control(d, L"Button", 1, L"Open", plat::WS_VISIBLE | kDefPushButton);
         return plat::Window{0};
       }},
      {"another label", L"TOpenForm",
       [](plat::Window d) {
         Control(d, L"Static", 5, L"User name:");
         Control(d, L"Edit", 6);
         Control(d, L"Button", 1, L"Open", plat::WS_VISIBLE | kDefPushButton);
         return plat::Window{0};
       }},
      // The known layouts keep their own rules: an Office window without its
      // file list stays none, whatever it holds.
      {"office window without its file list", L"bosa_sdm_Microsoft Office Word 11.0",
       [](plat::Window d) {
         WineItemDialog(d);
         return plat::Window{0};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::ResetWorld();
    sim::SetVistaOrLater(true);
    const plat::Window d = Dialog(c.cls);
    const plat::Window box = c.build(d);
    EXPECT_EQ(IsFileDialog(d), box ? d : plat::Window{0});
    EXPECT_EQ(ClassifyWindow(d), box ? FileDialog : Desktop);
    if (box) {
      EXPECT_EQ(FindFileNameEdit(d), box);
    }
  }
}

TEST_F(TargetsFallbackDialog, KnownLayoutsComeFirst) {
  // A classic dialog that also has the labelled box: its own combo chain is
  // the file name box, as before.
  const plat::Window d = Dialog(L"#32770");
  sim::AddChild(d, L"SHELLDLL_DefView");
  const plat::Window classic = sim::AddChild(sim::AddChild(sim::AddChild(d, L"ComboBoxEx32"), L"ComboBox"), L"Edit");
  Control(d, L"Static", 1090, L"File &name:");
  Control(d, L"Edit", 1152);
  Control(d, L"Button", 1, L"&Open", plat::WS_VISIBLE | kDefPushButton);
  EXPECT_EQ(IsFileDialog(d), d);
  EXPECT_EQ(FindFileNameEdit(d), classic);
}

TEST_F(TargetsFallbackDialog, PointedAtThroughItsShellView) {
  const plat::Window d = Dialog(L"#32770");
  WineItemDialog(d);
  const plat::Window host = plat::FindWindowEx(d, 0, L"ExplorerBrowserControl");
  const plat::Window view = plat::FindWindowEx(host, 0, L"SHELLDLL_DefView");
  sim::SetRect(host, {10, 40, 790, 450});
  sim::SetRect(view, {10, 40, 790, 450});
  Classified at = TargetAtPoint({300, 200});
  EXPECT_EQ(at.window, d);
  EXPECT_EQ(at.kind, FileDialog);
}
