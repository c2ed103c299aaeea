// Class activation through a runtime registry built by hand: loading on
// first use, class objects and instances, and the failures that stop an
// activation before or inside the library.
#include <windows.h>
#include <oleauto.h>

#include "LoaderTest.h"
#include "TempDir.h"

namespace loadertest {
namespace {

using ActivationTest = LoaderTest;

void* const kSentinel = reinterpret_cast<void*>(static_cast<uintptr_t>(0x5A5A5A5A));

TEST_F(ActivationTest, LoadsOnFirstActivationAndInitialisesOnce) {
  const fx::Fixture& f = fx::fx_counted;
  EXPECT_FALSE(f.Loaded());
  IClassFactory* first = nullptr;
  IClassFactory* second = nullptr;
  ASSERT_EQ(S_OK, ClassObject(f.clsid, &first));
  EXPECT_TRUE(f.Loaded());
  ASSERT_EQ(S_OK, ClassObject(f.clsid, &second));
  EXPECT_EQ(first, second);
  first->Release();
  second->Release();
  EXPECT_EQ(1, f.Count(L"DllInitialize"));
  EXPECT_EQ(2, f.Count(L"DllGetClassObject"));
  EXPECT_EQ(0, f.Count(L"DllCanUnloadNow"));
  EXPECT_EQ(S_OK, Library(f).EnsureLoaded());
  EXPECT_EQ(1, f.Count(L"DllInitialize"));
}

TEST_F(ActivationTest, CreatesObjectsOfTheRightLibrary) {
  for (const fx::Fixture* f : {&fx::fx_counted, &fx::fx_nounload, &fx::fx_notlb}) {
    SCOPED_TRACE(f->name);
    IFxThing* thing = nullptr;
    ASSERT_EQ(S_OK, Create(*f, &thing));
    ASSERT_NE(nullptr, thing);
    long sum = 0;
    EXPECT_EQ(S_OK, thing->Add(2, 40, &sum));
    EXPECT_EQ(42, sum);
    BSTR name = nullptr;
    EXPECT_EQ(S_OK, thing->get_Library(&name));
    EXPECT_STREQ(f->name, name);
    SysFreeString(name);
    EXPECT_EQ(1, f->Count(L"Live"));
    thing->Release();
    EXPECT_EQ(0, f->Count(L"Live"));
    EXPECT_EQ(1, f->Count(L"Created"));
    EXPECT_EQ(1, f->Count(L"DllGetClassObject"));
  }
}

TEST_F(ActivationTest, ClassesWithoutALibraryEntryAreNotRegistered) {
  const GUID unknownClass = {0x0BADC1A5, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};
  const GUID orphanClass = {0x0BADC1A5, 0x2222, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};
  const GUID missingLib = {0x0BADB1B0, 0x3333, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};
  oxcore::ComEntry orphan;
  orphan.guid = orphanClass;
  orphan.libid = missingLib;
  runtime_->coclasses[orphanClass] = orphan;

  for (const GUID* clsid : {&unknownClass, &orphanClass}) {
    void* pv = kSentinel;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, runtime_->GetClassObject(*clsid, IID_IClassFactory, &pv));
    EXPECT_EQ(nullptr, pv);
    pv = kSentinel;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, runtime_->CreateInstance(*clsid, nullptr, IID_IUnknown, &pv));
    EXPECT_EQ(nullptr, pv);
  }
  // A LIBID is no CLSID.
  void* pv = nullptr;
  EXPECT_EQ(REGDB_E_CLASSNOTREG, runtime_->GetClassObject(fx::fx_counted.libid, IID_IClassFactory, &pv));
  EXPECT_FALSE(fx::fx_counted.Loaded());
}

TEST_F(ActivationTest, NullOutSlotIsAPointerError) {
  EXPECT_EQ(E_POINTER, runtime_->GetClassObject(fx::fx_counted.clsid, IID_IClassFactory, nullptr));
  EXPECT_EQ(E_POINTER, runtime_->CreateInstance(fx::fx_counted.clsid, nullptr, IID_IUnknown, nullptr));
  EXPECT_EQ(E_POINTER, Library(fx::fx_counted).GetClassObject(fx::fx_counted.clsid, IID_IClassFactory, nullptr));
  EXPECT_FALSE(fx::fx_counted.Loaded());
}

struct UnservableCase {
  const char* label;
  const wchar_t* file;  // in a temporary directory; "": the empty path; null: fx_nogco
  const char* content;  // written there first; null: no file
};

class UnservableLibraryTest : public LoaderTest, public ::testing::WithParamInterface<UnservableCase> {};

TEST_P(UnservableLibraryTest, IsDllNotFoundEveryTime) {
  const UnservableCase& c = GetParam();
  oxtest::TempDir dir;
  const GUID libid = {0x7E570001, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 1}};
  const GUID clsid = {0x7E570002, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 2}};
  std::wstring path = !c.file ? fx::fx_nogco.Path() : *c.file ? dir.File(c.file) : std::wstring();
  if (c.content) {
    ASSERT_TRUE(oxtest::WriteTextFile(path, c.content));
  }
  Register(*runtime_, libid, path, clsid);

  for (int attempt = 0; attempt < 2; ++attempt) {
    void* pv = kSentinel;
    EXPECT_EQ(CO_E_DLLNOTFOUND, runtime_->GetClassObject(clsid, IID_IClassFactory, &pv)) << attempt;
    EXPECT_EQ(nullptr, pv);
    EXPECT_EQ(CO_E_DLLNOTFOUND, runtime_->CreateInstance(clsid, nullptr, IID_IUnknown, &pv)) << attempt;
    EXPECT_EQ(CO_E_DLLNOTFOUND, runtime_->libraries[libid].EnsureLoaded());
  }
  // The failed record stays; an unload pass does not reset it.
  ASSERT_NE(nullptr, runtime_->libraries[libid].Handle());
  EXPECT_EQ(nullptr, runtime_->libraries[libid].Handle()->module);
  EXPECT_EQ(E_FAIL, runtime_->libraries[libid].TryUnload());
  void* pv = kSentinel;
  EXPECT_EQ(CO_E_DLLNOTFOUND, runtime_->GetClassObject(clsid, IID_IClassFactory, &pv));
  // A library without DllGetClassObject is let go again, uninitialised.
  EXPECT_FALSE(fx::fx_nogco.Loaded());
  EXPECT_EQ(0, fx::fx_nogco.Count(L"DllInitialize"));
  EXPECT_EQ(0, fx::fx_nogco.Count(L"DllCanUnloadNow"));
}

INSTANTIATE_TEST_SUITE_P(Cases, UnservableLibraryTest,
                         ::testing::Values(UnservableCase{"missing_file", L"absent.dll", nullptr},
                                           UnservableCase{"not_a_library", L"text.dll", "just some text"},
                                           UnservableCase{"empty_path", L"", nullptr},
                                           UnservableCase{"no_DllGetClassObject", nullptr, nullptr}),
                         [](const ::testing::TestParamInfo<UnservableCase>& info) { return info.param.label; });

TEST_F(ActivationTest, AMissingLibraryStaysFailedAfterItsFileAppears) {
  const fx::Fixture& f = fx::fx_counted;
  oxtest::TempDir dir;
  const std::wstring path = dir.File(L"fx_late.dll");
  const GUID libid = {0x7E570003, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 3}};
  const GUID clsid = f.clsid;  // the copy serves fx_counted's class
  runtime_->coclasses.clear();
  Register(*runtime_, libid, path, clsid);

  EXPECT_EQ(CO_E_DLLNOTFOUND, Activate(f));
  ASSERT_TRUE(CopyFileW(f.Path().c_str(), path.c_str(), FALSE));
  EXPECT_EQ(CO_E_DLLNOTFOUND, Activate(f));
  runtime_->UnloadUnused();
  EXPECT_EQ(CO_E_DLLNOTFOUND, Activate(f));
  EXPECT_EQ(0, f.Count(L"DllInitialize"));
  EXPECT_EQ(nullptr, GetModuleHandleW(L"fx_late.dll"));

  // A new registry tries again.
  Renew();
  Register(*runtime_, libid, path, clsid);
  EXPECT_EQ(S_OK, Activate(f));
  EXPECT_NE(nullptr, GetModuleHandleW(L"fx_late.dll"));
  EXPECT_EQ(1, f.Count(L"DllInitialize"));
  // Idle: freed with the registry, so the directory can go.
  runtime_.reset();
  EXPECT_EQ(nullptr, GetModuleHandleW(L"fx_late.dll"));
  EXPECT_EQ(1, f.Count(L"DllFinalize"));
}

TEST_F(ActivationTest, FailuresOfTheLibraryPassUnchanged) {
  void* pv = kSentinel;
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, runtime_->GetClassObject(fx::fx_gcofails.clsid, IID_IClassFactory, &pv));
  EXPECT_EQ(nullptr, pv);
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, runtime_->CreateInstance(fx::fx_gcofails.clsid, nullptr, IID_IUnknown, &pv));
  EXPECT_EQ(2, fx::fx_gcofails.Count(L"DllGetClassObject"));

  const fx::Fixture& f = fx::fx_counted;
  // The class object does not answer this interface...
  EXPECT_EQ(E_NOINTERFACE, runtime_->GetClassObject(f.clsid, IID_IDispatch, &pv));
  // ...nor the object this one.
  pv = kSentinel;
  EXPECT_EQ(E_NOINTERFACE, runtime_->CreateInstance(f.clsid, nullptr, IID_IClassFactory, &pv));
  EXPECT_EQ(nullptr, pv);
  EXPECT_EQ(0, f.Count(L"Live"));
  // Aggregation asking for another interface than IUnknown: the factory's answer.
  TestOuter outer;
  EXPECT_EQ(CLASS_E_NOAGGREGATION, runtime_->CreateInstance(f.clsid, &outer, f.iid, &pv));
}

TEST_F(ActivationTest, OuterUnknownReachesTheFactoryUnchanged) {
  const fx::Fixture& f = fx::fx_counted;
  TestOuter outer;
  IUnknown* inner = nullptr;
  ASSERT_EQ(S_OK, runtime_->CreateInstance(f.clsid, &outer, IID_IUnknown, reinterpret_cast<void**>(&inner)));
  EXPECT_EQ(PointerText(&outer), f.Text(L"Outer"));
  // The inner object delegates to the outer: asked for IUnknown through its
  // own interface, it answers the outer object.
  IFxThing* thing = nullptr;
  ASSERT_EQ(S_OK, inner->QueryInterface(f.iid, reinterpret_cast<void**>(&thing)));
  IUnknown* identity = nullptr;
  ASSERT_EQ(S_OK, thing->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
  EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
  inner->Release();  // the outer's references are not counted
  EXPECT_EQ(0, f.Count(L"Live"));

  ASSERT_EQ(S_OK, runtime_->CreateInstance(f.clsid, nullptr, IID_IUnknown, reinterpret_cast<void**>(&inner)));
  EXPECT_EQ(L"0", f.Text(L"Outer"));
  inner->Release();
}

}  // namespace
}  // namespace loadertest
