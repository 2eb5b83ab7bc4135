// Hook records of any content: the shared block is writable by every program
// that opens it by name, so its slots may hold any message, window, kind and
// point. The agent's 50 ms poll dispatches them over a world of windows whose
// kind need not be what a record says (a file dialog, an Explorer window, a
// hung window, a plain edit box) and a user who picks any item of a menu that
// opens. The agent goes on, clears every slot it read, and no record keeps it
// busy longer than its per-message time-outs allow.
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../unit/agent_fake_hook.h"
#include "agent/vorl_folder.h"
#include "errors/global_exception.h"
#include "support.h"
#include "platform/app.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "sim/sim_app.h"
#include "sim/sim_menu.h"
#include "sim/sim_process.h"
#include "sim/sim_window.h"
#include "targets/target_state.h"

namespace {

const std::wstring kProgram = L"C:\\Program Files\\Vorlune Folder\\qorbin.exe";

// Every item of a menu, depth first: what a user can click.
void Names(const plat::Menu& menu, std::vector<std::wstring>& out) {
  for (const auto& item : menu) {
    if (!item.visible || item.IsSeparator()) continue;
    out.push_back(item.name.empty() ? item.caption : item.name);
    Names(item.items, out);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FreshWorld();
  plat::CreateDirectories(L"C:\\Program Files\\Vorlune Folder");
  plat::CreateDirectories(L"C:\\Work\\Reports");
  sim::SetProgramPath(kProgram);
  fake_hook::Install();
  targets::CurrentTargetWindow = 0;
  targets::CurrentTargetKind = targets::None;
  targets::AgentUiThreadId = 0;

  FuzzedDataProvider in(data, size);

  // Windows of other programs that records may name.
  std::vector<plat::Window> windows;
  const sim::FileDialog dialog = sim::CreateFileDialog({});
  windows.push_back(dialog.dialog);
  windows.push_back(dialog.edit);
  const plat::Window explorer = sim::CreateWindow({L"CabinetWClass", L"C:\\Work"});
  windows.push_back(explorer);
  const plat::Window hung = sim::CreateWindow({L"#32770", L"Open"});
  sim::AddChild(hung, L"Edit");
  sim::SetHung(hung, true);
  windows.push_back(hung);
  windows.push_back(sim::CreateWindow({L"Edit", L"C:\\Work"}));
  windows.push_back(sim::CreateWindow({L"Progman", L"Program Manager"}));

  auto form =
      std::make_unique<agent::TVorlFolder>(L"", plat::RegisterWindowMessageW(L"WM_QXADDFOLDER by Vorlune Folder"));
  form->FormCreate();
  agent::HookSharedBlock* block = fake_hook::Block();
  fuzz::Check(block != nullptr, "the agent maps the block");

  const agent::THookMessages& m = form->HookMessages;
  const std::uint32_t messages[] = {m.WM_QXREXPLORER, m.WM_WHEELMOUSE, m.WM_QXHELP,     m.WM_QXRBUTTON,
                                    m.WM_QXMBUTTON,   m.WM_QXKEYDOWN,  m.WM_QXMDESKTOP, m.WM_QXMEXPLORER,
                                    m.WM_QXMDIALOG,   m.WM_QXNEWM,     m.WM_QXMBROWSE,  m.WM_NEWFORM};
  // The user's choice in every menu that opens: an item by its place.
  sim::OnMenuOpen([&in](const plat::Menu& menu) {
    std::vector<std::wstring> names;
    Names(menu, names);
    const int pick = in.ConsumeIntegralInRange<int>(0, static_cast<int>(names.size()));
    sim::ScriptMenuChoice(pick < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(pick)] : L"");
  });

  // The block: header fields and slots, each field either one of the
  // meaningful values or any number.
  auto pick_window = [&]() -> std::uint32_t {
    return in.ConsumeBool()
               ? static_cast<std::uint32_t>(windows[in.ConsumeIntegralInRange<std::size_t>(0, windows.size() - 1)])
               : in.ConsumeIntegral<std::uint32_t>();
  };
  int records = 0;
  const int slots = in.ConsumeIntegralInRange<int>(0, agent::kHookSlotCount);
  for (int i = 0; i < slots && in.remaining_bytes() > 0; ++i) {
    agent::HookMessageSlot& s = block->slots[in.ConsumeIntegralInRange<int>(0, agent::kHookSlotCount - 1)];
    s.window = in.ConsumeIntegral<std::uint32_t>();
    s.wparam = pick_window();
    s.lparam = in.ConsumeBool() ? in.ConsumeIntegralInRange<std::uint32_t>(0, 12) : pick_window();
    s.time = in.ConsumeIntegral<std::uint32_t>();
    s.x = in.ConsumeIntegral<std::int32_t>();
    s.y = in.ConsumeIntegral<std::int32_t>();
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
      case 0:
        s.message = in.ConsumeIntegral<std::uint32_t>();
        break;
      case 1:
        s.message = agent::kSlotBeingWritten;
        break;
      default:
        s.message = messages[in.ConsumeIntegralInRange<std::size_t>(0, 11)];
        break;
    }
    if (s.message != 0 && s.message != agent::kSlotBeingWritten) ++records;
  }
  if (in.ConsumeBool()) block->MenuOpenFlag = in.ConsumeIntegral<std::uint32_t>();
  if (in.ConsumeBool()) block->HeartbeatTick = in.ConsumeIntegral<std::uint32_t>();

  // The agent's loop for a while, as it runs it.
  const std::uint32_t start = plat::TickCount();
  sim::SetLoopDeadline(300);
  plat::Msg msg;
  while (!form->Terminated() && plat::GetMessageW(msg)) {
    try {
      form->ProcessMessage(msg);
    } catch (...) {
      errors::GlobalException(std::current_exception());
    }
  }
  const std::uint32_t spent = plat::TickCount() - start;
  fuzz::Check(!form->Terminated(), "the agent goes on");
  block = fake_hook::Block();
  if (block) {
    for (const auto& s : block->slots) {
      fuzz::Check(s.message == 0 || s.message == agent::kSlotBeingWritten, "every waiting slot is read");
    }
  }
  // Each record may cost a menu and what its item does; none may hang the agent.
  fuzz::Check(spent <= 300u + static_cast<std::uint32_t>(records) * 15000u, "no record keeps the agent busy");

  sim::OnMenuOpen(nullptr);
  form.reset();
  return 0;
}
