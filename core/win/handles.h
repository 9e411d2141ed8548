// Owners of the Windows handles the program opens: one move-only template,
// and per kind of handle a small traits type that names its "no handle"
// value and the call that frees it.
#pragma once

#include <windows.h>

#include <utility>

#include "core/win/system_dlls.h"

template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;
  UniqueHandle() = default;
  explicit UniqueHandle(Type handle) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, Traits::Invalid());
    }
    return *this;
  }
  ~UniqueHandle() { Reset(); }

  explicit operator bool() const { return handle_ != Traits::Invalid(); }
  Type Get() const { return handle_; }
  // Frees the handle now; WinINet wants a request closed before its root.
  void Reset() {
    if (handle_ != Traits::Invalid()) Traits::Close(handle_);
    handle_ = Traits::Invalid();
  }

 private:
  Type handle_ = Traits::Invalid();
};

struct FileTraits {  // CreateFile
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { CloseHandle(h); }
};

struct FindTraits {  // FindFirstFile
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { FindClose(h); }
};

struct ThreadTraits {  // CreateThread, CreateProcess: null when absent
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { CloseHandle(h); }
};

struct DevInfoListTraits {  // SetupDiGetClassDevs
  using Type = HDEVINFO;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { sysdll::SetupDiDestroyDeviceInfoList(h); }
};

struct InternetTraits {  // InternetOpen, InternetOpenUrl
  using Type = HINTERNET;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { sysdll::InternetCloseHandle(h); }
};

template <typename T>
struct GdiObjectTraits {  // fonts, bitmaps
  using Type = T;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { DeleteObject(h); }
};

struct MemoryDcTraits {  // CreateCompatibleDC
  using Type = HDC;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { DeleteDC(h); }
};

using FileHandle = UniqueHandle<FileTraits>;
using FindHandle = UniqueHandle<FindTraits>;
using ThreadHandle = UniqueHandle<ThreadTraits>;
using ProcessHandle = UniqueHandle<ThreadTraits>;
using DevInfoList = UniqueHandle<DevInfoListTraits>;
using InternetHandle = UniqueHandle<InternetTraits>;
using FontHandle = UniqueHandle<GdiObjectTraits<HFONT>>;
using BitmapHandle = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using MemoryDc = UniqueHandle<MemoryDcTraits>;

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
