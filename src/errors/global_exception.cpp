#include "errors/global_exception.h"

#include <mutex>

#include "errors/global_error.h"
#include "infra/logger.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/utf8.h"

namespace errors {

std::atomic<bool> InExceptionHandler{false};

namespace {

std::atomic<plat::ThreadId> g_main_thread{0};
std::mutex g_hooks_lock;
ErrorDialogHooks& Hooks() {
  static ErrorDialogHooks h;
  return h;
}

struct ClearHandlerFlag {
  ~ClearHandlerFlag() { InExceptionHandler = false; }
};

}  // namespace

void SetMainThreadIdAtStart(plat::ThreadId id) { g_main_thread = id; }
plat::ThreadId MainThreadIdAtStart() { return g_main_thread; }

void SetErrorDialogHooks(ErrorDialogHooks hooks) {
  std::lock_guard<std::mutex> g(g_hooks_lock);
  Hooks() = std::move(hooks);
}

void GlobalException(const std::exception_ptr& e) {
  if (InExceptionHandler) return;
  try {
    const std::uint32_t last_error = plat::LastError();
    std::wstring message = L"Unknown exception";
    const void* thrown = nullptr;
    try {
      if (e) std::rethrow_exception(e);
    } catch (const std::exception& ex) {
      message = plat::FromUtf8(ex.what());  // exception texts are UTF-8
      thrown = &ex;
    } catch (...) {}
    if (!infra::LoggerIdle) {
      WriteGlobalErrorLog(message, thrown);
      infra::LogError(L"GlobalException", message, L"See error.log", last_error, true);
      infra::LoggerIdle = true;
      return;
    }
    if (plat::CurrentThreadId() != g_main_thread.load()) {
      WriteGlobalErrorLog(message, thrown);
      infra::LogError(L"GlobalException", message, L"non main thread", last_error, true);
      return;
    }
    InExceptionHandler = true;
    ClearHandlerFlag clear;
    infra::LoggerIdle = true;
    WriteGlobalErrorLog(message, thrown);
    infra::LogMessage(L"GlobalException: " + message, L"See error.log");
    infra::SaveAllLogs(false);
    ErrorDialogHooks hooks;
    {
      std::lock_guard<std::mutex> g(g_hooks_lock);
      hooks = Hooks();
    }
    if (!hooks.show_modal || (hooks.showing && hooks.showing())) return;
    bool shown = false;
    try {
      shown = hooks.show_modal(message);
    } catch (...) {
      shown = false;
    }
    if (!shown) infra::LogError(L"GlobalException", L"ShowModal fail", L"", plat::LastError(), true);
  } catch (...) {
    InExceptionHandler = false;
  }
}

}  // namespace errors
