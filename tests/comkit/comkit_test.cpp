#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "comkit/ClassFactory.h"
#include "comkit/ComPtr.h"
#include "comkit/Dispatch.h"
#include "comkit/Object.h"

MIDL_INTERFACE("6F1B5C22-4E0A-4C55-9A55-0B7C8F0E2A01")
IAlpha : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetAlpha(int* value) = 0;
};
__CRT_UUID_DECL(IAlpha, 0x6F1B5C22, 0x4E0A, 0x4C55, 0x9A, 0x55, 0x0B, 0x7C, 0x8F, 0x0E, 0x2A, 0x01)

MIDL_INTERFACE("6F1B5C22-4E0A-4C55-9A55-0B7C8F0E2A02")
IBeta : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetBeta(int* value) = 0;
};
__CRT_UUID_DECL(IBeta, 0x6F1B5C22, 0x4E0A, 0x4C55, 0x9A, 0x55, 0x0B, 0x7C, 0x8F, 0x0E, 0x2A, 0x02)

namespace {

const CLSID CLSID_Thing = {0x6f1b5c22, 0x4e0a, 0x4c55, {0x9a, 0x55, 0x0b, 0x7c, 0x8f, 0x0e, 0x2b, 0x01}};
const CLSID CLSID_Other = {0x6f1b5c22, 0x4e0a, 0x4c55, {0x9a, 0x55, 0x0b, 0x7c, 0x8f, 0x0e, 0x2b, 0x02}};

std::atomic<int> g_alive{0};
std::atomic<int> g_finalReleases{0};
LONG g_lockCountInDestructor = -1;
HRESULT g_finalConstructResult = S_OK;

class CThing : public comkit::ObjectBase,
               public IAlpha,
               public IBeta,
               public comkit::SupportErrorInfoImpl<&__uuidof(IAlpha)> {
 public:
  COMKIT_INTERFACES(CThing)
    COMKIT_INTERFACE(IAlpha)
    COMKIT_INTERFACE(IBeta)
    COMKIT_INTERFACE(ISupportErrorInfo)
  COMKIT_END_INTERFACES()

  CThing() { ++g_alive; }
  virtual ~CThing() {
    --g_alive;
    g_lockCountInDestructor = comkit::Module::LockCount();
  }
  HRESULT FinalConstruct() { return g_finalConstructResult; }
  void FinalRelease() { ++g_finalReleases; }

  STDMETHODIMP GetAlpha(int* v) override {
    *v = 1;
    return S_OK;
  }
  STDMETHODIMP GetBeta(int* v) override {
    *v = 2;
    return S_OK;
  }
  IUnknown* Controlling() const { return ControllingUnknown(); }
};

class ComkitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_alive = 0;
    g_finalReleases = 0;
    g_finalConstructResult = S_OK;
  }
  void TearDown() override { EXPECT_EQ(g_alive.load(), 0) << "objects leaked"; }
};

// An outer object that counts the references its inner object forwards.
class Outer : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
    if (IsEqualIID(iid, IID_IUnknown)) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    if (inner) return inner->QueryInterface(iid, ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
  virtual ~Outer() = default;
  ULONG refs = 1;
  IUnknown* inner = nullptr;
};

TEST_F(ComkitTest, PlainObjectAnswersItsTableWithOneIdentity) {
  comkit::ComPtr<IAlpha> alpha;
  ASSERT_EQ(S_OK, comkit::Object<CThing>::Create(nullptr, __uuidof(IAlpha), alpha.ReceiveVoid()));
  EXPECT_EQ(1, g_alive.load());

  comkit::ComPtr<IBeta> beta;
  ASSERT_EQ(S_OK, alpha->QueryInterface(__uuidof(IBeta), beta.ReceiveVoid()));
  int v = 0;
  beta->GetBeta(&v);
  EXPECT_EQ(2, v);

  comkit::ComPtr<IUnknown> u1, u2;
  ASSERT_EQ(S_OK, alpha->QueryInterface(IID_IUnknown, u1.ReceiveVoid()));
  ASSERT_EQ(S_OK, beta->QueryInterface(IID_IUnknown, u2.ReceiveVoid()));
  EXPECT_EQ(u1.Get(), u2.Get());

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, alpha->QueryInterface(IID_IDispatch, &none));
  EXPECT_EQ(nullptr, none);
  EXPECT_EQ(E_POINTER, alpha->QueryInterface(IID_IUnknown, nullptr));

  alpha.Reset();
  beta.Reset();
  u1.Reset();
  EXPECT_EQ(1, g_alive.load());
  u2.Reset();
  EXPECT_EQ(0, g_alive.load());
  EXPECT_EQ(1, g_finalReleases.load());
}

TEST_F(ComkitTest, ReferenceCountsReportTheCount) {
  IAlpha* alpha = nullptr;
  ASSERT_EQ(S_OK, comkit::Object<CThing>::Create(nullptr, __uuidof(IAlpha), reinterpret_cast<void**>(&alpha)));
  EXPECT_EQ(2u, alpha->AddRef());
  EXPECT_EQ(1u, alpha->Release());
  EXPECT_EQ(0u, alpha->Release());
}

TEST_F(ComkitTest, FailedFinalConstructDestroysTheObject) {
  g_finalConstructResult = E_ACCESSDENIED;
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_ACCESSDENIED, comkit::Object<CThing>::Create(nullptr, __uuidof(IAlpha), &p));
  EXPECT_EQ(nullptr, p);
  EXPECT_EQ(0, g_alive.load());
}

TEST_F(ComkitTest, UnsupportedInterfaceAtCreationDestroysTheObject) {
  void* p = nullptr;
  EXPECT_EQ(E_NOINTERFACE, comkit::Object<CThing>::Create(nullptr, IID_IDispatch, &p));
  EXPECT_EQ(nullptr, p);
  EXPECT_EQ(0, g_alive.load());
}

TEST_F(ComkitTest, AggregatedObjectDelegatesToItsOuter) {
  Outer outer;
  void* p = nullptr;
  EXPECT_EQ(CLASS_E_NOAGGREGATION, comkit::Object<CThing>::Create(&outer, __uuidof(IAlpha), &p));
  EXPECT_EQ(0, g_alive.load());

  ASSERT_EQ(S_OK, comkit::Object<CThing>::Create(&outer, IID_IUnknown, &p));
  outer.inner = static_cast<IUnknown*>(p);
  EXPECT_EQ(1u, outer.refs);

  // Interfaces of the inner object count on the outer one.
  IAlpha* alpha = nullptr;
  ASSERT_EQ(S_OK, outer.inner->QueryInterface(__uuidof(IAlpha), reinterpret_cast<void**>(&alpha)));
  EXPECT_EQ(2u, outer.refs);
  // Their IUnknown is the outer's.
  IUnknown* identity = nullptr;
  ASSERT_EQ(S_OK, alpha->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
  EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
  identity->Release();
  alpha->Release();
  EXPECT_EQ(1u, outer.refs);

  // The inner unknown answers IUnknown with itself.
  IUnknown* inner2 = nullptr;
  ASSERT_EQ(S_OK, outer.inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&inner2)));
  EXPECT_EQ(outer.inner, inner2);
  inner2->Release();

  EXPECT_EQ(1, g_alive.load());
  EXPECT_EQ(0u, outer.inner->Release());
  EXPECT_EQ(0, g_alive.load());
}

TEST_F(ComkitTest, SupportErrorInfoAnswersOnlyTheOwnInterface) {
  comkit::ComPtr<ISupportErrorInfo> sei;
  ASSERT_EQ(S_OK, comkit::Object<CThing>::Create(nullptr, IID_ISupportErrorInfo, sei.ReceiveVoid()));
  EXPECT_EQ(S_OK, sei->InterfaceSupportsErrorInfo(__uuidof(IAlpha)));
  EXPECT_EQ(S_FALSE, sei->InterfaceSupportsErrorInfo(__uuidof(IBeta)));
  EXPECT_EQ(S_FALSE, sei->InterfaceSupportsErrorInfo(IID_IUnknown));
}

comkit::ClassFactory g_thingFactory(&comkit::CreatorFor<CThing>);
const comkit::ClassEntry g_table[] = {{&CLSID_Thing, &g_thingFactory}, {nullptr, nullptr}};

TEST_F(ComkitTest, ClassTableServesOneCachedFactoryPerClass) {
  comkit::ComPtr<IClassFactory> f1, f2;
  ASSERT_EQ(S_OK, comkit::GetClassObjectFromTable(g_table, CLSID_Thing, IID_IClassFactory, f1.ReceiveVoid()));
  ASSERT_EQ(S_OK, comkit::GetClassObjectFromTable(g_table, CLSID_Thing, IID_IUnknown, f2.ReceiveVoid()));
  EXPECT_EQ(static_cast<IUnknown*>(f1.Get()), f2.Get());

  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, comkit::GetClassObjectFromTable(g_table, CLSID_Other, IID_IClassFactory, &p));
  EXPECT_EQ(nullptr, p);
  EXPECT_EQ(E_NOINTERFACE, comkit::GetClassObjectFromTable(g_table, CLSID_Thing, IID_IDispatch, &p));

  comkit::ComPtr<IAlpha> alpha;
  ASSERT_EQ(S_OK, f1->CreateInstance(nullptr, __uuidof(IAlpha), alpha.ReceiveVoid()));
  int v = 0;
  alpha->GetAlpha(&v);
  EXPECT_EQ(1, v);

  Outer outer;
  EXPECT_EQ(CLASS_E_NOAGGREGATION, f1->CreateInstance(&outer, __uuidof(IAlpha), &p));
  ASSERT_EQ(S_OK, f1->CreateInstance(&outer, IID_IUnknown, &p));
  static_cast<IUnknown*>(p)->Release();
}

TEST_F(ComkitTest, LiveObjectsAndLockServerHoldTheModule) {
  LONG base = comkit::Module::LockCount();
  comkit::ComPtr<IAlpha> alpha;
  ASSERT_EQ(S_OK, comkit::Object<CThing>::Create(nullptr, __uuidof(IAlpha), alpha.ReceiveVoid()));
  EXPECT_EQ(base + 1, comkit::Module::LockCount());
  g_thingFactory.LockServer(TRUE);
  EXPECT_EQ(base + 2, comkit::Module::LockCount());
  g_thingFactory.LockServer(FALSE);
  alpha.Reset();
  EXPECT_EQ(base, comkit::Module::LockCount());
}

// The module may be unloaded once its lock count is zero: an object's own
// destructor must still count.
TEST_F(ComkitTest, TheModuleStaysLockedUntilTheClassDestructorHasRun) {
  LONG base = comkit::Module::LockCount();
  IUnknown* thing = nullptr;
  ASSERT_EQ(S_OK, comkit::Object<CThing>::Create(nullptr, IID_IUnknown, reinterpret_cast<void**>(&thing)));
  thing->Release();
  EXPECT_EQ(base + 1, g_lockCountInDestructor);
  EXPECT_EQ(base, comkit::Module::LockCount());
}

TEST_F(ComkitTest, ConcurrentReferenceCountingDestroysExactlyOnce) {
  for (int round = 0; round < 20; ++round) {
    IAlpha* alpha = nullptr;
    ASSERT_EQ(S_OK, comkit::Object<CThing>::Create(nullptr, __uuidof(IAlpha), reinterpret_cast<void**>(&alpha)));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
      alpha->AddRef();
      threads.emplace_back([alpha] {
        for (int i = 0; i < 5000; ++i) {
          IBeta* beta = nullptr;
          alpha->QueryInterface(__uuidof(IBeta), reinterpret_cast<void**>(&beta));
          alpha->AddRef();
          beta->Release();
          alpha->Release();
        }
        alpha->Release();
      });
    }
    alpha->Release();
    for (auto& t : threads) t.join();
    EXPECT_EQ(0, g_alive.load());
    EXPECT_EQ(round + 1, g_finalReleases.load());
  }
}

}  // namespace
