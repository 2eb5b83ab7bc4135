// Owned Windows resources for the windows backend and the hook library.
//
// Unique<Traits> owns one resource (a kernel handle, registry key, icon, GDI
// object, image list, COM interface pointer, BSTR, shell item list ...) and
// closes it when it goes out of scope or is reset. Closing keeps the thread's
// last error: code that fails, lets the owner close and then returns false
// leaves the caller the error of the call that failed, not that of the close.
//
// Move-only; Out() releases what is held and gives the address for an API
// that returns a new resource through a pointer; release() gives up ownership.
// Each kind is one line of traits: its type, its "none" value and its close.
//
// Windows build only (includes <windows.h>): platform/win32 and hook/.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <oleauto.h>
#include <objbase.h>

#include <utility>

namespace plat::win32 {

template <typename Traits>
class Unique {
 public:
  using Type = typename Traits::Type;

  Unique() = default;
  explicit Unique(Type value) : value_(value) {}
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& other) noexcept : value_(other.release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~Unique() { reset(); }

  Type get() const { return value_; }
  explicit operator bool() const { return value_ != Traits::None(); }

  // Closes what is held (keeping the last error) and holds value instead.
  void reset(Type value = Traits::None()) {
    const Type old = std::exchange(value_, value);
    if (old == Traits::None()) return;
    const DWORD error = ::GetLastError();
    Traits::Close(old);
    ::SetLastError(error);
  }
  // The address to receive a new resource; what was held is closed first.
  Type* Out() {
    reset();
    return &value_;
  }
  [[nodiscard]] Type release() { return std::exchange(value_, Traits::None()); }

 private:
  Type value_ = Traits::None();
};

template <typename T, T (*NoneValue)(), void (*CloseFn)(T)>
struct Traits {
  using Type = T;
  static T None() { return NoneValue(); }
  static void Close(T value) { CloseFn(value); }
};

namespace detail {
template <typename T>
T Null() {
  return nullptr;
}
inline HANDLE InvalidHandle() { return INVALID_HANDLE_VALUE; }
inline void CloseKernel(HANDLE h) { ::CloseHandle(h); }
inline void CloseFind(HANDLE h) { ::FindClose(h); }
inline void CloseKey(HKEY k) { ::RegCloseKey(k); }
inline void CloseIcon(HICON i) { ::DestroyIcon(i); }
inline void CloseGdi(HGDIOBJ o) { ::DeleteObject(o); }
inline void CloseFont(HFONT f) { ::DeleteObject(f); }
inline void CloseBitmap(HBITMAP b) { ::DeleteObject(b); }
inline void CloseImageList(HIMAGELIST l) { ::ImageList_Destroy(l); }
inline void CloseLocal(HLOCAL m) { ::LocalFree(m); }
inline void CloseCoTaskMem(void* m) { ::CoTaskMemFree(m); }
inline void CloseBstr(BSTR b) { ::SysFreeString(b); }
inline void CloseView(void* v) { ::UnmapViewOfFile(v); }
inline void CloseModule(HMODULE m) { ::FreeLibrary(m); }
}  // namespace detail

// A kernel object handle whose "none" is null (events, threads, processes,
// tokens, mappings).
using UniqueHandle = Unique<Traits<HANDLE, detail::Null<HANDLE>, detail::CloseKernel>>;
// A file handle from CreateFileW ("none" is INVALID_HANDLE_VALUE).
using UniqueFile = Unique<Traits<HANDLE, detail::InvalidHandle, detail::CloseKernel>>;
using UniqueFind = Unique<Traits<HANDLE, detail::InvalidHandle, detail::CloseFind>>;
using UniqueKey = Unique<Traits<HKEY, detail::Null<HKEY>, detail::CloseKey>>;
using UniqueIcon = Unique<Traits<HICON, detail::Null<HICON>, detail::CloseIcon>>;
using UniqueFont = Unique<Traits<HFONT, detail::Null<HFONT>, detail::CloseFont>>;
using UniqueBitmap = Unique<Traits<HBITMAP, detail::Null<HBITMAP>, detail::CloseBitmap>>;
using UniqueImageList = Unique<Traits<HIMAGELIST, detail::Null<HIMAGELIST>, detail::CloseImageList>>;
using UniqueLocal = Unique<Traits<HLOCAL, detail::Null<HLOCAL>, detail::CloseLocal>>;
using UniqueCoTaskMem = Unique<Traits<void*, detail::Null<void*>, detail::CloseCoTaskMem>>;
using UniqueView = Unique<Traits<void*, detail::Null<void*>, detail::CloseView>>;
using UniqueModule = Unique<Traits<HMODULE, detail::Null<HMODULE>, detail::CloseModule>>;

// A BSTR: from text, or received through Out().
class UniqueBstr : public Unique<Traits<BSTR, detail::Null<BSTR>, detail::CloseBstr>> {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(const std::wstring& text)
      : Unique(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  operator BSTR() const { return get(); }
  std::wstring Text() const { return get() ? std::wstring(get(), ::SysStringLen(get())) : std::wstring(); }
};

// A counted COM interface pointer; the close is Release.
template <typename T>
struct ComTraits {
  using Type = T*;
  static T* None() { return nullptr; }
  static void Close(T* p) { p->Release(); }
};
template <typename T>
class ComPtr : public Unique<ComTraits<T>> {
 public:
  using Unique<ComTraits<T>>::Unique;
  T* operator->() const { return this->get(); }
};

}  // namespace plat::win32
