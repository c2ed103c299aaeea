// The core object as the host sees it: OxCore.dll loaded by name, the core
// taken with GetOxCore, classes taken from DllGetClassObject.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "OxCoreLib.h"
#include "TempDir.h"

namespace {

using GetOxCoreFn = HRESULT(STDAPICALLTYPE*)(IOxCore**);
using DllGetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

class CoreTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    lib_ = LoadLibraryW(L"OxCore.dll");
    ASSERT_NE(nullptr, lib_);
    getCore_ = reinterpret_cast<GetOxCoreFn>(reinterpret_cast<void*>(GetProcAddress(lib_, "GetOxCore")));
    getClass_ =
        reinterpret_cast<DllGetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(lib_, "DllGetClassObject")));
  }

  void SetUp() override {
    ASSERT_NE(nullptr, getCore_);
    ASSERT_NE(nullptr, getClass_);
    ASSERT_EQ(S_OK, getCore_(&core_));
  }
  void TearDown() override {
    if (core_) {
      core_->Uninit();  // leave the process core as the next test expects it
      core_->Release();
    }
  }

  IClassFactory* CoreFactory() {
    IClassFactory* f = nullptr;
    EXPECT_EQ(S_OK, getClass_(CLSID_OxCore, IID_IClassFactory, reinterpret_cast<void**>(&f)));
    return f;
  }

  static HMODULE lib_;
  static GetOxCoreFn getCore_;
  static DllGetClassObjectFn getClass_;
  IOxCore* core_ = nullptr;
};

HMODULE CoreTest::lib_ = nullptr;
GetOxCoreFn CoreTest::getCore_ = nullptr;
DllGetClassObjectFn CoreTest::getClass_ = nullptr;

TEST_F(CoreTest, GetOxCoreHandsOutTheOneCoreWithAReferenceEach) {
  EXPECT_EQ(E_POINTER, getCore_(nullptr));
  IOxCore* second = nullptr;
  ASSERT_EQ(S_OK, getCore_(&second));
  EXPECT_EQ(core_, second);
  // Each call added a reference: dropping one leaves the core usable.
  second->Release();
  USHORT major = 0, minor = 0;
  ULONG build = 0;
  BSTR text = nullptr;
  EXPECT_EQ(S_OK, core_->OxGetVersion(&major, &minor, &build, &text));
  SysFreeString(text);
}

TEST_F(CoreTest, GetOxCoreAnswersTheSameCoreBeforeAndAfterInit) {
  ASSERT_EQ(S_OK, core_->Init(nullptr));
  IOxCore* after = nullptr;
  ASSERT_EQ(S_OK, getCore_(&after));
  EXPECT_EQ(core_, after);
  after->Release();
}

TEST_F(CoreTest, OxGetVersionReportsTheRuntimeVersion) {
  USHORT major = 0, minor = 0;
  ULONG build = 0;
  BSTR text = nullptr;
  ASSERT_EQ(S_OK, core_->OxGetVersion(&major, &minor, &build, &text));
  EXPECT_EQ(1, major);
  EXPECT_EQ(1, minor);
  EXPECT_EQ(20070626u, build);
  EXPECT_EQ(0x013240E2u, build);
  ASSERT_NE(nullptr, text);
  EXPECT_STREQ(L"1.1.20070626", text);
  EXPECT_EQ(12u, SysStringLen(text));
  SysFreeString(text);
}

TEST_F(CoreTest, OxGetVersionWithAnyNullOutPointerWritesNothing) {
  for (int missing = 0; missing < 4; ++missing) {
    USHORT major = 7, minor = 7;
    ULONG build = 7;
    BSTR text = nullptr;
    HRESULT hr = core_->OxGetVersion(missing == 0 ? nullptr : &major, missing == 1 ? nullptr : &minor,
                                     missing == 2 ? nullptr : &build, missing == 3 ? nullptr : &text);
    EXPECT_EQ(E_POINTER, hr) << "null argument " << missing;
    EXPECT_EQ(7, major);
    EXPECT_EQ(7, minor);
    EXPECT_EQ(7u, build);
    EXPECT_EQ(nullptr, text);
  }
}

TEST_F(CoreTest, InitAndUninitFollowTheStates) {
  EXPECT_EQ(S_FALSE, core_->Uninit());
  for (int cycle = 0; cycle < 2; ++cycle) {
    EXPECT_EQ(S_OK, core_->Init(nullptr)) << "cycle " << cycle;
    EXPECT_EQ(S_FALSE, core_->Init(nullptr));
    EXPECT_EQ(S_OK, core_->Uninit());
    EXPECT_EQ(S_FALSE, core_->Uninit());
  }
  BSTR empty = SysAllocString(L"");
  EXPECT_EQ(S_OK, core_->Init(empty));
  SysFreeString(empty);
}

TEST_F(CoreTest, ServiceGettersRefuseBadSlotsAndAbsentServices) {
  struct Case {
    const char* name;
    HRESULT (*call)(IOxCore*, void**);
  };
  const Case cases[] = {
      {"OxGetI18N", [](IOxCore* c, void** s) { return c->OxGetI18N(reinterpret_cast<II18N**>(s)); }},
      {"OxGetConfigueFileManager",
       [](IOxCore* c, void** s) { return c->OxGetConfigueFileManager(reinterpret_cast<IConfigueFileManager**>(s)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(E_POINTER, c.call(core_, nullptr));
    void* filled = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(E_INVALIDARG, c.call(core_, &filled));
    EXPECT_EQ(reinterpret_cast<void*>(0x1234), filled);
    void* empty = nullptr;
    EXPECT_EQ(CO_E_NOTINITIALIZED, c.call(core_, &empty));
    EXPECT_EQ(nullptr, empty);
  }
}

TEST_F(CoreTest, OxGetMsgBusOverwritesItsSlot) {
  EXPECT_EQ(E_POINTER, core_->OxGetMsgBus(nullptr));
  IMsgBus* slot = reinterpret_cast<IMsgBus*>(0x1234);
  EXPECT_EQ(CO_E_NOTINITIALIZED, core_->OxGetMsgBus(&slot));
  EXPECT_EQ(nullptr, slot);
}

TEST_F(CoreTest, PerfLogAcceptsAnythingAndDoesNothing) {
  EXPECT_EQ(S_OK, core_->PerfLog(nullptr, nullptr, nullptr, nullptr, nullptr, 0));
  BSTR s = SysAllocString(L"module");
  EXPECT_EQ(S_OK, core_->PerfLog(s, s, s, s, s, -1));
  SysFreeString(s);
}

TEST_F(CoreTest, CoreAnswersItsInterfacesAndErrorInfo) {
  IDispatch* dispatch = nullptr;
  ASSERT_EQ(S_OK, core_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
  dispatch->Release();
  ISupportErrorInfo* sei = nullptr;
  ASSERT_EQ(S_OK, core_->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&sei)));
  EXPECT_EQ(S_OK, sei->InterfaceSupportsErrorInfo(IID_IOxCore));
  EXPECT_EQ(S_FALSE, sei->InterfaceSupportsErrorInfo(IID_IDispatch));
  EXPECT_EQ(S_FALSE, sei->InterfaceSupportsErrorInfo(IID_IXParam));
  sei->Release();
  void* none = nullptr;
  EXPECT_EQ(E_NOINTERFACE, core_->QueryInterface(IID_IXParam, &none));
}

TEST_F(CoreTest, ClassTableRefusesUnknownClasses) {
  const CLSID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClass_(unknown, IID_IClassFactory, &p));
  EXPECT_EQ(nullptr, p);
  // The coclass that only the core creates is not served.
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClass_(CLSID_I18N, IID_IClassFactory, &p));
}

TEST_F(CoreTest, ClassTableCachesOneFactoryPerClass) {
  IClassFactory* f1 = CoreFactory();
  IClassFactory* f2 = CoreFactory();
  ASSERT_NE(nullptr, f1);
  EXPECT_EQ(f1, f2);
  f1->Release();
  f2->Release();
}

TEST_F(CoreTest, OxCoreClassMakesSeparateCores) {
  IClassFactory* factory = CoreFactory();
  ASSERT_NE(nullptr, factory);
  IOxCore* other = nullptr;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IOxCore, reinterpret_cast<void**>(&other)));
  factory->Release();
  EXPECT_NE(core_, other);

  // Its states are its own.
  EXPECT_EQ(S_OK, other->Init(nullptr));
  EXPECT_EQ(S_OK, core_->Init(nullptr));
  EXPECT_EQ(S_OK, other->Uninit());
  EXPECT_EQ(S_FALSE, other->Uninit());
  EXPECT_EQ(S_OK, core_->Uninit());
  EXPECT_EQ(S_OK, other->Init(nullptr));
  EXPECT_EQ(0u, other->Release());  // destroyed while initialised: nothing leaks or crashes
}

// An outer object that keeps the inner core's unknown.
class OuterObject : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
    if (IsEqualIID(iid, IID_IUnknown)) {
      *ppv = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return inner ? inner->QueryInterface(iid, ppv) : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
  STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
  virtual ~OuterObject() = default;
  LONG refs = 1;
  IUnknown* inner = nullptr;
};

TEST_F(CoreTest, OxCoreClassCanBeAggregated) {
  IClassFactory* factory = CoreFactory();
  ASSERT_NE(nullptr, factory);
  OuterObject outer;
  void* p = nullptr;
  EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IOxCore, &p));
  ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, &p));
  factory->Release();
  outer.inner = static_cast<IUnknown*>(p);

  IOxCore* inner = nullptr;
  ASSERT_EQ(S_OK, outer.QueryInterface(IID_IOxCore, reinterpret_cast<void**>(&inner)));
  EXPECT_EQ(2, outer.refs);
  IUnknown* identity = nullptr;
  ASSERT_EQ(S_OK, inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
  EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
  identity->Release();
  USHORT major = 0, minor = 0;
  ULONG build = 0;
  BSTR text = nullptr;
  EXPECT_EQ(S_OK, inner->OxGetVersion(&major, &minor, &build, &text));
  SysFreeString(text);
  inner->Release();
  EXPECT_EQ(1, outer.refs);
  EXPECT_EQ(0u, outer.inner->Release());
}

TEST_F(CoreTest, LateBoundCallsWorkWithoutARegisteredTypeLibrary) {
  ITypeLib* registered = nullptr;
  HRESULT reg = LoadRegTypeLib(LIBID_OxCoreLib, 1, 0, LOCALE_NEUTRAL, &registered);
  if (SUCCEEDED(reg)) registered->Release();
  ASSERT_TRUE(FAILED(reg)) << "the type library must not be registered for this test";

  IDispatch* dispatch = nullptr;
  ASSERT_EQ(S_OK, core_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
  UINT count = 0;
  EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
  EXPECT_EQ(1u, count);

  wchar_t name[] = L"oxgetversion";  // names match case-insensitively
  LPOLESTR names[] = {name};
  DISPID id = 0;
  ASSERT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
  EXPECT_EQ(1, id);

  USHORT major = 0, minor = 0;
  ULONG build = 0;
  VARIANTARG args[3];  // reverse order
  VariantInit(&args[0]);
  args[0].vt = VT_UI4 | VT_BYREF;
  args[0].pulVal = &build;
  VariantInit(&args[1]);
  args[1].vt = VT_UI2 | VT_BYREF;
  args[1].puiVal = &minor;
  VariantInit(&args[2]);
  args[2].vt = VT_UI2 | VT_BYREF;
  args[2].puiVal = &major;
  DISPPARAMS params{args, nullptr, 3, 0};
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(S_OK, dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                                   nullptr));
  EXPECT_EQ(1, major);
  EXPECT_EQ(1, minor);
  EXPECT_EQ(20070626u, build);
  ASSERT_EQ(VT_BSTR, result.vt);
  EXPECT_STREQ(L"1.1.20070626", result.bstrVal);
  VariantClear(&result);

  ITypeInfo* info = nullptr;
  ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info));
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
  EXPECT_TRUE(IsEqualGUID(IID_IOxCore, attr->guid));
  info->ReleaseTypeAttr(attr);
  info->Release();
  EXPECT_EQ(static_cast<HRESULT>(DISP_E_BADINDEX), dispatch->GetTypeInfo(1, LOCALE_USER_DEFAULT, &info));
  dispatch->Release();
}

TEST(CoreStartup, InitWithoutXParamFailsAndALaterInitSucceeds) {
  oxtest::TempDir app;
  const std::wstring bin = oxtest::ExeDirectory();
  ASSERT_TRUE(oxtest::CopyBuilt(app, {L"probe_host.exe", L"OxCore.dll", L"zorlog.dll"})) << "staging failed";
  oxtest::ChildResult r =
      oxtest::RunChild(app.File(L"probe_host.exe"), L"xparam-rebind \"" + bin + L"xparam.dll\"", app.Path());
  ASSERT_TRUE(r.started);
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(0u, r.exitCode) << r.output;
  auto v = r.Values();
  EXPECT_EQ("0x80004005", v["init_missing"]) << r.output;  // E_FAIL
  EXPECT_EQ("0x00000001", v["uninit_missing"]);            // never initialised
  EXPECT_EQ("0x00000000", v["init_present"]);
  EXPECT_EQ("0x00000001", v["init_again"]);
  EXPECT_EQ("0x00000000", v["uninit_present"]);
}

}  // namespace
