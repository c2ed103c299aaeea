// The unload pass and the release rule: which libraries go, how often
// DllCanUnloadNow is asked, DllFinalize and reloading.
#include "LoaderTest.h"

namespace loadertest {
namespace {

using UnloadTest = LoaderTest;

TEST_F(UnloadTest, ALibraryThatRefusesStaysLoaded) {
  const fx::Fixture& f = fx::fx_counted;
  ASSERT_EQ(S_OK, Activate(f));
  f.Set(L"CANUNLOAD", L"0");
  EXPECT_EQ(S_OK, runtime_->UnloadUnused());
  EXPECT_EQ(E_FAIL, Library(f).TryUnload());
  EXPECT_TRUE(f.Loaded());
  EXPECT_EQ(2, f.Count(L"DllCanUnloadNow"));
  EXPECT_EQ(0, f.Count(L"DllFinalize"));
  // Still served without loading again.
  ASSERT_EQ(S_OK, Activate(f));
  EXPECT_EQ(1, f.Count(L"DllInitialize"));
  f.Set(L"CANUNLOAD", nullptr);
}

TEST_F(UnloadTest, ALibraryThatAgreesIsFreedAndLoadedAgainOnDemand) {
  const fx::Fixture& f = fx::fx_counted;
  ASSERT_EQ(S_OK, Activate(f));
  f.Set(L"CANUNLOAD", L"1");
  EXPECT_EQ(S_OK, runtime_->UnloadUnused());
  EXPECT_FALSE(f.Loaded());
  EXPECT_EQ(2, f.Count(L"DllCanUnloadNow"));  // the pass, then the release rule
  EXPECT_EQ(1, f.Count(L"DllFinalize"));
  EXPECT_EQ(nullptr, Library(f).Handle());
  // Nothing left to unload.
  EXPECT_EQ(E_FAIL, Library(f).TryUnload());
  EXPECT_EQ(2, f.Count(L"DllCanUnloadNow"));

  ASSERT_EQ(S_OK, Activate(f));
  EXPECT_TRUE(f.Loaded());
  EXPECT_EQ(2, f.Count(L"DllInitialize"));
  EXPECT_EQ(2, f.Count(L"DllGetClassObject"));
  EXPECT_EQ(S_OK, Library(f).TryUnload());
  EXPECT_FALSE(f.Loaded());
  EXPECT_EQ(2, f.Count(L"DllFinalize"));
}

TEST_F(UnloadTest, LiveObjectsKeepALibraryLoaded) {
  const fx::Fixture& f = fx::fx_counted;
  IFxThing* thing = nullptr;
  ASSERT_EQ(S_OK, Create(f, &thing));
  IClassFactory* factory = nullptr;
  ASSERT_EQ(S_OK, ClassObject(f.clsid, &factory));
  runtime_->UnloadUnused();
  EXPECT_TRUE(f.Loaded());
  thing->Release();
  runtime_->UnloadUnused();  // the factory is still held
  EXPECT_TRUE(f.Loaded());
  factory->Release();
  runtime_->UnloadUnused();
  EXPECT_FALSE(f.Loaded());
  EXPECT_EQ(1, f.Count(L"DllFinalize"));
  EXPECT_EQ(4, f.Count(L"DllCanUnloadNow"));
}

TEST_F(UnloadTest, ALibraryWithoutCanUnloadIsNeverFreed) {
  const fx::Fixture& f = fx::fx_nounload;
  ASSERT_EQ(S_OK, Activate(f));
  EXPECT_EQ(E_FAIL, Library(f).TryUnload());
  runtime_->UnloadUnused();
  runtime_.reset();
  EXPECT_TRUE(f.Loaded());
  EXPECT_EQ(0, f.Count(L"DllFinalize"));
  EXPECT_EQ(1, f.Count(L"DllInitialize"));
}

struct DestructionCase {
  const char* label;
  const wchar_t* canUnload;  // the switch; null: as the live objects say
  bool holdObject;
  bool freed;
};

class RegistryDestructionTest : public LoaderTest, public ::testing::WithParamInterface<DestructionCase> {};

TEST_P(RegistryDestructionTest, AppliesTheReleaseRule) {
  const DestructionCase& c = GetParam();
  const fx::Fixture& f = fx::fx_counted;
  IFxThing* thing = nullptr;
  ASSERT_EQ(S_OK, Create(f, &thing));
  if (!c.holdObject) {
    thing->Release();
    thing = nullptr;
  }
  f.Set(L"CANUNLOAD", c.canUnload);
  runtime_.reset();
  EXPECT_EQ(1, f.Count(L"DllCanUnloadNow"));
  EXPECT_EQ(c.freed ? 1 : 0, f.Count(L"DllFinalize"));
  EXPECT_EQ(!c.freed, f.Loaded());
  if (thing) thing->Release();
  // Drop the reference the registry left behind so later tests start clean.
  if (!c.freed) FreeLibrary(GetModuleHandleW(f.File().c_str()));
  EXPECT_FALSE(f.Loaded());
}

INSTANTIATE_TEST_SUITE_P(Cases, RegistryDestructionTest,
                         ::testing::Values(DestructionCase{"idle", nullptr, false, true},
                                           DestructionCase{"object_alive", nullptr, true, false},
                                           DestructionCase{"refuses", L"0", false, false}),
                         [](const ::testing::TestParamInfo<DestructionCase>& info) { return info.param.label; });

TEST_F(UnloadTest, UnloadPassAsksOnlyLoadedLibraries) {
  EXPECT_EQ(S_OK, runtime_->UnloadUnused());
  for (const fx::Fixture* f : fx::kAll) EXPECT_EQ(0, f->Count(L"DllCanUnloadNow")) << f->name;
  ASSERT_EQ(S_OK, Activate(fx::fx_notlb));
  runtime_->UnloadUnused();
  EXPECT_FALSE(fx::fx_notlb.Loaded());
  EXPECT_EQ(0, fx::fx_counted.Count(L"DllCanUnloadNow"));
  EXPECT_EQ(2, fx::fx_notlb.Count(L"DllCanUnloadNow"));
}

}  // namespace
}  // namespace loadertest
