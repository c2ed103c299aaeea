// Checks of a loaded type library against the tables of expected_typelib.h.
// Each check reports through GoogleTest assertions (non-fatal where the rest
// of the walk still makes sense), so tests can run them on any ITypeLib: the
// generated .tlb or the library embedded in OxCore.dll.
#ifndef OXCORE_TESTS_IDL_TYPELIB_CHECK_H
#define OXCORE_TESTS_IDL_TYPELIB_CHECK_H

#include <windows.h>
#include <oaidl.h>

#include <ostream>
#include <string>

#include "expected_typelib.h"

namespace oxtlb {

// Holds one COM reference.
template <class T>
class Ref {
 public:
  Ref() = default;
  ~Ref() { Reset(); }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;

  T** Out() {
    Reset();
    return &p_;
  }
  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

// Test parameters print as their names.
void PrintTo(const ExpectedInterface& value, std::ostream* os);
void PrintTo(const ExpectedCoClass& value, std::ostream* os);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", as StringFromGUID2 writes it.
std::wstring GuidText(const GUID& guid);

// A parameter, return or field type in the notation of expected_typelib.h.
std::wstring TypeText(ITypeInfo* context, const TYPEDESC& desc);

// The name of a type info (GetDocumentation(MEMBERID_NIL)).
std::wstring TypeInfoName(ITypeInfo* info);

// Loads a .tlb or a module's embedded library without touching the registry.
HRESULT LoadLibraryFile(const std::wstring& path, ITypeLib** lib);

// Name, LIBID, version and SYSKIND.
void ExpectLibraryAttributes(ITypeLib* lib, const ExpectedLibrary& expected = Library());

// Kind, flags, base and every member in vtable order: name, DISPID, invoke
// kind, vtable offset, parameter types, directions and names. For a dual
// interface both the dispatch type info and its interface part are checked,
// and every DISPID is resolved by name through the dispatch type info.
void ExpectInterface(ITypeLib* lib, const ExpectedInterface& expected);

// Kind, creatable flag and [default] interface.
void ExpectCoClass(ITypeLib* lib, const ExpectedCoClass& expected);

// Size, field names, offsets and types.
void ExpectRecord(ITypeLib* lib, const ExpectedRecord& expected);

// No interface, dispinterface or coclass beyond those of the tables.
void ExpectNoUnexpectedTypes(ITypeLib* lib);

}  // namespace oxtlb

#endif  // OXCORE_TESTS_IDL_TYPELIB_CHECK_H
