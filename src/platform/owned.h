// Owned seam resources for logic code: plat:: handles, shell links, item
// lists, task objects, loaded libraries.
//
// Owned<T, Close, None> holds one resource number and gives it to Close when
// it goes out of scope or is reset. Closing keeps the thread's last error
// (plat::LastError), so a function that fails and lets its resources go
// still leaves its caller the error of the call that failed. None (0 unless
// given) is held by an empty owner and never closed. Move-only; Out() closes what is held and gives the
// address for a seam call that returns a new resource through a pointer;
// release() gives up ownership.
//
// Each seam header that hands out a resource names its owner next to the
// close function (OwnedShellLink in shell_link.h, OwnedItemId in
// shell_browse.h, ...). The windows backend has its own template for Windows
// types (platform/win32/unique.h).
#pragma once
#include <utility>

#include "platform/system.h"

namespace plat {

template <typename T, auto Close, T None = T{}>
class Owned {
 public:
  Owned() = default;
  explicit Owned(T value) : value_(value) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : value_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~Owned() { reset(); }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != None; }

  // Closes what is held (keeping the last error) and holds value instead.
  void reset(T value = None) {
    const T old = std::exchange(value_, value);
    if (old == None) return;
    const std::uint32_t error = LastError();
    Close(old);
    SetLastError(error);
  }
  T* Out() {
    reset();
    return &value_;
  }
  [[nodiscard]] T release() { return std::exchange(value_, None); }

 private:
  T value_ = None;
};

}  // namespace plat
