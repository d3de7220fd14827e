// Owners of the platform's handles, GDI objects, COM references and
// memory blocks, shared by the program, the capture library and the tools.
// Each one closes exactly what it was given and cannot be copied; a
// resource leaves an owner only through Detach.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <strmif.h>

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
  bool Usable() const { return SUCCEEDED(Result()); }
  // S_OK or S_FALSE when COM can be used (a thread in the other apartment
  // can still make calls), else the error of the initialisation.
  HRESULT Result() const { return result_ == RPC_E_CHANGED_MODE ? S_OK : result_; }

 private:
  HRESULT result_;
};

// A counted interface reference.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : ptr_(other.Detach()) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      ptr_ = other.Detach();
    }
    return *this;
  }

  // Takes a reference of its own to p.
  static ComPtr Share(T* p) {
    ComPtr result;
    if (p) p->AddRef();
    result.ptr_ = p;
    return result;
  }

  T* Get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }

  // For functions that return a new reference through T**.
  T** Put() {
    Reset();
    return &ptr_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  T* Detach() {
    T* p = ptr_;
    ptr_ = nullptr;
    return p;
  }
  void Reset() {
    if (ptr_) {
      T* p = ptr_;
      ptr_ = nullptr;
      p->Release();
    }
  }

 private:
  T* ptr_ = nullptr;
};

// Memory from CoTaskMemAlloc, freed with CoTaskMemFree.
template <class T>
class CoTaskMemPtr {
 public:
  CoTaskMemPtr() = default;
  ~CoTaskMemPtr() { Reset(); }
  CoTaskMemPtr(const CoTaskMemPtr&) = delete;
  CoTaskMemPtr& operator=(const CoTaskMemPtr&) = delete;

  T* Get() const { return ptr_; }
  T** Put() {
    Reset();
    return &ptr_;
  }
  T* Detach() {
    T* p = ptr_;
    ptr_ = nullptr;
    return p;
  }
  void Reset() {
    CoTaskMemFree(ptr_);
    ptr_ = nullptr;
  }

 private:
  T* ptr_ = nullptr;
};

// Frees the format block and the interface of a media type record.
inline void FreeMediaTypeContent(AM_MEDIA_TYPE& type) {
  if (type.cbFormat != 0) CoTaskMemFree(type.pbFormat);
  type.cbFormat = 0;
  type.pbFormat = nullptr;
  if (type.pUnk) {
    type.pUnk->Release();
    type.pUnk = nullptr;
  }
}

// A media type record allocated by DirectShow (GetFormat, GetStreamCaps,
// enumerators): frees the format block and the record itself.
class MediaTypePtr {
 public:
  MediaTypePtr() = default;
  ~MediaTypePtr() { Reset(); }
  MediaTypePtr(const MediaTypePtr&) = delete;
  MediaTypePtr& operator=(const MediaTypePtr&) = delete;

  AM_MEDIA_TYPE* Get() const { return type_; }
  AM_MEDIA_TYPE* operator->() const { return type_; }
  AM_MEDIA_TYPE** Put() {
    Reset();
    return &type_;
  }
  void Reset() {
    if (type_) {
      FreeMediaTypeContent(*type_);
      CoTaskMemFree(type_);
      type_ = nullptr;
    }
  }

 private:
  AM_MEDIA_TYPE* type_ = nullptr;
};

// A VARIANT that is cleared when it goes.
class Variant {
 public:
  Variant() = default;
  ~Variant() { VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  VARIANT* Get() { return &value_; }
  const VARIANT& Value() const { return value_; }
  // Empty, every byte 0: no pointer is left over from what it held.
  void Clear() {
    VariantClear(&value_);
    value_ = VARIANT{};
  }
  // Empty and typed as text, for a property bag to read into: some systems
  // free the string such a variant already holds, so its pointer is null.
  VARIANT* ForString() {
    Clear();
    value_.vt = VT_BSTR;
    value_.bstrVal = nullptr;
    return &value_;
  }
  // Hands the string of a VT_BSTR variant over to the caller.
  BSTR DetachString() {
    if (value_.vt != VT_BSTR) return nullptr;
    BSTR s = value_.bstrVal;
    value_.vt = VT_EMPTY;
    value_.bstrVal = nullptr;
    return s;
  }

 private:
  VARIANT value_ = {};  // VT_EMPTY
};

// A BSTR, freed with SysFreeString.
class Bstr {
 public:
  Bstr() = default;
  ~Bstr() { Reset(); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  const WCHAR* Get() const { return text_ ? text_ : L""; }
  void Attach(BSTR text) {
    Reset();
    text_ = text;
  }
  void Reset() {
    SysFreeString(text_);
    text_ = nullptr;
  }

 private:
  BSTR text_ = nullptr;
};

// An activation context (CreateActCtx), released when the owner goes.
class ActivationContext {
 public:
  explicit ActivationContext(HANDLE context) : context_(context) {}
  ~ActivationContext() {
    if (context_ != INVALID_HANDLE_VALUE) ReleaseActCtx(context_);
  }
  ActivationContext(const ActivationContext&) = delete;
  ActivationContext& operator=(const ActivationContext&) = delete;
  HANDLE Get() const { return context_; }
  explicit operator bool() const { return context_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE context_;
};

// A registry key closed when the owner goes.
class RegKey {
 public:
  RegKey() = default;
  ~RegKey() {
    if (key_) RegCloseKey(key_);
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  HKEY Get() const { return key_; }
  HKEY* Put() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

// A global memory block freed unless it is handed on (to the clipboard).
class GlobalBlock {
 public:
  explicit GlobalBlock(HGLOBAL block) : block_(block) {}
  ~GlobalBlock() {
    if (block_) GlobalFree(block_);
  }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;
  HGLOBAL Get() const { return block_; }
  HGLOBAL Detach() {
    HGLOBAL b = block_;
    block_ = nullptr;
    return b;
  }

 private:
  HGLOBAL block_;
};

// A locked global memory block, unlocked when the lock goes.
class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HGLOBAL block) : block_(block), bytes_(static_cast<BYTE*>(GlobalLock(block))) {}
  ~GlobalLockGuard() {
    if (bytes_) GlobalUnlock(block_);
  }
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
  BYTE* Bytes() const { return bytes_; }

 private:
  HGLOBAL block_;
  BYTE* bytes_;
};

// The clipboard, opened for `owner` (or no window) and closed when the
// session goes.
class ClipboardSession {
 public:
  explicit ClipboardSession(HWND owner = nullptr) : open_(OpenClipboard(owner) != FALSE) {}
  ~ClipboardSession() {
    if (open_) CloseClipboard();
  }
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_;
};

// A critical section, initialised and deleted with its owner.
class CriticalSection {
 public:
  CriticalSection() { InitializeCriticalSection(&section_); }
  ~CriticalSection() { DeleteCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  CRITICAL_SECTION* Get() { return &section_; }

 private:
  CRITICAL_SECTION section_;
};

// Holds a critical section for as long as the lock lives.
class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CRITICAL_SECTION* section) : section_(section) { EnterCriticalSection(section_); }
  ~CriticalSectionLock() { LeaveCriticalSection(section_); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CRITICAL_SECTION* section_;
};
