// Shared pieces of the XParam object tests: an owned BSTR, a suite fixture
// that takes the process core from OxCore.dll and binds xparam.dll through
// Init, and a counting COM object to watch references.
#ifndef OXCORE_TESTS_XPARAMOBJ_XPARAMTESTSUPPORT_H
#define OXCORE_TESTS_XPARAMOBJ_XPARAMTESTSUPPORT_H

#include <windows.h>
#include <oleauto.h>

#include <string>

#include <gtest/gtest.h>

#include "OxCoreLib.h"

namespace xpotest {

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* s) : s_(SysAllocString(s)) {}
  Bstr(const wchar_t* s, UINT n) : s_(SysAllocStringLen(s, n)) {}
  ~Bstr() { SysFreeString(s_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  operator BSTR() const { return s_; }
  BSTR* Out() {
    SysFreeString(s_);
    s_ = nullptr;
    return &s_;
  }
  std::wstring Str() const { return std::wstring(s_ ? s_ : L"", SysStringLen(s_)); }

 private:
  BSTR s_ = nullptr;
};

using GetOxCoreFn = HRESULT(STDAPICALLTYPE*)(IOxCore**);
using DllGetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

class XParamSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    HMODULE lib = LoadLibraryW(L"OxCore.dll");
    ASSERT_NE(nullptr, lib);
    auto get = reinterpret_cast<GetOxCoreFn>(reinterpret_cast<void*>(GetProcAddress(lib, "GetOxCore")));
    getClass_ =
        reinterpret_cast<DllGetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(lib, "DllGetClassObject")));
    ASSERT_NE(nullptr, get);
    ASSERT_NE(nullptr, getClass_);
    ASSERT_EQ(S_OK, get(&core_));
    ASSERT_EQ(S_OK, core_->Init(nullptr));
  }
  static void TearDownTestSuite() {
    if (core_) {
      core_->Uninit();
      core_->Release();
      core_ = nullptr;
    }
  }

  static IXParam* Make() {
    IXParam* x = nullptr;
    EXPECT_EQ(S_OK, core_->OxCreateXParam(&x));
    return x;
  }
  static IClassFactory* Factory(REFCLSID clsid) {
    IClassFactory* f = nullptr;
    EXPECT_EQ(S_OK, getClass_(clsid, IID_IClassFactory, reinterpret_cast<void**>(&f)));
    return f;
  }
  static LONG Count(IXParam* x) {
    LONG n = -1;
    EXPECT_EQ(S_OK, x->GetChildrenCount(&n));
    return n;
  }
  static std::wstring Name(IXParam* x) {
    Bstr name;
    EXPECT_EQ(S_OK, x->GetName(name.Out()));
    return name.Str();
  }

  inline static IOxCore* core_ = nullptr;
  inline static DllGetClassObjectFn getClass_ = nullptr;
};

// An IUnknown that only counts; lives on the stack of a test.
class Counted : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown)) return E_NOINTERFACE;
    *ppv = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
  STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
  virtual ~Counted() = default;
  LONG refs = 1;
};

}  // namespace xpotest

#endif  // OXCORE_TESTS_XPARAMOBJ_XPARAMTESTSUPPORT_H
