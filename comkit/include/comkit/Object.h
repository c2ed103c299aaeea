// COM objects without hand-written IUnknown code.
//
// A class derives from the interfaces it implements and from ObjectBase,
// lists its interfaces with the COMKIT_INTERFACES macros, and is created
// through Object<T>::Create, which supplies an interlocked reference count,
// the QueryInterface table walk and aggregation (an inner, non-delegating
// unknown and delegation to the outer unknown).
//
//   class CThing : public comkit::ObjectBase, public IThing {
//    public:
//     COMKIT_INTERFACES(CThing)
//       COMKIT_INTERFACE(IThing)
//     COMKIT_END_INTERFACES()
//     ...
//   };
//   comkit::Object<CThing>::Create(nullptr, IID_IThing, &pv);
#ifndef COMKIT_OBJECT_H
#define COMKIT_OBJECT_H

#include <windows.h>
#include <unknwn.h>

#include <cstddef>
#include <new>

#include "comkit/Module.h"

namespace comkit {

struct InterfaceEntry {
  const IID* iid;  // null ends the table
  std::ptrdiff_t offset;  // from the object to the interface
};

// Finds iid in a table; IID_IUnknown answers the first entry.
HRESULT QueryInterfaceTable(void* self, const InterfaceEntry* table, REFIID iid, void** ppv);

template <class Class, class Itf>
std::ptrdiff_t InterfaceOffset() {
  // Any non-null address works for the pointer adjustment.
  Class* probe = reinterpret_cast<Class*>(0x1000);
  return reinterpret_cast<char*>(static_cast<Itf*>(probe)) - reinterpret_cast<char*>(probe);
}

// Hooks every COM class may override (hidden by name, not virtual).
class ObjectBase {
 public:
  // Runs after construction with the object's reference count at one; a
  // failure destroys the object and is answered by Create.
  HRESULT FinalConstruct() { return S_OK; }
  // Runs before destruction, while the object is still whole.
  void FinalRelease() {}

 protected:
  // The controlling unknown: the outer object when aggregated, else this one.
  IUnknown* ControllingUnknown() const { return controlling_; }

 private:
  template <class T>
  friend class Object;
  IUnknown* controlling_ = nullptr;
};

// Holds one module lock for an object's whole life. As the first base of
// Object<T> it is constructed before and destroyed after the class, so the
// module stays locked until the class's destructor has finished.
class ModuleLockHolder {
 protected:
  ModuleLockHolder() { Module::Lock(); }
  ~ModuleLockHolder() { Module::Unlock(); }
  ModuleLockHolder(const ModuleLockHolder&) = delete;
  ModuleLockHolder& operator=(const ModuleLockHolder&) = delete;
};

template <class T>
class Object final : private ModuleLockHolder, public T {
 public:
  // Creates an object, plain (outer null) or aggregated (outer set; iid must
  // then be IID_IUnknown and *ppv receives the inner unknown).
  template <class... Args>
  static HRESULT Create(IUnknown* outer, REFIID iid, void** ppv, Args&&... args) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    Object* obj = new (std::nothrow) Object(outer, static_cast<Args&&>(args)...);
    if (!obj) return E_OUTOFMEMORY;
    obj->inner_.AddRef();  // keeps the object alive through FinalConstruct
    HRESULT hr = obj->T::FinalConstruct();
    if (SUCCEEDED(hr)) hr = obj->inner_.QueryInterface(iid, ppv);
    obj->inner_.Release();
    return hr;
  }

  // Creates a plain object and hands out the object pointer itself, with one
  // reference, for callers inside the module that need its C++ members.
  template <class... Args>
  static HRESULT CreateInstance(Object** out, Args&&... args) {
    if (!out) return E_POINTER;
    *out = nullptr;
    Object* obj = new (std::nothrow) Object(nullptr, static_cast<Args&&>(args)...);
    if (!obj) return E_OUTOFMEMORY;
    obj->inner_.AddRef();
    HRESULT hr = obj->T::FinalConstruct();
    if (FAILED(hr)) {
      obj->inner_.Release();
      return hr;
    }
    *out = obj;
    return S_OK;
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
    return this->controlling_->QueryInterface(iid, ppv);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return this->controlling_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return this->controlling_->Release(); }

 private:
  // The non-delegating unknown. An aggregated object answers IID_IUnknown
  // with it; a plain one with the first interface of its table, so the
  // identity pointer is the same whichever interface is asked.
  class Inner final : public IUnknown {
   public:
    explicit Inner(Object* self) : self_(self) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
      if (!ppv) return E_POINTER;
      if (self_->outer_ && IsEqualIID(iid, IID_IUnknown)) {
        *ppv = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
      }
      // Table offsets are taken from T, which need not start the object.
      return QueryInterfaceTable(static_cast<T*>(self_), T::InterfaceTable(), iid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
      LONG left = InterlockedDecrement(&refs_);
      if (left == 0) {
        // Guards against re-entrant release during teardown.
        refs_ = 1;
        self_->T::FinalRelease();
        delete self_;
      }
      return static_cast<ULONG>(left);
    }
    LONG refs_ = 0;

   private:
    Object* self_;
  };

  template <class... Args>
  explicit Object(IUnknown* outer, Args&&... args) : T(static_cast<Args&&>(args)...), inner_(this), outer_(outer) {
    this->controlling_ = outer ? outer : static_cast<IUnknown*>(&inner_);
  }

  Inner inner_;
  IUnknown* outer_;
};

}  // namespace comkit

#define COMKIT_INTERFACES(Class)                                  \
  using ComkitSelf = Class;                                       \
  static const ::comkit::InterfaceEntry* InterfaceTable() {       \
    static const ::comkit::InterfaceEntry entries[] = {
// An interface answered for its own IID.
#define COMKIT_INTERFACE(Itf) {&__uuidof(Itf), ::comkit::InterfaceOffset<ComkitSelf, Itf>()},
// An IID answered with another interface of the class (e.g. IDispatch by a dual).
#define COMKIT_INTERFACE_AS(iidPtr, Itf) {iidPtr, ::comkit::InterfaceOffset<ComkitSelf, Itf>()},
#define COMKIT_END_INTERFACES() \
  { nullptr, 0 }                \
  }                             \
  ;                             \
  return entries;               \
  }

#endif  // COMKIT_OBJECT_H
