// Owners of COM and Win32 resources for the capture library. Every holder
// is non-copyable; a resource leaves one only through Detach.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <strmif.h>

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
