#include <windows.h>

#include "platform/message_pump.h"

#include <vector>

namespace plat {

void ProcessMessages() {
  // Thread messages (no window) belong to the main loop, whose application
  // hook handles them (a folder handed over by a second start, say):
  // dispatching them here would drop them, so they are posted again after the
  // pump, in their order.
  std::vector<MSG> thread_messages;
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The message loop must still see it and end the program.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.hwnd == nullptr) {
      thread_messages.push_back(msg);
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  for (const MSG& m : thread_messages) ::PostThreadMessageW(::GetCurrentThreadId(), m.message, m.wParam, m.lParam);
}

}  // namespace plat
