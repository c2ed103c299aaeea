// The six instance methods as the core serves them: no table before Init,
// the table between Init and Uninit, objects released by Uninit.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "OwnCore.h"

#include "OxCoreLib.h"
#include "TestObjects.h"

namespace {

using oxtest::kClassA;

CLSID* Cls(const CLSID& c) { return const_cast<CLSID*>(&c); }
IID* Iid(const IID& i) { return const_cast<IID*>(&i); }

class CoreInstancesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, oxtest::CreateOwnCore(&core_));
  }
  void TearDown() override {
    if (core_) {
      core_->Uninit();
      core_->Release();
    }
  }

  IOxCore* core_ = nullptr;
};


TEST_F(CoreInstancesTest, WithoutATableEveryMethodAnswersNotInitialisedWithItsSlotNulled) {
  for (int phase = 0; phase < 2; ++phase) {
    if (phase == 1) {  // after Init and Uninit the table is gone again
      ASSERT_EQ(S_OK, core_->Init(nullptr));
      ASSERT_EQ(S_OK, core_->Uninit());
    }
    void* pv = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(CO_E_NOTINITIALIZED, core_->OxGetInstance(Cls(kClassA), nullptr, Iid(IID_IUnknown), &pv));
    EXPECT_EQ(nullptr, pv);
    IUnknown* obj = oxtest::NewThing();
    EXPECT_EQ(CO_E_NOTINITIALIZED, core_->OxSetInstance(Cls(kClassA), nullptr, obj));
    EXPECT_EQ(1u, oxtest::RefCount(obj));
    obj->Release();
    VARIANT_BOOL has = VARIANT_TRUE;
    EXPECT_EQ(CO_E_NOTINITIALIZED, core_->OxHasInstance(Cls(kClassA), nullptr, &has));
    EXPECT_EQ(VARIANT_FALSE, has);
    BSTR names = nullptr;
    EXPECT_EQ(CO_E_NOTINITIALIZED, core_->OxGetAllInstanceNames(Cls(kClassA), &names));
    EXPECT_EQ(nullptr, names);
    SAFEARRAY* array = nullptr;
    EXPECT_EQ(CO_E_NOTINITIALIZED, core_->OxGetAllInstances(Cls(kClassA), &array));
    EXPECT_EQ(nullptr, array);
    EXPECT_EQ(CO_E_NOTINITIALIZED, core_->OxDropInstance(Cls(kClassA), nullptr));
    // Out pointers are still checked first.
    EXPECT_EQ(E_POINTER, core_->OxGetInstance(Cls(kClassA), nullptr, Iid(IID_IUnknown), nullptr));
    EXPECT_EQ(E_POINTER, core_->OxSetInstance(Cls(kClassA), nullptr, nullptr));
    EXPECT_EQ(E_POINTER, core_->OxHasInstance(Cls(kClassA), nullptr, nullptr));
  }
}

TEST_F(CoreInstancesTest, TheCoreForwardsToItsTable) {
  ASSERT_EQ(S_OK, core_->Init(nullptr));
  BSTR name = SysAllocString(L"mine");
  IUnknown* obj = oxtest::NewThing();
  EXPECT_EQ(S_OK, core_->OxSetInstance(Cls(kClassA), name, obj));
  EXPECT_EQ(E_FAIL, core_->OxSetInstance(Cls(kClassA), name, obj));
  IPersist* persist = nullptr;
  EXPECT_EQ(S_OK, core_->OxGetInstance(Cls(kClassA), name, Iid(IID_IPersist), reinterpret_cast<void**>(&persist)));
  EXPECT_EQ(oxtest::Identity(obj), oxtest::Identity(persist));
  if (persist) persist->Release();
  VARIANT_BOOL has = 0;
  EXPECT_EQ(S_OK, core_->OxHasInstance(Cls(kClassA), name, &has));
  EXPECT_EQ(VARIANT_TRUE, has);
  BSTR names = nullptr;
  EXPECT_EQ(S_OK, core_->OxGetAllInstanceNames(Cls(kClassA), &names));
  EXPECT_STREQ(L"mine\n", names);
  SysFreeString(names);
  SAFEARRAY* array = nullptr;
  EXPECT_EQ(S_FALSE, core_->OxGetAllInstances(Cls(kClassA), &array));
  ASSERT_NE(nullptr, array);
  SafeArrayDestroy(array);
  EXPECT_EQ(S_OK, core_->OxDropInstance(Cls(kClassA), name));
  EXPECT_EQ(1u, oxtest::RefCount(obj));
  obj->Release();
  SysFreeString(name);
}

// Creation goes through the core's own OxCreateInstance: whatever that
// answers for a class is what a first get answers, and a failure stores
// nothing.
TEST_F(CoreInstancesTest, CreationGoesThroughTheCoresActivation) {
  ASSERT_EQ(S_OK, core_->Init(nullptr));
  const CLSID unknownClass = kClassA;
  void* direct = nullptr;
  HRESULT activation = core_->OxCreateInstance(Cls(unknownClass), nullptr, Iid(IID_IUnknown), &direct);
  ASSERT_TRUE(FAILED(activation)) << "a made-up class must not be creatable";
  void* pv = nullptr;
  EXPECT_EQ(activation, core_->OxGetInstance(Cls(unknownClass), nullptr, Iid(IID_IUnknown), &pv));
  EXPECT_EQ(nullptr, pv);
  VARIANT_BOOL has = VARIANT_TRUE;
  EXPECT_EQ(S_OK, core_->OxHasInstance(Cls(unknownClass), nullptr, &has));
  EXPECT_EQ(VARIANT_FALSE, has);
}

TEST_F(CoreInstancesTest, UninitReleasesObjectsOnlyTheTableHeldAndInitStartsAFreshTable) {
  ASSERT_EQ(S_OK, core_->Init(nullptr));
  int live = oxtest::g_liveThings;
  BSTR name = SysAllocString(L"u");
  IUnknown* dropped = oxtest::NewThing();
  IUnknown* kept = oxtest::NewThing();
  core_->OxSetInstance(Cls(kClassA), name, dropped);
  core_->OxSetInstance(Cls(kClassA), nullptr, kept);
  dropped->Release();
  EXPECT_EQ(live + 2, oxtest::g_liveThings.load());
  ASSERT_EQ(S_OK, core_->Uninit());
  EXPECT_EQ(live + 1, oxtest::g_liveThings.load());
  EXPECT_EQ(1u, oxtest::RefCount(kept));
  ASSERT_EQ(S_OK, core_->Init(nullptr));
  VARIANT_BOOL has = VARIANT_TRUE;
  EXPECT_EQ(S_OK, core_->OxHasInstance(Cls(kClassA), nullptr, &has));
  EXPECT_EQ(VARIANT_FALSE, has);
  kept->Release();
  SysFreeString(name);
}

TEST_F(CoreInstancesTest, DestroyingACoreWithoutUninitReleasesItsTable) {
  ASSERT_EQ(S_OK, core_->Init(nullptr));
  int live = oxtest::g_liveThings;
  IUnknown* obj = oxtest::NewThing();
  core_->OxSetInstance(Cls(kClassA), nullptr, obj);
  obj->Release();
  EXPECT_EQ(live + 1, oxtest::g_liveThings.load());
  core_->Release();  // no Uninit
  core_ = nullptr;
  EXPECT_EQ(live, oxtest::g_liveThings.load());
}

}  // namespace
