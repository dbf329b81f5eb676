// One owner template for everything the platform hands out, and the handful
// of owners built on it. Releasing keeps GetLastError as it was, so that a
// cleanup on a failure path never hides the failure's own code.
#pragma once

#include <utility>

#include "platform/Syscalls.h"

namespace karvo {

template <class Traits>
class UniqueAny {
 public:
  using pointer = typename Traits::type;

  UniqueAny() = default;
  explicit UniqueAny(pointer v) : v_(v) {}
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& o) noexcept : v_(o.release()) {}
  UniqueAny& operator=(UniqueAny&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  ~UniqueAny() { reset(); }

  pointer get() const { return v_; }
  explicit operator bool() const { return v_ != Traits::invalid(); }
  pointer release() { return std::exchange(v_, Traits::invalid()); }
  void reset(pointer n = Traits::invalid()) {
    pointer old = std::exchange(v_, n);
    if (old != Traits::invalid()) {
      DWORD err = ::GetLastError();
      Traits::close(old);
      ::SetLastError(err);
    }
  }

 private:
  pointer v_ = Traits::invalid();
};

struct HandleTraits {
  using type = HANDLE;
  static HANDLE invalid() { return nullptr; }
  static void close(HANDLE h) { Sys().CloseHandle(h); }
};

struct ViewTraits {
  using type = void*;
  static void* invalid() { return nullptr; }
  static void close(void* p) { Sys().UnmapViewOfFile(p); }
};

struct BstrTraits {
  using type = BSTR;
  static BSTR invalid() { return nullptr; }
  static void close(BSTR b) { Sys().SysFreeString(b); }
};

using UniqueHandle = UniqueAny<HandleTraits>;
using UniqueView = UniqueAny<ViewTraits>;
using UniqueBstr = UniqueAny<BstrTraits>;

// A VARIANT that is cleared when it goes.
class UniqueVariant {
 public:
  UniqueVariant() { Sys().VariantInit(&v_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { clear(); }
  void clear() {
    DWORD err = ::GetLastError();
    Sys().VariantClear(&v_);
    ::SetLastError(err);
  }
  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARIANT* operator->() { return &v_; }
  VARIANT release() {
    VARIANT out = v_;
    Sys().VariantInit(&v_);
    return out;
  }

 private:
  VARIANT v_;
};

// A COM interface pointer: one reference, given back when the owner goes.
// put() hands the slot to a call that returns a fresh reference.
template <class T>
class UniqueCom {
 public:
  UniqueCom() = default;
  explicit UniqueCom(T* p) : p_(p) {}
  UniqueCom(const UniqueCom&) = delete;
  UniqueCom& operator=(const UniqueCom&) = delete;
  UniqueCom(UniqueCom&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  UniqueCom& operator=(UniqueCom&& o) noexcept {
    if (this != &o) reset(std::exchange(o.p_, nullptr));
    return *this;
  }
  ~UniqueCom() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() {
    reset();
    return &p_;
  }
  void reset(T* n = nullptr) {
    T* old = std::exchange(p_, n);
    if (old != nullptr) {
      DWORD err = ::GetLastError();
      old->Release();
      ::SetLastError(err);
    }
  }
  // Another interface of the same object; empty when it has none.
  template <class U>
  UniqueCom<U> As(REFIID iid) const {
    UniqueCom<U> out;
    if (p_ != nullptr && FAILED(p_->QueryInterface(iid, reinterpret_cast<void**>(out.put())))) out.reset();
    return out;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace karvo
