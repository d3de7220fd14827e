// Owners for the platform handles the main program keeps. Each one closes
// exactly what it was given and cannot be copied.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <utility>

// A GDI object (brush, font, pen, bitmap) deleted when the owner goes.
template <typename T>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(T handle) : handle_(handle) {}
  ~GdiObject() { Reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  void Reset(T handle = nullptr) {
    if (handle_) DeleteObject(handle_);
    handle_ = handle;
  }
  T Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  T handle_ = nullptr;
};

// An icon loaded without LR_SHARED, destroyed when the owner goes.
class IconHandle {
 public:
  IconHandle() = default;
  ~IconHandle() { Reset(); }
  IconHandle(const IconHandle&) = delete;
  IconHandle& operator=(const IconHandle&) = delete;
  void Reset(HICON icon = nullptr) {
    if (icon_) DestroyIcon(icon_);
    icon_ = icon;
  }
  HICON Get() const { return icon_; }
  explicit operator bool() const { return icon_ != nullptr; }

 private:
  HICON icon_ = nullptr;
};

// Selects an object into a device context and puts the previous one back.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ~SelectGuard() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A window's device context from GetDC / GetWindowDC, released at the end.
class WindowDc {
 public:
  explicit WindowDc(HWND window, bool wholeWindow = false)
      : window_(window), dc_(wholeWindow ? GetWindowDC(window) : GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint / EndPaint.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window) { dc_ = BeginPaint(window, &ps_); }
  ~PaintDc() { EndPaint(window_, &ps_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// A memory device context, deleted at the end.
class MemoryDc {
 public:
  explicit MemoryDc(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
  ~MemoryDc() {
    if (dc_) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// A library loaded with LoadLibrary, freed when the owner goes.
class ModuleHandle {
 public:
  ModuleHandle() = default;
  explicit ModuleHandle(HMODULE module) : module_(module) {}
  ~ModuleHandle() { Reset(); }
  ModuleHandle(const ModuleHandle&) = delete;
  ModuleHandle& operator=(const ModuleHandle&) = delete;
  void Reset(HMODULE module = nullptr) {
    if (module_) FreeLibrary(module_);
    module_ = module;
  }
  HMODULE Get() const { return module_; }
  explicit operator bool() const { return module_ != nullptr; }

 private:
  HMODULE module_ = nullptr;
};

// A kernel handle closed with CloseHandle when the owner goes. Files and
// devices use INVALID_HANDLE_VALUE for "none", every other object null.
template <bool kFileLike>
class KernelHandleOwner {
 public:
  static HANDLE None() { return kFileLike ? INVALID_HANDLE_VALUE : nullptr; }
  KernelHandleOwner() = default;
  explicit KernelHandleOwner(HANDLE handle) : handle_(handle) {}
  ~KernelHandleOwner() { Reset(); }
  KernelHandleOwner(const KernelHandleOwner&) = delete;
  KernelHandleOwner& operator=(const KernelHandleOwner&) = delete;
  void Reset(HANDLE handle = None()) {
    if (handle_ != None() && handle_ != nullptr) CloseHandle(handle_);
    handle_ = handle;
  }
  HANDLE Get() const { return handle_; }
  explicit operator bool() const { return handle_ != None() && handle_ != nullptr; }

 private:
  HANDLE handle_ = None();
};
using KernelHandle = KernelHandleOwner<false>;  // events, threads, mutexes
using FileHandle = KernelHandleOwner<true>;     // files and devices

// COM on the calling thread for as long as the guard lives; uninitialised
// only when the initialisation succeeded (S_FALSE included: the thread had
// it already, the count is balanced all the same).
class ComInit {
 public:
  explicit ComInit(DWORD apartment = COINIT_APARTMENTTHREADED) : result_(CoInitializeEx(nullptr, apartment)) {}
  ~ComInit() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;
  // COM can be used: initialised here, or before in another apartment.
  bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};
