// Owners of the GDI objects, device contexts and thread handles of the
// application. Move-only; each frees its handle once.
#pragma once

#include <windows.h>

#include <utility>

template <typename Traits>
class Owned {
 public:
  using Type = typename Traits::Type;
  Owned() = default;
  explicit Owned(Type handle) : handle_(handle) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Type{})) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, Type{});
    }
    return *this;
  }
  ~Owned() { Reset(); }

  explicit operator bool() const { return handle_ != Type{}; }
  Type Get() const { return handle_; }
  void Reset() {
    if (handle_ != Type{}) Traits::Close(handle_);
    handle_ = Type{};
  }

 private:
  Type handle_{};
};

template <typename T>
struct GdiObjectTraits {
  using Type = T;
  static void Close(T object) { DeleteObject(object); }
};

struct MemoryDcTraits {
  using Type = HDC;
  static void Close(HDC dc) { DeleteDC(dc); }
};

struct ThreadHandleTraits {
  using Type = HANDLE;
  static void Close(HANDLE handle) { CloseHandle(handle); }
};

using FontHandle = Owned<GdiObjectTraits<HFONT>>;
using BitmapHandle = Owned<GdiObjectTraits<HBITMAP>>;
using MemoryDc = Owned<MemoryDcTraits>;    // from CreateCompatibleDC
using ThreadHandle = Owned<ThreadHandleTraits>;

// Selects an object into a device context and selects the previous one
// back when it goes out of scope, so no DC is deleted holding our bitmap.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;
  ~ScopedSelect() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};
