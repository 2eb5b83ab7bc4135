// GlobalException: the handler for exceptions that reach the message loop.
// It writes the global error log and, on the main thread, shows the error
// dialog; an exception that arrives during a log call or on another thread is
// recorded but never shown.
#pragma once
#include <atomic>
#include <exception>
#include <functional>
#include <string>

#include "platform/types.h"

namespace errors {

// True while GlobalException handles an exception on the main thread; a
// nested call returns at once. Owned by GlobalException, written on the main
// thread, read by any thread.
extern std::atomic<bool> InExceptionHandler;

// The identifier of the thread that started the program (taken at start-up).
void SetMainThreadIdAtStart(plat::ThreadId id);
plat::ThreadId MainThreadIdAtStart();

// The error dialog, installed by the forms layer: `showing` tells whether it
// is visible or modal now; `show_modal` puts the message into it and shows it
// modally, returning false when it could not be shown. Without a dialog the
// handler only records.
struct ErrorDialogHooks {
  std::function<bool()> showing;
  std::function<bool(const std::wstring& message)> show_modal;
};
void SetErrorDialogHooks(ErrorDialogHooks hooks);

// Handles one exception (std::current_exception() in a catch clause).
// Never throws.
void GlobalException(const std::exception_ptr& e);

}  // namespace errors
