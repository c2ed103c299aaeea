// Owning pointer to a COM interface: one reference, released on reset.
#ifndef COMKIT_COMPTR_H
#define COMKIT_COMPTR_H

#include <unknwn.h>

namespace comkit {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(T* p) : p_(p) {  // adds a reference
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  ~ComPtr() { Reset(); }
  ComPtr& operator=(const ComPtr& o) {
    ComPtr(o).Swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& o) noexcept {
    ComPtr(static_cast<ComPtr&&>(o)).Swap(*this);
    return *this;
  }
  void Reset() {
    if (p_) {
      T* p = p_;
      p_ = nullptr;
      p->Release();
    }
  }
  // Takes over a reference the caller owns.
  void Attach(T* p) {
    Reset();
    p_ = p;
  }
  T* Detach() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }
  // For out parameters: releases the current pointer and exposes the slot.
  T** Receive() {
    Reset();
    return &p_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
  void Swap(ComPtr& o) noexcept {
    T* t = p_;
    p_ = o.p_;
    o.p_ = t;
  }
  // Hands out an added reference into *out.
  void CopyTo(T** out) const {
    *out = p_;
    if (p_) p_->AddRef();
  }
  template <class U>
  HRESULT As(ComPtr<U>* out) const {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(__uuidof(U), out->ReceiveVoid());
  }
  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

}  // namespace comkit

#endif  // COMKIT_COMPTR_H
