#pragma once

// Owners of Win32 resources. Each kind names its own invalid value and release function:
// CreateFileW fails with INVALID_HANDLE_VALUE while CreateEventW, OpenProcess and most others
// fail with null, so one handle type for both would close or keep the wrong value.

#include <objbase.h>
#include <windows.h>

#include <utility>

namespace tgw::win32 {

// Owns one resource described by Traits (its Pointer type, Invalid() value and Close()).
// Move-only; releases the resource when destroyed.
template <typename Traits>
class UniqueResource {
 public:
  using Pointer = typename Traits::Pointer;

  UniqueResource() noexcept = default;
  explicit UniqueResource(Pointer value) noexcept : value_(value) {}
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  ~UniqueResource() { reset(); }

  Pointer get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }

  // Gives up ownership without releasing.
  Pointer release() noexcept { return std::exchange(value_, Traits::Invalid()); }
  // Releases the resource held, if any, and takes `value`.
  void reset(Pointer value = Traits::Invalid()) noexcept {
    const Pointer old = std::exchange(value_, value);
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  // For an API's out parameter: releases what is held and returns the place to store into.
  Pointer* put() noexcept {
    reset();
    return &value_;
  }

 private:
  Pointer value_ = Traits::Invalid();
};

namespace detail {

struct FileHandleTraits {
  using Pointer = HANDLE;
  static Pointer Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Pointer handle) noexcept { ::CloseHandle(handle); }
};

// A resource whose failure value is null, released by the function `Release`.
template <typename Handle, auto Release>
struct NullIsInvalid {
  using Pointer = Handle;
  static Pointer Invalid() noexcept { return nullptr; }
  static void Close(Pointer value) noexcept { Release(value); }
};

}  // namespace detail

// A handle from CreateFileW (invalid: INVALID_HANDLE_VALUE), closed with CloseHandle.
using UniqueFile = UniqueResource<detail::FileHandleTraits>;
// A kernel handle whose failure value is null (process, thread, event, mutex, file mapping),
// closed with CloseHandle.
using UniqueHandle = UniqueResource<detail::NullIsInvalid<HANDLE, &::CloseHandle>>;
// Memory the shell or COM hands out (SHGetKnownFolderPath, IShellItem::GetDisplayName),
// freed with CoTaskMemFree.
template <typename T>
using UniqueCoTaskMem = UniqueResource<detail::NullIsInvalid<T*, &::CoTaskMemFree>>;

// A GDI object the program made (CreateFontW, CreateSolidBrush, CreatePen, CreateCompatibleBitmap,
// LoadImageW of a bitmap without LR_SHARED), deleted with DeleteObject. Not for stock objects.
template <typename Handle>
using UniqueGdiObject = UniqueResource<detail::NullIsInvalid<Handle, &::DeleteObject>>;
using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniquePen = UniqueGdiObject<HPEN>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;
// A device context from CreateCompatibleDC, deleted with DeleteDC (not one from GetDC or
// BeginPaint).
using UniqueMemoryDc = UniqueResource<detail::NullIsInvalid<HDC, &::DeleteDC>>;
// An icon the program owns (LoadIconWithScaleDown, LoadImageW without LR_SHARED), destroyed with
// DestroyIcon.
using UniqueIcon = UniqueResource<detail::NullIsInvalid<HICON, &::DestroyIcon>>;

// Holds one reference to a COM object.
template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  // Adopts a reference the caller already owns.
  explicit ComPtr(T* adopted) noexcept : pointer_(adopted) {}
  ComPtr(const ComPtr& other) noexcept : pointer_(other.pointer_) {
    if (pointer_ != nullptr) pointer_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const noexcept { return pointer_; }
  T* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }

  void reset() noexcept {
    if (T* old = std::exchange(pointer_, nullptr)) old->Release();
  }
  // For CoCreateInstance / QueryInterface: IID_PPV_ARGS(pointer.put()).
  T** put() noexcept {
    reset();
    return &pointer_;
  }

 private:
  T* pointer_ = nullptr;
};

}  // namespace tgw::win32
