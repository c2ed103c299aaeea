// The generated OxCoreLib.tlb (copied beside this executable at build time),
// checked against the tables of expected_typelib.h.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "OxCoreLib.h"
#include "expected_typelib.h"
#include "typelib_check.h"

namespace {

std::wstring ExeDirectory() {
  wchar_t path[MAX_PATH] = {};
  const DWORD len = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, len);
  return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

// Loaded once for the whole program; the tables are read-only.
ITypeLib* GeneratedLibrary() {
  static ITypeLib* lib = [] {
    ITypeLib* loaded = nullptr;
    if (FAILED(oxtlb::LoadLibraryFile(ExeDirectory() + L"OxCoreLib.tlb", &loaded))) return static_cast<ITypeLib*>(nullptr);
    return loaded;
  }();
  return lib;
}

std::string TestName(const std::wstring& name) {
  std::string out;
  for (wchar_t c : name) out.push_back(iswalnum(c) ? static_cast<char>(c) : '_');
  return out;
}

class GeneratedTypeLib : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(lib_, nullptr) << "OxCoreLib.tlb not found beside the test executable"; }
  ITypeLib* lib_ = GeneratedLibrary();
};

TEST_F(GeneratedTypeLib, HasTheLibraryIdentity) { oxtlb::ExpectLibraryAttributes(lib_); }

TEST_F(GeneratedTypeLib, DescribesNothingBeyondTheTables) { oxtlb::ExpectNoUnexpectedTypes(lib_); }

TEST_F(GeneratedTypeLib, DescribesTheRecords) {
  for (const auto& record : oxtlb::Records()) oxtlb::ExpectRecord(lib_, record);
}

TEST_F(GeneratedTypeLib, LibidMatchesTheHeader) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(S_OK, lib_->GetLibAttr(&attr));
  EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_OxCoreLib));
  lib_->ReleaseTLibAttr(attr);
}

// The address parameters of IStringClassStorage are as wide as a pointer in
// the library as well as in the header.
TEST_F(GeneratedTypeLib, StringStorageAddressesArePointerSized) {
  oxtlb::Ref<ITypeInfo> info;
  ASSERT_EQ(S_OK, lib_->GetTypeInfoOfGuid(IID_IStringClassStorage, info.Out()));
  HREFTYPE href = 0;
  ASSERT_EQ(S_OK, info->GetRefTypeOfImplType(static_cast<UINT>(-1), &href));
  oxtlb::Ref<ITypeInfo> vtbl;
  ASSERT_EQ(S_OK, info->GetRefTypeInfo(href, vtbl.Out()));

  struct Case {
    UINT func;
    UINT param;
    bool byPointer;
  };
  const Case cases[] = {{0, 1, true}, {1, 1, false}};  // GetObjectAddress's plAddress, AddStringObject's lAddress
  for (const Case& c : cases) {
    FUNCDESC* fd = nullptr;
    ASSERT_EQ(S_OK, vtbl->GetFuncDesc(c.func, &fd));
    ASSERT_GT(fd->cParams, static_cast<SHORT>(c.param));
    const TYPEDESC* td = &fd->lprgelemdescParam[c.param].tdesc;
    if (c.byPointer) {
      EXPECT_EQ(td->vt, VT_PTR);
      if (td->vt == VT_PTR) td = td->lptdesc;
    }
    EXPECT_EQ(td->vt, sizeof(void*) == 8 ? VT_I8 : VT_I4);
    vtbl->ReleaseFuncDesc(fd);
  }
}

class InterfaceDescription : public GeneratedTypeLib,
                             public ::testing::WithParamInterface<oxtlb::ExpectedInterface> {};

TEST_P(InterfaceDescription, MatchesTheTable) { oxtlb::ExpectInterface(lib_, GetParam()); }

INSTANTIATE_TEST_SUITE_P(OxCoreLib, InterfaceDescription, ::testing::ValuesIn(oxtlb::Interfaces()),
                         [](const auto& info) { return TestName(info.param.name); });

class CoClassDescription : public GeneratedTypeLib, public ::testing::WithParamInterface<oxtlb::ExpectedCoClass> {};

TEST_P(CoClassDescription, MatchesTheTable) { oxtlb::ExpectCoClass(lib_, GetParam()); }

INSTANTIATE_TEST_SUITE_P(OxCoreLib, CoClassDescription, ::testing::ValuesIn(oxtlb::CoClasses()),
                         [](const auto& info) { return TestName(info.param.name); });

// Late binding through the library reaches the C++ methods the header
// declares: a dual object dispatched by DISPID with the library's type info.
class RecordingEnum final : public IXParamEnum {
 public:
  explicit RecordingEnum(ITypeInfo* info) : info_(info) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IXParamEnum)) {
      *out = static_cast<IXParamEnum*>(this);
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    info_->AddRef();
    *out = info_;
    return S_OK;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    return DispGetIDsOfNames(info_, names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                      UINT* argErr) override {
    return DispInvoke(this, info_, id, flags, params, result, excep, argErr);
  }

  STDMETHODIMP GetName(BSTR* pbstrName) override {
    last = L"GetName";
    *pbstrName = SysAllocString(L"child");
    return S_OK;
  }
  STDMETHODIMP GetValue(VARIANT* pVal) override {
    last = L"GetValue";
    V_VT(pVal) = VT_I4;
    V_I4(pVal) = 42;
    return S_OK;
  }
  STDMETHODIMP Next(VARIANT_BOOL* pbEOF) override {
    last = L"Next";
    *pbEOF = VARIANT_TRUE;
    return S_FALSE;
  }
  STDMETHODIMP Reset() override {
    last = L"Reset";
    return S_OK;
  }

  std::wstring last;

 private:
  ITypeInfo* info_;
};

TEST_F(GeneratedTypeLib, LateBoundCallsReachTheDeclaredMethods) {
  oxtlb::Ref<ITypeInfo> dispatchInfo;
  ASSERT_EQ(S_OK, lib_->GetTypeInfoOfGuid(IID_IXParamEnum, dispatchInfo.Out()));
  HREFTYPE href = 0;
  ASSERT_EQ(S_OK, dispatchInfo->GetRefTypeOfImplType(static_cast<UINT>(-1), &href));
  oxtlb::Ref<ITypeInfo> info;
  ASSERT_EQ(S_OK, dispatchInfo->GetRefTypeInfo(href, info.Out()));
  RecordingEnum object(info.Get());

  struct Case {
    const wchar_t* name;
    VARTYPE resultType;
  };
  const Case cases[] = {{L"GetName", VT_BSTR}, {L"GetValue", VT_I4}, {L"Next", VT_BOOL}, {L"Reset", VT_EMPTY}};
  for (const Case& c : cases) {
    SCOPED_TRACE(TestName(c.name));
    LPOLESTR name = const_cast<LPOLESTR>(c.name);
    DISPID id = DISPID_UNKNOWN;
    ASSERT_EQ(S_OK, object.GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    object.last.clear();
    EXPECT_TRUE(SUCCEEDED(
        object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result, nullptr, nullptr)));
    EXPECT_EQ(object.last, c.name);
    EXPECT_EQ(V_VT(&result), c.resultType);
    VariantClear(&result);
  }
}

}  // namespace
